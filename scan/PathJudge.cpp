#include "scan/PathJudge.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "scan/KeyScan.h"
#include "seams/AsciiText.h"
#include "scan/TextLimits.h"

namespace zt {

namespace {

bool IsDriveLetter(char c) {
    return (c >= 'C' && c <= 'Z') || (c >= 'c' && c <= 'z');
}

// The 1000-byte key path buffer of the App Paths lookup, terminating zero included.
constexpr std::size_t kKeyPathBuffer = 1000;
constexpr std::size_t kMaxProgramExtensionChars = 998;

// What the existence test is given for the text before a delimiter: the whole of it, however
// long (the system reaches any length), and a longer one also cut to its first
// kMaxPrefixChars characters, which was always tried.
std::vector<std::string> PrefixesTried(std::string_view prefix) {
    std::vector<std::string> tried;
    if (prefix.empty()) return tried;
    tried.emplace_back(prefix);
    if (UnitsAtLeast(prefix, kMaxPrefixChars + 1))
        tried.push_back(FirstUnits(prefix, kMaxPrefixChars));
    return tried;
}

constexpr std::string_view kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A folder the system names in its CurrentVersion key, else in the environment; empty when
// neither knows it (a system without 32-bit programs has no "(x86)" folders).
std::string SystemNamedFolder(Registry& reg, System& sys, std::string_view valueName,
                              std::string_view envName) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kCurrentVersionKey));
    if (key) {
        if (auto v = reg.ReadValueWhole(key.get(), valueName);
            v && (v->type == kRegSz || v->type == kRegExpandSz)) {
            std::string text = DataText(v->data);
            if (v->type == kRegExpandSz) text = sys.ExpandEnv(text).value_or(text);
            if (!text.empty()) return text;
        }
    }
    return sys.GetEnvVar(envName).value_or(std::string());
}

std::string FolderPrefix(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

// `text` with its path's leading folder `from` read as `to`, or none when it is not there.
std::optional<std::string> Refolder(std::string_view text, std::string_view from,
                                    std::string_view to) {
    auto drive = FindDrivePrefix(text);
    if (!drive || from.empty() || to.empty()) return std::nullopt;
    std::string_view p = text.substr(*drive);
    if (!StartsWithNoCase(p, from)) return std::nullopt;
    std::string r(text.substr(0, *drive));
    r += to;
    r += p.substr(from.size());
    return r;
}

// `s` with each %name% of `vars` replaced by its folder; other references stay.
std::string SubstituteFolders(std::string_view s,
                              std::span<const std::pair<std::string_view, std::string_view>> vars) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t open = s.find('%', i);
        if (open == std::string_view::npos) break;
        std::size_t close = s.find('%', open + 1);
        if (close == std::string_view::npos) break;
        std::string_view name = s.substr(open + 1, close - open - 1);
        out.append(s.substr(i, open - i));
        auto it = std::find_if(vars.begin(), vars.end(),
                               [&](const auto& v) { return NamesEqual(v.first, name); });
        if (it != vars.end() && !it->second.empty()) {
            out.append(it->second);
            i = close + 1;
        } else {
            out += '%';
            i = open + 1;
        }
    }
    out.append(s.substr(i));
    return out;
}

// The texts that may be the program of a command, as the system tries them: the quoted path,
// or else each text before a blank and then the whole. A lone opening quote is dropped, so a
// present program is still found.
std::vector<std::string> ProgramCandidates(std::string_view command) {
    std::vector<std::string> out;
    while (!command.empty() && command.front() == ' ')
        command.remove_prefix(1);
    if (!command.empty() && command.front() == '"') {
        auto close = command.find('"', 1);
        if (close != std::string_view::npos) {
            if (close > 1) out.emplace_back(command.substr(1, close - 1));
            return out;
        }
        command.remove_prefix(1);
    }
    auto add = [&](std::string_view c) {
        std::string text;
        for (char ch : c)
            if (ch != '"') text += ch;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (!text.empty() && (out.empty() || out.back() != text)) out.push_back(std::move(text));
    };
    for (std::size_t blank = command.find(' '); blank != std::string_view::npos;
         blank = command.find(' ', blank + 1))
        add(command.substr(0, blank));
    add(command);
    return out;
}

// MsiExec and rundll32, named bare: what runs is the system's own program.
bool IsBareSystemProgram(std::string_view name) {
    if (name.find_first_of("\\/:") != std::string_view::npos) return false;
    std::string lower = AsciiLower(name);
    if (EndsWithNoCase(lower, ".exe")) lower.resize(lower.size() - 4);
    return lower == "msiexec" || lower == "rundll32";
}

// Whether `found` holds for any extension of the ";"-separated list, tried in its order.
template <class F> bool AnyExtension(std::string_view list, F found) {
    while (!list.empty()) {
        auto cut = list.find(';');
        std::string_view ext = list.substr(0, cut);
        list = cut == std::string_view::npos ? std::string_view{} : list.substr(cut + 1);
        if (!ext.empty() && found(ext)) return true;
    }
    return false;
}

bool HasExtension(std::string_view path) {
    auto slash = path.rfind('\\');
    return path.find('.', slash == std::string_view::npos ? 0 : slash) != std::string_view::npos;
}

} // namespace

std::optional<std::size_t> FindDrivePrefix(std::string_view s) {
    if (s.size() >= 4 && s[2] == ':' && s[3] == '\\') {
        if (IsDriveLetter(s[1])) return 1;
        return std::nullopt;
    }
    if (s.size() >= 3 && s[1] == ':' && s[2] == '\\') {
        if (IsDriveLetter(s[0])) return 0;
    }
    return std::nullopt;
}

bool LooksLikeFilePath(std::string_view s) {
    auto slash = s.rfind('\\');
    if (slash == std::string_view::npos) return false;
    if (s.find('.', slash + 1) == std::string_view::npos) return false;
    if (s.back() == '.') return false;
    if (s.find(':') != s.rfind(':')) return false;
    return s.find_first_of(kForbiddenPathChars) == std::string_view::npos;
}

std::string ReadProgramExtensions(System& sys) {
    auto v = sys.GetEnvVar("PATHEXT");
    if (!v || v->empty()) return std::string(kDefaultProgramExtensions);
    if (v->size() > kMaxProgramExtensionChars) v->resize(kMaxProgramExtensionChars);
    return *v;
}

PathJudge::PathJudge(Registry& registry, System& system)
    : PathJudge(registry, system, ReadProgramExtensions(system)) {}

PathJudge::PathJudge(Registry& registry, System& system, std::string programExtensions)
    : registry_(registry), system_(system), programExtensions_(std::move(programExtensions)) {
    programFiles_ = SystemNamedFolder(registry, system, "ProgramFilesDir", "ProgramW6432");
    commonFiles_ = SystemNamedFolder(registry, system, "CommonFilesDir", "CommonProgramW6432");
    programFilesX86_ =
        SystemNamedFolder(registry, system, "ProgramFilesDir (x86)", "ProgramFiles(x86)");
    commonFilesX86_ =
        SystemNamedFolder(registry, system, "CommonFilesDir (x86)", "CommonProgramFiles(x86)");
    for (const std::string* folder :
         {&programFiles_, &commonFiles_, &programFilesX86_, &commonFilesX86_})
        if (!folder->empty()) programFolders_.push_back(FolderPrefix(*folder));
    system32_ = FolderPrefix(system.SystemFolder());
    std::string windows = system.WindowsFolder();
    if (!windows.empty()) {
        sysWow64_ = FolderPrefix(JoinPath(windows, "SysWOW64"));
        sysnative_ = FolderPrefix(JoinPath(windows, "Sysnative"));
    }
}

void PathJudge::SetCaching(bool on) {
    caching_ = on;
    searchCache_.clear();
    missingCache_.clear();
    existsCache_.clear();
    appPathCache_.clear();
    commandCache_.clear();
    fileCache_.clear();
    if (!keepDriveKinds_) driveCache_ = {};
}

template <class F> bool PathJudge::Cached(Cache& cache, std::string_view key, F compute) {
    if (!caching_) return compute();
    std::string k = FoldName(key);
    if (auto it = cache.find(k); it != cache.end()) return it->second;
    bool r = compute();
    cache.emplace(std::move(k), r);
    return r;
}

bool PathJudge::ExistsCached(std::string_view path) {
    return Cached(existsCache_, path, [&] { return system_.Exists(path); });
}

bool PathJudge::IsFile(std::string_view path) {
    return Cached(fileCache_, path, [&] {
        auto a = system_.GetAttributes(path);
        return a && !(*a & kAttrDirectory);
    });
}

std::size_t PathJudge::SystemFolderLength(std::string_view p) const {
    std::size_t longest = 0;
    for (const std::string& prefix : programFolders_)
        if (prefix.size() > longest && StartsWithNoCase(p, prefix)) longest = prefix.size();
    return longest;
}

std::optional<std::string> PathJudge::UnjudgedDrive(std::string_view s) {
    std::size_t at = !s.empty() && !std::isalpha(static_cast<unsigned char>(s[0])) ? 1 : 0;
    if (s.size() < at + 3 || s[at + 1] != ':' || s[at + 2] != '\\' ||
        !std::isalpha(static_cast<unsigned char>(s[at])))
        return std::nullopt;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(s[at])));
    std::string drive = std::string("drive ") + letter + ":";
    // Floppy letters: a disk there comes and goes.
    if (letter == 'A' || letter == 'B') return drive + " is a floppy drive letter";
    std::optional<DriveKind>& known = driveCache_[letter - 'A'];
    const bool reuse = caching_ || keepDriveKinds_;
    DriveKind kind = known && reuse ? *known : system_.GetDriveKind(letter);
    if (reuse) known = kind;
    switch (kind) {
    case DriveKind::Fixed:
    case DriveKind::RamDisk:
        return std::nullopt;
    case DriveKind::Absent:
        return drive + " is not present";
    case DriveKind::Removable:
        return drive + " is removable";
    case DriveKind::Optical:
        return drive + " is an optical drive";
    case DriveKind::Network:
        return drive + " is a network drive";
    case DriveKind::Unknown:
        break;
    }
    return drive + " is of no kind the system names";
}

bool PathJudge::SearchProgram(std::string_view name) {
    return Cached(searchCache_, name, [&] { return SearchProgramUncached(name); });
}

bool PathJudge::SearchProgramUncached(std::string_view name) {
    if (name.find('.') != std::string_view::npos)
        return system_.SearchProgramPath(name, {}).has_value();
    bool plain = system_.SearchProgramPath(name, {}).has_value();
    return AnyExtension(programExtensions_,
                        [&](std::string_view ext) {
                            return system_.SearchProgramPath(name, ext).has_value();
                        }) ||
           plain;
}

bool PathJudge::IsPathMissing(std::string_view s) {
    return Cached(missingCache_, s, [&] { return IsPathMissingUncached(s); });
}

bool PathJudge::IsPathMissingUncached(std::string_view s) {
    auto drive = FindDrivePrefix(s);
    if (!drive || UnjudgedDrive(s)) return false;
    std::string_view p = s.substr(*drive);
    if (SearchProgram(p)) return false;
    const std::size_t uncut = SystemFolderLength(p);
    for (char delimiter : kPathDelimiters) {
        auto pos = p.find(delimiter, uncut);
        if (pos == std::string_view::npos) continue;
        for (const std::string& prefix : PrefixesTried(p.substr(0, pos)))
            if (ExistsCached(prefix)) return false;
    }
    return true;
}

void PathJudge::ExplainMissingPath(std::string_view s, std::vector<std::string>& lines) const {
    auto drive = FindDrivePrefix(s);
    if (!drive) return;
    std::string_view p = s.substr(*drive);
    const std::size_t uncut = SystemFolderLength(p);
    lines.push_back("path checked: " + std::string(p));
    ExplainSearch(p, lines);
    std::vector<std::string> tried;
    for (char delimiter : kPathDelimiters) {
        auto pos = p.find(delimiter, uncut);
        if (pos == std::string_view::npos) continue;
        for (std::string& prefix : PrefixesTried(p.substr(0, pos))) {
            if (std::find(tried.begin(), tried.end(), prefix) != tried.end()) continue;
            lines.push_back("file looked for: " + prefix + ": not found");
            tried.push_back(std::move(prefix));
        }
    }
}

void PathJudge::ExplainSearch(std::string_view name, std::vector<std::string>& lines) const {
    std::string line = "program search: " + std::string(name);
    if (name.find('.') == std::string_view::npos) line += " (also with " + programExtensions_ + ")";
    lines.push_back(line + ": not found");
}

bool PathJudge::IsCommandMissing(std::string_view command) {
    return Cached(commandCache_, command, [&] {
        std::vector<std::string> candidates = ProgramCandidates(command);
        if (candidates.empty()) return false;
        const std::string& first = candidates.front();
        if (IsBareSystemProgram(first)) return !SearchProgram(first);
        auto drive = FindDrivePrefix(first);
        if (!drive || UnjudgedDrive(first)) return false;
        for (const std::string& c : candidates) {
            std::string_view path = std::string_view(c).substr(*drive);
            if (IsFile(path)) return false;
            if (HasExtension(path)) continue;
            // Without an extension the system tries each program extension in turn.
            if (AnyExtension(programExtensions_, [&](std::string_view ext) {
                    return IsFile(std::string(path) + std::string(ext));
                }))
                return false;
        }
        return true;
    });
}

void PathJudge::ExplainMissingCommand(std::string_view command,
                                      std::vector<std::string>& lines) const {
    std::vector<std::string> candidates = ProgramCandidates(command);
    if (candidates.empty()) return;
    if (IsBareSystemProgram(candidates.front())) {
        ExplainSearch(candidates.front(), lines);
        return;
    }
    lines.push_back("command checked: " + std::string(command));
    for (const std::string& c : candidates) {
        std::string line = "file looked for: " + c;
        if (!HasExtension(c)) line += " (also with " + programExtensions_ + ")";
        lines.push_back(line + ": not found");
    }
}

void PathJudge::Explain(std::string_view text, TextShape shape, std::vector<std::string>& lines) {
    std::string judged(text);
    if (shape == TextShape::Command) {
        std::vector<std::string> candidates = ProgramCandidates(text);
        judged = candidates.empty() ? std::string() : candidates.front();
    }
    if (auto drive = UnjudgedDrive(judged)) {
        lines.push_back(*drive);
        return;
    }
    if (shape == TextShape::Command)
        ExplainMissingCommand(text, lines);
    else
        ExplainMissingPath(text, lines);
}

std::string PathJudge::ExpandInView(std::string_view s, RegView view) {
    if (FindDrivePrefix(s)) return std::string(s);
    // A 64-bit program's own names stand as the system expands them; the 32-bit names of
    // the folders are the system's "(x86)" ones. Both kinds see the 64-bit folder as W6432.
    const std::pair<std::string_view, std::string_view> wow32[] = {
        {"ProgramFiles", programFilesX86_},
        {"CommonProgramFiles", commonFilesX86_},
        {"ProgramW6432", programFiles_},
        {"CommonProgramW6432", commonFiles_}};
    std::span<const std::pair<std::string_view, std::string_view>> vars(wow32);
    if (view != RegView::Wow32) vars = vars.subspan(2);
    std::string text = SubstituteFolders(s, vars);
    if (text.find('%') == std::string::npos) return text;
    return system_.ExpandEnv(text).value_or(text);
}

std::vector<ViewedText> PathJudge::ViewTexts(std::string_view raw, bool expand, RegView view) {
    std::vector<ViewedText> out;
    auto add = [&](std::string_view label, std::string text) {
        for (auto& t : out) {
            if (!NamesEqual(t.text, text)) continue;
            if (t.view != label) t.view = "64-bit and 32-bit view";
            return;
        }
        out.push_back({label, std::move(text)});
    };
    for (RegView v : {RegView::Native, RegView::Wow32}) {
        if (view != RegView::Shared && view != v) continue;
        std::string text = expand ? ExpandInView(raw, v) : std::string(raw);
        // Only 32-bit programs see Sysnative: it is the system folder itself.
        if (auto real = Refolder(text, sysnative_, system32_)) text = std::move(*real);
        if (v == RegView::Native) {
            add("64-bit view", std::move(text));
            continue;
        }
        // The system folder of a 32-bit program is redirected to the 32-bit one.
        auto redirected = Refolder(text, system32_, sysWow64_);
        add("32-bit view", std::move(text));
        if (redirected) add("32-bit system folder", std::move(*redirected));
    }
    return out;
}

std::string PathJudge::ExpandEnvironment(std::string_view s) {
    if (FindDrivePrefix(s)) return std::string(s);
    auto expanded = system_.ExpandEnv(s);
    if (!expanded) return std::string(s);
    return *expanded;
}

bool PathJudge::IsAppPathMissing(std::string_view name) {
    return Cached(appPathCache_, name, [&] { return IsAppPathMissingUncached(name); });
}

bool PathJudge::IsAppPathMissingUncached(std::string_view name) {
    std::string keyPath = std::string(kAppPathsKey) + "\\";
    keyPath += name;
    // No key of that length can exist to ask; a name we cannot judge is left alone.
    if (UnitsAtLeast(keyPath, kKeyPathBuffer)) return false;
    RegKey key(registry_, registry_.OpenKeyRead(RootHandle(kLocalMachine), keyPath));
    if (key) return false;
    return !SearchProgram(name);
}

} // namespace zt
