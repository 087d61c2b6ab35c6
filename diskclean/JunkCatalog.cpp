#include "diskclean/JunkCatalog.h"

#include "seams/Unicode.h"

namespace zt {

namespace {

constexpr std::string_view kChromiumCaches = "Cache\\Cache_Data|Code Cache|GPUCache";

constexpr JunkPlaceRow Chromium(std::string_view id, std::string_view label, std::string_view where,
                                std::string_view lock, std::string_view program,
                                std::string_view title) {
    return {id,
            label,
            JunkGroup::Browsers,
            JunkRoot::LocalAppData,
            where,
            kChromiumCaches,
            {},
            JunkProfiles::Chromium,
            program,
            title,
            JunkRoot::LocalAppData,
            lock,
            false};
}

constexpr JunkPlaceRow Plain(std::string_view id, std::string_view label, JunkGroup group,
                             JunkRoot root, std::string_view where, std::string_view caches,
                             std::string_view files = {}, bool machineWide = false) {
    return {id, label, group, root, where,      caches, files, JunkProfiles::None,
            {}, {},    root,  {},   machineWide};
}

constexpr JunkPlaceRow kRows[] = {
    Plain("crash-dumps", "Crash dumps", JunkGroup::Windows, JunkRoot::LocalAppData, "CrashDumps",
          {}),
    Plain("error-reports", "Windows Error Reporting files", JunkGroup::Windows,
          JunkRoot::LocalAppData, "Microsoft\\Windows\\WER", "ReportArchive|ReportQueue"),
    Plain("system-error-reports", "Windows Error Reporting files of all users", JunkGroup::Windows,
          JunkRoot::ProgramData, "Microsoft\\Windows\\WER", "ReportArchive|ReportQueue", {}, true),
    Plain("directx-shader-cache", "DirectX shader cache", JunkGroup::Windows,
          JunkRoot::LocalAppData, "D3DSCache", {}),
    Plain("thumbnail-cache", "Thumbnail and icon caches", JunkGroup::Windows,
          JunkRoot::LocalAppData, "Microsoft\\Windows\\Explorer", {},
          "thumbcache_*.db|iconcache_*.db"),
    Chromium("edge-cache", "Microsoft Edge cache", "Microsoft\\Edge\\User Data\\*",
             "Microsoft\\Edge\\User Data\\lockfile", "msedge.exe", "Microsoft Edge"),
    Chromium("chrome-cache", "Google Chrome cache", "Google\\Chrome\\User Data\\*",
             "Google\\Chrome\\User Data\\lockfile", "chrome.exe", "Google Chrome"),
    Chromium("brave-cache", "Brave cache", "BraveSoftware\\Brave-Browser\\User Data\\*",
             "BraveSoftware\\Brave-Browser\\User Data\\lockfile", "brave.exe", "Brave"),
    Chromium("vivaldi-cache", "Vivaldi cache", "Vivaldi\\User Data\\*",
             "Vivaldi\\User Data\\lockfile", "vivaldi.exe", "Vivaldi"),
    {"opera-cache",
     "Opera cache",
     JunkGroup::Browsers,
     JunkRoot::LocalAppData,
     "Opera Software\\Opera Stable",
     kChromiumCaches,
     {},
     JunkProfiles::None,
     "opera.exe",
     "Opera",
     JunkRoot::RoamingAppData,
     "Opera Software\\Opera Stable\\lockfile",
     false},
    {"opera-gx-cache",
     "Opera GX cache",
     JunkGroup::Browsers,
     JunkRoot::LocalAppData,
     "Opera Software\\Opera GX Stable",
     kChromiumCaches,
     {},
     JunkProfiles::None,
     "opera.exe",
     "Opera GX",
     JunkRoot::RoamingAppData,
     "Opera Software\\Opera GX Stable\\lockfile",
     false},
    {"firefox-cache",
     "Mozilla Firefox cache",
     JunkGroup::Browsers,
     JunkRoot::LocalAppData,
     "Mozilla\\Firefox\\*",
     "cache2",
     {},
     JunkProfiles::Firefox,
     "firefox.exe",
     "Mozilla Firefox",
     JunkRoot::RoamingAppData,
     "Mozilla\\Firefox\\*\\parent.lock",
     false},
    Plain("nvidia-shader-cache", "NVIDIA shader caches", JunkGroup::Applications,
          JunkRoot::LocalAppData, "NVIDIA", "DXCache|GLCache"),
    Plain("amd-shader-cache", "AMD shader cache", JunkGroup::Applications, JunkRoot::LocalAppData,
          "AMD\\DxCache", {}),
};

// The parts of a "|"-separated list; one empty part for an empty list.
std::vector<std::string_view> Split(std::string_view list, char sep) {
    std::vector<std::string_view> parts;
    for (;;) {
        auto cut = list.find(sep);
        parts.push_back(list.substr(0, cut));
        if (cut == std::string_view::npos) return parts;
        list.remove_prefix(cut + 1);
    }
}

std::optional<std::string> RootFolder(System& sys, JunkRoot root) {
    switch (root) {
    case JunkRoot::LocalAppData:
        return sys.GetKnownFolder(KnownFolder::LocalAppData);
    case JunkRoot::RoamingAppData:
        return sys.GetKnownFolder(KnownFolder::AppData);
    case JunkRoot::ProgramData:
        break;
    }
    return sys.GetKnownFolder(KnownFolder::ProgramData);
}

bool IsAbsolute(std::string_view p) {
    return (p.size() >= 3 && p[1] == ':' && p[2] == '\\') || p.starts_with("\\\\");
}

enum class Step { Plain, Missing, Link };

// The folder at `path` as itself: a link, even one the listing shows as a folder, is not.
Step CheckFolder(System& sys, const std::string& path) {
    auto attrs = sys.GetAttributes(path);
    if (!attrs || !(*attrs & kAttrDirectory)) return Step::Missing;
    if (*attrs & kAttrReparsePoint) return Step::Link;
    if (!sys.ListingShowsFileLinks() && sys.CheckEntry(path) == EntryCheck::LinkFollowed)
        return Step::Link;
    return Step::Plain;
}

// Every step of `rel` below `from` a plain folder.
Step CheckChain(System& sys, const std::string& from, std::string_view rel) {
    std::string path = from;
    for (std::string_view part : Split(rel, '\\')) {
        if (part.empty()) continue;
        path = JoinPath(path, part);
        if (Step s = CheckFolder(sys, path); s != Step::Plain) return s;
    }
    return Step::Plain;
}

// `pattern` with its "*" step replaced by `step`; an absolute step stands for everything
// before it.
std::string FillStep(std::string_view pattern, std::string_view step) {
    auto star = pattern.find('*');
    if (star == std::string_view::npos) return std::string(pattern);
    std::string tail(pattern.substr(star + 1));
    if (IsAbsolute(step)) return std::string(step) + tail;
    return std::string(pattern.substr(0, star)) + std::string(step) + tail;
}

// The "*" steps of a row: profile folder names, or paths from profiles.ini.
std::vector<std::string> ProfileSteps(System& sys, const JunkPlaceRow& row,
                                      const std::string& root) {
    std::vector<std::string> steps;
    if (row.profiles == JunkProfiles::None) return {std::string()};
    if (row.profiles == JunkProfiles::Firefox) {
        auto roaming = RootFolder(sys, JunkRoot::RoamingAppData);
        if (!roaming) return steps;
        auto ini = sys.ReadWholeFile(JoinPath(*roaming, "Mozilla\\Firefox\\profiles.ini"));
        for (const IniProfile& p : ParseProfilesIni(ini.value_or("")))
            steps.push_back(p.path);
        return steps;
    }
    std::string folder = JoinPath(root, row.where.substr(0, row.where.find("\\*")));
    sys.EnumDirectory(folder, [&](const DirEntry& e) {
        // A link is taken up only to be refused by name below.
        if (e.IsDirectory() &&
            (e.IsReparsePoint() || sys.Exists(JoinPath(JoinPath(folder, e.name), "Preferences"))))
            steps.push_back(e.name);
        return true;
    });
    return steps;
}

} // namespace

std::span<const JunkPlaceRow> JunkCatalog() {
    return kRows;
}

const JunkPlaceRow* FindJunkPlace(std::string_view id) {
    for (const JunkPlaceRow& row : kRows)
        if (NamesEqual(row.id, id)) return &row;
    return nullptr;
}

std::string_view JunkGroupName(JunkGroup group) {
    switch (group) {
    case JunkGroup::Windows:
        return "Windows";
    case JunkGroup::Browsers:
        return "Browsers";
    case JunkGroup::Applications:
        break;
    }
    return "Applications";
}

std::string_view JunkPlaceStateName(JunkPlaceState state) {
    switch (state) {
    case JunkPlaceState::Found:
        return "found";
    case JunkPlaceState::NotFound:
        return "not-found";
    case JunkPlaceState::InUse:
        return "in-use";
    case JunkPlaceState::Protected:
        break;
    }
    return "protected";
}

std::vector<IniProfile> ParseProfilesIni(std::string_view text) {
    std::vector<IniProfile> out;
    bool inProfile = false;
    IniProfile current;
    bool havePath = false;
    auto flush = [&] {
        if (inProfile && havePath) out.push_back(current);
        current = IniProfile{};
        havePath = false;
    };
    for (std::string_view line : Split(text, '\n')) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.starts_with("[")) {
            flush();
            inProfile = StartsWithNoCase(line, "[Profile") && line.ends_with("]");
            continue;
        }
        auto eq = line.find('=');
        if (!inProfile || eq == std::string_view::npos) continue;
        std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (NamesEqual(key, "IsRelative")) current.relative = value != "0";
        if (!NamesEqual(key, "Path") || value.empty()) continue;
        std::string path(value);
        for (char& c : path)
            if (c == '/') c = '\\';
        bool climbs = false;
        for (std::string_view part : Split(path, '\\'))
            climbs |= part == "..";
        if (climbs) continue;
        current.path = std::move(path);
        havePath = true;
    }
    flush();
    // A relative path that is absolute, or the reverse, is not a profile of this machine.
    std::erase_if(out, [](const IniProfile& p) { return p.relative == IsAbsolute(p.path); });
    return out;
}

bool RunningPrograms::Runs(std::string_view image) const {
    std::string folded = FoldName(image);
    for (const std::string& name : images)
        if (name == folded) return true;
    return false;
}

RunningPrograms RunningPrograms::Take(System& sys) {
    RunningPrograms r;
    for (const std::string& name : sys.RunningImageNames())
        r.images.push_back(FoldName(name));
    return r;
}

ResolvedPlace ResolveJunkPlace(System& sys, const JunkPlaceRow& row, const RunningPrograms& running,
                               const ProtectedFolders& guarded) {
    ResolvedPlace r;
    r.row = &row;
    auto root = RootFolder(sys, row.root);
    if (!root || root->empty()) return r;
    RemoveTrailingBackslash(*root);
    auto lockRoot = RootFolder(sys, row.lockRoot);
    for (const std::string& step : ProfileSteps(sys, row, *root)) {
        JunkInstance inst;
        std::string rel = FillStep(row.where, step);
        inst.base = IsAbsolute(rel) ? rel : JoinPath(*root, rel);
        Step s = IsAbsolute(rel) ? CheckFolder(sys, inst.base) : CheckChain(sys, *root, rel);
        if (s == Step::Link) r.refused.push_back(inst.base + " is a link");
        if (s != Step::Plain) continue;
        for (std::string_view cache : Split(row.caches, '|')) {
            std::string folder = cache.empty() ? inst.base : JoinPath(inst.base, cache);
            Step c = CheckChain(sys, inst.base, cache);
            auto real = c == Step::Plain ? RealFolderPath(sys, folder) : std::nullopt;
            if (c == Step::Link) r.refused.push_back(folder + " is a link");
            if (!real) continue;
            if (std::string why = guarded.Refusal(*real); !why.empty()) {
                r.refused.push_back(folder + " " + why);
                continue;
            }
            inst.caches.push_back(*real);
        }
        if (inst.caches.empty()) continue;
        if (!row.program.empty()) {
            std::string lock = FillStep(row.lockFile, step);
            if (!IsAbsolute(lock)) lock = lockRoot ? JoinPath(*lockRoot, lock) : std::string();
            // The lock file names the very profile in use; without one, the program's name.
            inst.inUse = !lock.empty() && sys.Exists(lock) ? sys.IsFileHeldOpen(lock)
                                                           : running.Runs(row.program);
        }
        r.instancesInUse += inst.inUse;
        r.instances.push_back(std::move(inst));
    }
    if (r.instancesInUse > 0) {
        r.state = JunkPlaceState::InUse;
        r.note = "Close " + std::string(row.programTitle) + " to clean its cache.";
    } else if (!r.instances.empty()) {
        r.state = JunkPlaceState::Found;
    } else if (!r.refused.empty()) {
        r.state = JunkPlaceState::Protected;
    }
    return r;
}

JunkWalkRules CatalogRules(const JunkPlaceRow& row, const JunkOptions& options, std::int64_t now) {
    JunkWalkRules rules;
    if (!row.files.empty()) {
        for (std::string_view p : Split(row.files, '|'))
            rules.namePatterns.emplace_back(p);
        rules.removeSubfolders = false;
        rules.filesOnly = true;
    }
    if (options.minAgeHours > 0)
        rules.keepChangedSince = now - std::int64_t{options.minAgeHours} * 3600;
    return rules;
}

} // namespace zt
