#include "platform/memory/MemorySystem.h"

#include "seams/Unicode.h"
#include "seams/AsciiText.h"

#include <algorithm>
#include <vector>

namespace zt {

namespace {
// Names (files, variables, drive roots) compare as the platform compares them.
std::string Folded(std::string_view s) {
    return FoldName(s);
}
bool HasFolderPart(std::string_view s) {
    return s.find('\\') != std::string_view::npos || s.find('/') != std::string_view::npos ||
           s.find(':') != std::string_view::npos;
}
bool HasExtension(std::string_view s) {
    auto slash = s.find_last_of("\\/");
    auto dot = s.rfind('.');
    return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}
std::string_view TrimBlanksAndDots(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '.'))
        s.remove_suffix(1);
    return s;
}
} // namespace

MemorySystem::MemorySystem() {
    AddFolder("C:\\");
    AddFolder(windowsDirectory);
    AddFolder(systemDirectory);
    AddFolder(tempFolder);
    searchFolders = {systemDirectory, windowsDirectory};
    SetEnvironment("PATHEXT", ".COM;.EXE;.BAT;.CMD");
    SetEnvironment("SystemRoot", windowsDirectory);
    SetEnvironment("windir", windowsDirectory);
    SetEnvironment("TEMP", "C:\\Temp");
}

std::string MemorySystem::Key(std::string_view path) {
    std::string k = FoldName(path);
    for (auto& c : k)
        if (c == '/') c = '\\';
    while (k.size() > 3 && k.back() == '\\')
        k.pop_back();
    return k;
}

void MemorySystem::AddFolder(std::string_view path, std::uint32_t attributes) {
    // Create the parents too, as a real folder has them. Cut at the separators of the path
    // itself: a folded letter may take more or fewer bytes than the letter.
    for (std::size_t pos = path.find_first_of("\\/", 3); pos != std::string_view::npos;
         pos = path.find_first_of("\\/", pos + 1)) {
        std::string parent = Key(path.substr(0, pos));
        if (!entries_.count(parent))
            entries_[parent] = Entry{std::string(path.substr(0, pos)), kAttrDirectory, 0};
    }
    std::string k = Key(path);
    if (k.size() == 2 && k[1] == ':') k += '\\';
    entries_[k] = Entry{std::string(path), attributes | kAttrDirectory, 0};
}

void MemorySystem::AddLink(std::string_view path, std::string_view target, bool toFolder) {
    std::string k = Key(path);
    auto cut = path.find_last_of("\\/");
    if (cut != std::string_view::npos && cut > 2) AddFolder(path.substr(0, cut));
    entries_[k] =
        Entry{std::string(path), kAttrReparsePoint | (toFolder ? kAttrDirectory : 0u), 0, 0};
    links_[k] = std::string(target);
}

std::string MemorySystem::LinkTarget(const std::string& key) const {
    auto it = links_.find(key);
    return it == links_.end() ? std::string() : it->second;
}

const MemorySystem::Entry* MemorySystem::Shown(const std::string& key, const Entry& e) const {
    std::string target = LinkTarget(key);
    if (target.empty() || !linksFollowed) return &e;
    auto t = entries_.find(Key(target));
    return t == entries_.end() ? nullptr : &t->second;
}

void MemorySystem::AddFile(std::string_view path, std::uint64_t size, std::uint32_t attributes) {
    std::string k = Key(path);
    auto cut = path.find_last_of("\\/");
    if (cut != std::string_view::npos && cut > 2) AddFolder(path.substr(0, cut));
    entries_[k] = Entry{std::string(path), attributes & ~kAttrDirectory, size};
}

void MemorySystem::SetEnvironment(std::string_view name, std::string_view value) {
    env_[Folded(name)] = std::string(value);
}
void MemorySystem::UnsetEnvironment(std::string_view name) {
    env_.erase(Folded(name));
}
void MemorySystem::SetKnownFolder(KnownFolder folder, std::string_view path) {
    known_[folder] = std::string(path);
}

std::optional<std::uint32_t> MemorySystem::GetAttributes(std::string_view path) {
    if (path.empty()) return std::nullopt;
    auto it = entries_.find(Key(path));
    if (it == entries_.end()) return std::nullopt;
    return it->second.attributes;
}

std::optional<std::string> MemorySystem::SearchProgramPath(std::string_view name,
                                                           std::string_view extension) {
    name = TrimBlanksAndDots(name);
    if (name.empty()) return std::nullopt;
    auto tryPath = [&](const std::string& p) -> std::optional<std::string> {
        auto it = entries_.find(Key(p));
        if (it != entries_.end()) return it->second.path;
        return std::nullopt;
    };
    auto tryBoth = [&](const std::string& base) -> std::optional<std::string> {
        if (!extension.empty() && !HasExtension(base))
            if (auto r = tryPath(base + std::string(extension))) return r;
        return tryPath(base);
    };
    if (HasFolderPart(name)) return tryBoth(std::string(name));
    for (const auto& folder : searchFolders)
        if (auto r = tryBoth(folder + "\\" + std::string(name))) return r;
    return std::nullopt;
}

std::optional<std::string> MemorySystem::GetEnvVar(std::string_view name) {
    auto it = env_.find(Folded(name));
    if (it == env_.end()) return std::nullopt;
    return it->second;
}

std::string MemorySystem::FromAnsiCodePage(std::string_view bytes) {
    // Windows-1252, the code page of English and Western European systems.
    static const char16_t k80[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::u16string units;
    for (unsigned char c : bytes)
        units += (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : static_cast<char16_t>(c);
    return Utf16ToUtf8(units);
}

namespace {
// The lower-case partner of a unit that FoldUnit reaches from another: of several, the one
// 0x20 above as in most alphabets, else the nearest (U+03A3 takes U+03C3, not final sigma).
char16_t LowerUnit(char16_t u) {
    static const std::vector<char16_t> lower = [] {
        std::vector<char16_t> table(0x10000, 0);
        for (std::uint32_t v = 0x80; v < 0x10000; ++v) {
            char16_t up = FoldUnit(static_cast<char16_t>(v));
            if (up == v) continue;
            char16_t& best = table[up];
            auto distance = [&](char16_t c) {
                return c == up + 0x20 ? 0 : c > up ? c - up : up - c;
            };
            if (!best || distance(static_cast<char16_t>(v)) < distance(best))
                best = static_cast<char16_t>(v);
        }
        return table;
    }();
    if (u < 0x80) return (u >= 'A' && u <= 'Z') ? static_cast<char16_t>(u + 32) : u;
    return lower[u] ? lower[u] : u;
}
} // namespace

std::string MemorySystem::LowerText(std::string_view text) {
    if (IsAscii(text)) return AsciiLower(text);
    std::u16string units = Utf8ToUtf16(text);
    for (auto& u : units)
        u = LowerUnit(u);
    return Utf16ToUtf8(units);
}

std::optional<std::string> MemorySystem::ExpandEnv(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%') {
            auto end = text.find('%', i + 1);
            if (end != std::string_view::npos) {
                auto v = GetEnvVar(text.substr(i + 1, end - i - 1));
                if (v && end > i + 1) {
                    out += *v;
                    i = end + 1;
                    continue;
                }
                out.append(text.substr(i, end - i));
                i = end;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

bool MemorySystem::EnumDirectory(std::string_view path,
                                 const std::function<bool(const DirEntry&)>& visit) {
    std::string k = Key(path);
    auto it = entries_.find(k);
    if (it == entries_.end() || !(it->second.attributes & kAttrDirectory)) return false;
    for (const auto& u : unlistable)
        if (Key(u) == k) return false;
    std::string prefix = k.back() == '\\' ? k : k + "\\";
    std::vector<DirEntry> found;
    for (auto e = entries_.lower_bound(prefix); e != entries_.end(); ++e) {
        if (e->first.compare(0, prefix.size(), prefix) != 0) break;
        std::string rest = e->first.substr(prefix.size());
        if (rest.empty() || rest.find('\\') != std::string::npos) continue;
        auto cut = e->second.path.find_last_of("\\/");
        const Entry* shown = Shown(e->first, e->second);
        if (!shown) continue; // a dangling link the platform cannot show
        found.push_back(DirEntry{e->second.path.substr(cut + 1), shown->attributes, shown->size,
                                 shown->lastWriteTime});
    }
    for (const auto& d : found)
        if (!visit(d)) break;
    return true;
}

namespace {
Status Fails(StatusCode code, std::uint32_t error) {
    return Status::From(code, error);
}
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorAlreadyExists = 183;
} // namespace

bool MemorySystem::Denied(const std::string& key) const {
    for (const auto& d : denied_)
        if (key == d ||
            (key.size() > d.size() && key.compare(0, d.size(), d) == 0 && key[d.size()] == '\\'))
            return true;
    return false;
}

Status MemorySystem::RemoveFile(std::string_view path) {
    std::string k = Key(path);
    auto it = entries_.find(k);
    if (it == entries_.end()) return Fails(StatusCode::NotFound, kOsErrorFileNotFound);
    if (Denied(k)) return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    if (it->second.attributes & kAttrDirectory)
        return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    if (it->second.attributes & kAttrReadOnly)
        return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    for (const auto& u : undeletable)
        if (Key(u) == k) return Fails(StatusCode::Failed, kErrorSharingViolation);
    Freed(k);
    entries_.erase(it);
    contents_.erase(k);
    links_.erase(k);
    return Status::Success();
}

Status MemorySystem::RemoveFolder(std::string_view path) {
    std::string k = Key(path);
    auto it = entries_.find(k);
    if (it == entries_.end()) return Fails(StatusCode::NotFound, kOsErrorFileNotFound);
    if (!(it->second.attributes & kAttrDirectory)) return Fails(StatusCode::Failed, 267);
    if (Denied(k)) return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    std::string prefix = k + "\\";
    auto child = entries_.lower_bound(prefix);
    if (child != entries_.end() && child->first.compare(0, prefix.size(), prefix) == 0)
        return Fails(StatusCode::Failed, kErrorDirNotEmpty);
    entries_.erase(it);
    return Status::Success();
}

Status MemorySystem::MakeFolder(std::string_view path) {
    std::string k = Key(path);
    if (entries_.count(k)) return Fails(StatusCode::Failed, kErrorAlreadyExists);
    if (Denied(k)) return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    auto cut = k.rfind('\\');
    if (cut == std::string::npos || !entries_.count(cut <= 2 ? k.substr(0, 3) : k.substr(0, cut)))
        return Fails(StatusCode::NotFound, kOsErrorPathNotFound);
    entries_[k] = Entry{std::string(path), kAttrDirectory, 0};
    return Status::Success();
}

std::optional<std::string> MemorySystem::FinalPath(std::string_view path) {
    std::string k = Key(path);
    // A link on the way resolves to its target.
    for (std::size_t sep = path.find_first_of("\\/", 3);;
         sep = path.find_first_of("\\/", sep + 1)) {
        std::size_t stop = sep == std::string_view::npos ? path.size() : sep;
        auto link = entries_.find(Key(path.substr(0, stop)));
        std::string target = link != entries_.end() ? LinkTarget(link->first) : std::string();
        if (!target.empty()) return FinalPath(target + std::string(path).substr(stop));
        if (sep == std::string::npos) break;
    }
    auto it = entries_.find(k);
    if (it == entries_.end()) return std::nullopt;
    return it->second.path;
}

EntryHandle MemorySystem::OpenEntry(std::string_view path, EntryFacts& facts) {
    facts = EntryFacts{};
    std::string k = Key(path);
    auto it = entries_.find(k);
    if (it == entries_.end()) {
        facts.gone = true;
        return kNoEntry;
    }
    if (Listed(heldOpen, k)) {
        facts.inUse = true;
        return kNoEntry;
    }
    const Entry* shown = Shown(it->first, it->second);
    if (!shown) return kNoEntry;
    if (shown != &it->second) {
        facts.elsewhere = true;
        k = Key(shown->path);
    }
    facts.attributes = shown->attributes;
    facts.size = shown->size;
    facts.lastWriteTime = shown->lastWriteTime;
    EntryHandle h = nextEntry_++;
    openEntries_[h] = OpenEntryState{k, false};
    return h;
}

Status MemorySystem::RemoveOpenedEntry(EntryHandle entry) {
    auto open = openEntries_.find(entry);
    if (open == openEntries_.end()) return Fails(StatusCode::Failed, 6); // invalid handle
    const std::string& k = open->second.key;
    auto it = entries_.find(k);
    if (it == entries_.end()) return Fails(StatusCode::NotFound, kOsErrorFileNotFound);
    if ((it->second.attributes & kAttrReadOnly) || Denied(k))
        return Fails(StatusCode::AccessDenied, kOsErrorAccessDenied);
    for (const auto& u : undeletable)
        if (Key(u) == k) return Fails(StatusCode::Failed, kErrorSharingViolation);
    if ((it->second.attributes & kAttrDirectory) && LinkTarget(k).empty()) {
        auto child = entries_.lower_bound(k + "\\");
        if (child != entries_.end() && child->first.compare(0, k.size() + 1, k + "\\") == 0)
            return Fails(StatusCode::Failed, kErrorDirNotEmpty);
    }
    open->second.remove = true;
    return Status::Success();
}

void MemorySystem::CloseEntry(EntryHandle entry) {
    auto open = openEntries_.find(entry);
    if (open == openEntries_.end()) return;
    if (open->second.remove) {
        const std::string k = open->second.key;
        auto child = entries_.lower_bound(k + "\\");
        bool empty =
            child == entries_.end() || child->first.compare(0, k.size() + 1, k + "\\") != 0;
        if (empty) {
            Freed(k);
            entries_.erase(k);
            contents_.erase(k);
            links_.erase(k);
        }
    }
    openEntries_.erase(open);
}

std::optional<std::string> MemorySystem::GetKnownFolder(KnownFolder folder) {
    auto it = known_.find(folder);
    if (it == known_.end()) return std::nullopt;
    return it->second;
}

std::optional<RecycleBinInfo> MemorySystem::QueryRecycleBin(std::string_view rootPath) {
    for (const auto& [root, info] : recycleBins)
        if (NamesEqual(root, rootPath)) return info;
    return std::nullopt;
}

bool MemorySystem::EmptyRecycleBin(WindowRef) {
    for (auto& [root, info] : recycleBins)
        info = RecycleBinInfo{};
    return true;
}

bool MemorySystem::WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) {
    auto copy = urlCache;
    for (const auto& e : copy)
        if (!visit(e)) return false;
    return true;
}

bool MemorySystem::DeleteUrlEntry(std::string_view sourceUrl) {
    auto it = std::find_if(urlCache.begin(), urlCache.end(),
                           [&](const UrlCacheEntry& e) { return e.sourceUrl == sourceUrl; });
    if (it == urlCache.end()) return false;
    urlCache.erase(it);
    return true;
}

ShellResult MemorySystem::Execute(std::string_view verb, std::string_view file,
                                  std::string_view parameters, int show, bool wait) {
    executions.push_back(
        {std::string(verb), std::string(file), std::string(parameters), show, wait});
    ShellResult r;
    r.started = shellExecuteSucceeds;
    r.waited = shellExecuteSucceeds && wait;
    return r;
}

ShellResult MemorySystem::RunElevated(std::string_view file, std::string_view parameters,
                                      const std::atomic<bool>* stop) {
    elevatedRuns.push_back({"runas", std::string(file), std::string(parameters), kShowHide, true});
    ShellResult r;
    if (elevationDeclined) {
        r.declined = true;
        return r;
    }
    r.started = shellExecuteSucceeds;
    if (!r.started) return r;
    if (elevatedProgram) r.exitCode = elevatedProgram(std::string(parameters));
    r.stopped = stop && stop->load();
    r.waited = !r.stopped;
    return r;
}

std::optional<std::string> MemorySystem::ResolveShortcut(std::string_view linkPath) {
    for (const auto& [link, target] : shortcuts)
        if (NamesEqual(link, linkPath)) return target;
    return std::nullopt;
}

void MemorySystem::SetLastWriteTime(std::string_view path, std::int64_t time) {
    auto it = entries_.find(Key(path));
    if (it != entries_.end()) it->second.lastWriteTime = time;
}

std::optional<std::string> MemorySystem::FileContent(std::string_view path) const {
    auto it = contents_.find(Key(path));
    if (it == contents_.end()) return std::nullopt;
    return it->second;
}

void MemorySystem::PlantFile(std::string_view path, std::string_view content) {
    AddFile(path, content.size());
    std::string k = Key(path);
    entries_[k].lastWriteTime = fileClock;
    contents_[k] = std::string(content);
}

OutFileHandle MemorySystem::CreateOutFile(std::string_view path) {
    std::string k = Key(path);
    auto cut = k.rfind('\\');
    std::string parent = cut == std::string::npos ? std::string() : k.substr(0, cut <= 2 ? 3 : cut);
    auto folder = entries_.find(parent);
    bool refused = std::any_of(uncreatable.begin(), uncreatable.end(),
                               [&](const std::string& u) { return Key(u) == k; });
    if (refused || folder == entries_.end() || !(folder->second.attributes & kAttrDirectory)) {
        lastFileError_ = "The system cannot find the path specified.";
        return kNoOutFile;
    }
    auto existing = entries_.find(k);
    if (existing != entries_.end() &&
        (existing->second.attributes & (kAttrDirectory | kAttrReadOnly))) {
        lastFileError_ = "Access denied.";
        return kNoOutFile;
    }
    for (const auto& [h, open] : outFiles_)
        if (open == k) {
            lastFileError_ =
                "The process cannot access the file because it is being used by another process.";
            return kNoOutFile;
        }
    if (auto old = contents_.find(k); old != contents_.end()) freeBytes += old->second.size();
    entries_[k] = Entry{std::string(path), kAttrArchive, 0, fileClock};
    contents_[k].clear();
    OutFileHandle h = nextOutFile_++;
    outFiles_[h] = k;
    return h;
}

bool MemorySystem::WriteOutFile(OutFileHandle file, const void* data, std::size_t size) {
    auto it = outFiles_.find(file);
    if (it == outFiles_.end()) {
        lastFileError_ = "The handle is invalid.";
        return false;
    }
    std::string& content = contents_[it->second];
    std::size_t fits = size <= freeBytes ? size : static_cast<std::size_t>(freeBytes);
    content.append(static_cast<const char*>(data), fits);
    freeBytes -= fits;
    entries_[it->second].size = content.size();
    entries_[it->second].lastWriteTime = fileClock;
    if (fits < size) {
        lastFileError_ = "There is not enough space on the disk.";
        return false;
    }
    return true;
}

bool MemorySystem::CloseOutFile(OutFileHandle file) {
    if (outFiles_.erase(file) == 0) {
        lastFileError_ = "The handle is invalid.";
        return false;
    }
    return true;
}

ShellResult MemorySystem::ExecuteAndWait(std::string_view verb, std::string_view file,
                                         std::string_view parameters, int show, std::uint32_t) {
    executions.push_back(
        {std::string(verb), std::string(file), std::string(parameters), show, true});
    ShellResult r;
    r.started = shellExecuteSucceeds;
    if (!r.started) return r;
    if (onExecuteAndWait) onExecuteAndWait(std::string(parameters));
    r.timedOut = processTimesOut;
    r.waited = !processTimesOut;
    return r;
}

bool MemorySystem::TruncateOutFile(OutFileHandle file, std::uint64_t size) {
    auto it = outFiles_.find(file);
    if (it == outFiles_.end()) return false;
    std::string& content = contents_[it->second];
    if (size < content.size()) {
        freeBytes += content.size() - size;
        content.resize(static_cast<std::size_t>(size));
    }
    entries_[it->second].size = content.size();
    return true;
}

std::optional<std::string> MemorySystem::ReadWholeFile(std::string_view path) {
    for (const auto& u : unreadable)
        if (Key(u) == Key(path)) return std::nullopt;
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || (it->second.attributes & kAttrDirectory)) return std::nullopt;
    return FileContent(path).value_or(std::string());
}

void MemorySystem::SetDriveKind(char letter, DriveKind kind) {
    const int number = (letter | 0x20) - 'a';
    if (number < 0 || number >= 26) return;
    if (kind == DriveKind::Absent) {
        logicalDrives &= ~(1u << number);
        driveKinds_.erase(number);
    } else {
        logicalDrives |= 1u << number;
        driveKinds_[number] = kind;
    }
}

DriveKind MemorySystem::GetDriveKind(char letter) {
    const int number = (letter | 0x20) - 'a';
    if (number < 0 || number >= 26) return DriveKind::Unknown;
    if ((logicalDrives & (1u << number)) == 0) return DriveKind::Absent;
    auto it = driveKinds_.find(number);
    return it == driveKinds_.end() ? DriveKind::Fixed : it->second;
}

bool MemorySystem::Listed(const std::vector<std::string>& paths, const std::string& key) const {
    for (const auto& p : paths)
        if (Key(p) == key) return true;
    return false;
}

void MemorySystem::Freed(const std::string& key) {
    auto it = entries_.find(key);
    if (it == entries_.end() || (it->second.attributes & kAttrDirectory) || Listed(sharedData, key))
        return;
    for (auto& [root, free] : driveFree)
        if (key.compare(0, Key(root).size(), Key(root)) == 0) free += it->second.size;
}

bool MemorySystem::IsFileHeldOpen(std::string_view path) {
    return Listed(heldOpen, Key(path)) && entries_.count(Key(path)) != 0;
}

std::optional<std::uint64_t> MemorySystem::DriveFreeBytes(std::string_view root) {
    for (const auto& [r, free] : driveFree)
        if (Key(r) == Key(root)) return free;
    return std::nullopt;
}

} // namespace zt
