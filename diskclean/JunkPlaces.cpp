#include "diskclean/JunkPlaces.h"

#include <cstdio>

#include "backup/BackupStore.h"
#include "diskclean/FolderWalk.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

struct PlaceInfo {
    const char* templateText;
    const char* captionFormat;
    const char* name;
    bool keepIndexFiles;
};

const PlaceInfo& Info(JunkItem item) {
    static constexpr PlaceInfo kInfo[kJunkItemCount] = {
        {"Clean the Recycle Bin", "Clean the Recycle Bin (%s)", "recycle-bin", false},
        {"Clean the cookies", "Clean the cookies (%s)", "cookies", true},
        {"Clean the user temporary folder", "Clean the user temporary folder (%s)", "user-temp",
         false},
        {"Clean the system temporary folder", "Clean the system temporary folder (%s)",
         "system-temp", false},
        {"Clean the internet cache files", "Clean the internet cache files (%s)", "internet-cache",
         true},
    };
    return kInfo[static_cast<std::size_t>(item)];
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C:" / "C:\" or "\\server\share" with nothing below.
bool IsRootPath(std::string_view p) {
    while (!p.empty() && p.back() == '\\')
        p.remove_suffix(1);
    if (p.size() == 2 && p[1] == ':') return true;
    if (p.rfind("\\\\", 0) == 0) {
        auto server = p.find('\\', 2);
        return server == std::string_view::npos ||
               p.find('\\', server + 1) == std::string_view::npos;
    }
    return false;
}

bool IsAbsolutePath(std::string_view p) {
    if (p.size() >= 3 && IsDriveLetter(p[0]) && p[1] == ':' && p[2] == '\\') return true;
    return p.size() > 2 && p[0] == '\\' && p[1] == '\\';
}

} // namespace

std::string_view JunkTemplateText(JunkItem item) {
    return Info(item).templateText;
}
std::string_view JunkPlaceName(JunkItem item) {
    return Info(item).name;
}
bool JunkKeepsIndexFiles(JunkItem item) {
    return Info(item).keepIndexFiles;
}

std::string JunkCaption(JunkItem item, std::uint64_t bytes, std::string_view keptNote) {
    std::string size = FormatSize(bytes) + std::string(keptNote);
    char buf[256];
    std::snprintf(buf, sizeof buf, Info(item).captionFormat, size.c_str());
    return buf;
}

std::string JunkKeptText(std::uint64_t youngKept, const JunkOptions& options) {
    if (youngKept == 0) return {};
    return "; " + std::to_string(youngKept) + (youngKept == 1 ? " file" : " files") +
           " kept: changed in the last " + std::to_string(options.minAgeHours) + " hours";
}

std::string FormatSize(std::uint64_t v) {
    char buf[64];
    const double d = static_cast<double>(v);
    if (v < 1024ull)
        std::snprintf(buf, sizeof buf, "%d B", static_cast<int>(v));
    else if (v < 1048576ull)
        std::snprintf(buf, sizeof buf, "%.2f KB", d / 1024.0);
    else if (v < 1073741824ull)
        std::snprintf(buf, sizeof buf, "%.2f MB", d / 1048576.0);
    else if (v < 1099511627776ull)
        std::snprintf(buf, sizeof buf, "%.2f GB", d / 1073741824.0);
    else if (v < 1125899906842624ull)
        std::snprintf(buf, sizeof buf, "%.2f TB", d / 1099511627776.0);
    else
        return "too big! (more than 1024 TB)";
    return buf;
}

void RemoveTrailingBackslash(std::string& path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
}

std::optional<std::string> GetSystemTempFolder(Registry& reg, System& sys) {
    // Read rights only: a user without administrator rights may read the machine's setting.
    RegKey key(reg,
               reg.OpenKeyRead(RootHandle(kLocalMachine),
                               "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));
    if (!key) return std::nullopt;
    // A value too large for the buffer reads as absent, as the buffer would refuse it.
    auto read = [&](const char* name) -> std::optional<RegValue> {
        auto v = reg.ReadValueWhole(key.get(), name);
        if (v && Utf16Length(std::string_view(reinterpret_cast<const char*>(v->data.data()),
                                              v->data.size())) > kJunkPathBufferChars)
            return std::nullopt;
        return v;
    };
    auto value = read("TEMP");
    if (!value) value = read("TMP");
    if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    text = text.substr(0, text.find('\0'));
    // Data that fills the whole buffer has no room for its terminating zero.
    if (Utf16Length(text) >= kJunkPathBufferChars) return std::nullopt;
    if (value->type == kRegExpandSz) {
        auto expanded = sys.ExpandEnv(text);
        if (!expanded || Utf16Length(*expanded) >= kJunkPathBufferChars) return std::nullopt;
        text = *expanded;
    }
    return text;
}

JunkWalkRules JunkRulesFor(JunkItem item, const JunkOptions& options, std::int64_t now,
                           bool measuring) {
    JunkWalkRules rules;
    rules.keepIndexFiles = item == JunkItem::Cookies || (measuring && JunkKeepsIndexFiles(item));
    rules.removeSubfolders = item != JunkItem::Cookies;
    if (item != JunkItem::RecycleBin && options.minAgeHours > 0)
        rules.keepChangedSince = now - std::int64_t{options.minAgeHours} * 3600;
    return rules;
}

std::string JunkPlaceTitle(JunkItem item) {
    std::string_view text = Info(item).templateText;
    return std::string(text.substr(text.find(' ') + 1)); // without "Clean "
}

std::string JunkUnavailableCaption(JunkItem item, JunkFolderState state) {
    return std::string(Info(item).templateText) +
           (state == JunkFolderState::Protected ? " (protected folder)" : " (not available)");
}

void ProtectedFolders::Add(System& sys, std::string_view path, std::string what) {
    std::string p(path);
    while (p.size() > 3 && p.back() == '\\')
        p.pop_back();
    if (p.empty()) return;
    // Compared by real path too, so a short name or a link cannot slip past.
    if (auto real = sys.FinalPath(p)) {
        while (real->size() > 3 && real->back() == '\\')
            real->pop_back();
        if (!SamePath(*real, p)) folders_.push_back({*real, what});
    }
    folders_.push_back({std::move(p), std::move(what)});
}

ProtectedFolders ProtectedFolders::Gather(Registry& reg, System& sys) {
    ProtectedFolders g;
    g.Add(sys, sys.WindowsFolder(), "the Windows folder");
    g.Add(sys, sys.SystemFolder(), "the system folder");
    auto known = [&](KnownFolder f, const char* what) {
        if (auto p = sys.GetKnownFolder(f)) g.Add(sys, *p, what);
    };
    auto env = [&](const char* name, const char* what) {
        if (auto p = sys.GetEnvVar(name)) g.Add(sys, *p, what);
    };
    known(KnownFolder::SystemX86, "the 32-bit system folder");
    known(KnownFolder::ProgramFiles, "the Program Files folder");
    known(KnownFolder::ProgramFilesX86, "the 32-bit Program Files folder");
    // A 32-bit program is told the 32-bit folder for both; the environment names the other.
    env("ProgramW6432", "the Program Files folder");
    env("ProgramFiles(x86)", "the 32-bit Program Files folder");
    known(KnownFolder::ProgramData, "the ProgramData folder");
    known(KnownFolder::Profile, "your profile folder");
    known(KnownFolder::Desktop, "your Desktop folder");
    known(KnownFolder::Documents, "your Documents folder");
    known(KnownFolder::Pictures, "your Pictures folder");
    known(KnownFolder::Music, "your Music folder");
    known(KnownFolder::Videos, "your Videos folder");
    known(KnownFolder::Downloads, "your Downloads folder");
    if (auto profiles = sys.GetKnownFolder(KnownFolder::Profiles)) {
        std::string base = *profiles;
        RemoveTrailingBackslash(base);
        g.Add(sys, base, "the folder of the user profiles");
        sys.EnumDirectory(base, [&](const DirEntry& e) {
            if (e.IsDirectory()) g.Add(sys, base + "\\" + e.name, "a user's profile folder");
            return true;
        });
    }
    // Profiles kept elsewhere than the usual folder.
    RegKey list(reg,
                reg.OpenKeyRead(RootHandle(kLocalMachine),
                                "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"));
    std::string sid;
    for (std::uint32_t i = 0; list && reg.EnumKey(list.get(), i, sid, 256); ++i) {
        RegKey profile(reg, reg.OpenKeyRead(list.get(), sid));
        if (!profile) continue;
        auto value = reg.ReadValueWhole(profile.get(), "ProfileImagePath");
        if (!value || (value->type != kRegSz && value->type != kRegExpandSz)) continue;
        std::string text(value->data.begin(), value->data.end());
        text = text.substr(0, text.find('\0'));
        if (value->type == kRegExpandSz) text = sys.ExpandEnv(text).value_or("");
        g.Add(sys, text, "a user's profile folder");
    }
    std::string module = sys.GetModulePath();
    auto cut = module.rfind('\\');
    if (cut != std::string::npos) g.Add(sys, module.substr(0, cut), "the program's own folder");
    g.Add(sys, BackupFolderPath(sys), "the backup folder");
    return g;
}

std::string ProtectedFolders::Refusal(std::string_view real) const {
    if (IsRootPath(real)) return "is a drive root";
    for (const Entry& f : folders_)
        if (SamePath(real, f.path)) return "is " + f.what;
    for (const Entry& f : folders_)
        if (IsBelow(f.path, real)) return "holds " + f.what + " (" + f.path + ")";
    return {};
}

JunkFolder LocateJunkFolder(Registry& reg, System& sys, JunkItem item,
                            const ProtectedFolders& guarded) {
    JunkFolder r;
    std::optional<std::string> folder;
    switch (item) {
    case JunkItem::RecycleBin:
        r.state = JunkFolderState::Ok;
        return r;
    case JunkItem::Cookies:
        folder = sys.GetKnownFolder(KnownFolder::Cookies);
        break;
    case JunkItem::InternetCache:
        folder = sys.GetKnownFolder(KnownFolder::InternetCache);
        break;
    case JunkItem::UserTemp:
        folder = sys.GetTempFolder();
        break;
    case JunkItem::SystemTemp:
        folder = GetSystemTempFolder(reg, sys);
        break;
    }
    return CheckJunkFolder(sys, folder, guarded);
}

JunkFolder CheckJunkFolder(System& sys, std::optional<std::string> folder,
                           const ProtectedFolders& guarded) {
    JunkFolder r;
    if (!folder || folder->empty()) {
        r.reason = "the system does not report its folder";
        return r;
    }
    RemoveTrailingBackslash(*folder);
    r.reported = *folder;
    r.state = JunkFolderState::Unusable;
    if (Utf16Length(*folder) >= kJunkPathBufferChars) {
        r.reason = "its folder path is too long";
        return r;
    }
    if (IsRootPath(*folder)) {
        r.state = JunkFolderState::Protected;
        r.reason = *folder + " is a drive or share root";
        return r;
    }
    if (!IsAbsolutePath(*folder)) {
        r.reason = "\"" + *folder + "\" is not a full folder path";
        return r;
    }
    auto attrs = sys.GetAttributes(*folder);
    if (attrs && !(*attrs & kAttrDirectory)) {
        r.reason = *folder + " is not a folder";
        return r;
    }
    auto real = attrs ? RealFolderPath(sys, *folder) : std::nullopt;
    if (!real) {
        r.reason = *folder + " cannot be found";
        return r;
    }
    std::string why = guarded.Refusal(*real);
    if (!why.empty()) {
        r.state = JunkFolderState::Protected;
        r.reason = *folder + (SamePath(*real, *folder) ? "" : " (" + *real + ")") + " " + why;
        return r;
    }
    r.state = JunkFolderState::Ok;
    r.real = *real;
    return r;
}

bool IsJunkFolderAcceptable(Registry& reg, System& sys, std::string_view folder) {
    return CheckJunkFolder(sys, std::string(folder), ProtectedFolders::Gather(reg, sys)).ok();
}

std::optional<std::string> GetJunkFolder(Registry& reg, System& sys, JunkItem item) {
    if (item == JunkItem::RecycleBin) return std::nullopt;
    JunkFolder f = LocateJunkFolder(reg, sys, item, ProtectedFolders::Gather(reg, sys));
    if (!f.ok()) return std::nullopt;
    return f.reported;
}

std::uint64_t GetRecycleBinTotal(System& sys) {
    std::uint32_t mask = sys.LogicalDriveMask();
    std::uint64_t total = 0;
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        char root[4] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        if (auto info = sys.QueryRecycleBin(root)) total += info->bytes;
    }
    return total;
}

} // namespace zt
