#include "scan/PathJudge.h"

#include <algorithm>

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
    : registry_(registry), system_(system), programExtensions_(std::move(programExtensions)) {}

void PathJudge::SetCaching(bool on) {
    caching_ = on;
    searchCache_.clear();
    missingCache_.clear();
    existsCache_.clear();
    appPathCache_.clear();
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

bool PathJudge::SearchProgram(std::string_view name) {
    return Cached(searchCache_, name, [&] { return SearchProgramUncached(name); });
}

bool PathJudge::SearchProgramUncached(std::string_view name) {
    if (name.find('.') != std::string_view::npos)
        return system_.SearchProgramPath(name, {}).has_value();
    bool plain = system_.SearchProgramPath(name, {}).has_value();
    std::string_view list = programExtensions_;
    while (!list.empty()) {
        auto cut = list.find(';');
        std::string_view ext = list.substr(0, cut);
        list = cut == std::string_view::npos ? std::string_view{} : list.substr(cut + 1);
        if (!ext.empty() && system_.SearchProgramPath(name, ext)) return true;
    }
    return plain;
}

bool PathJudge::IsPathMissing(std::string_view s) {
    return Cached(missingCache_, s, [&] { return IsPathMissingUncached(s); });
}

bool PathJudge::IsPathMissingUncached(std::string_view s) {
    auto drive = FindDrivePrefix(s);
    if (!drive) return false;
    std::string_view p = s.substr(*drive);
    if (SearchProgram(p)) return false;
    for (char delimiter : kPathDelimiters) {
        auto pos = p.find(delimiter);
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
    lines.push_back("path checked: " + std::string(p));
    ExplainSearch(p, lines);
    std::vector<std::string> tried;
    for (char delimiter : kPathDelimiters) {
        auto pos = p.find(delimiter);
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
