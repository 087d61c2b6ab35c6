#include "diskclean/JunkPlaces.h"

#include <cstdio>
#include <cstring>

#include "diskclean/FolderWalk.h"

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

std::string JunkCaption(JunkItem item, std::uint64_t bytes) {
    std::string size = FormatSize(bytes);
    char buf[128];
    std::snprintf(buf, sizeof buf, Info(item).captionFormat, size.c_str());
    return buf;
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
    char buf[kJunkPathBufferBytes];
    std::uint32_t type = kRegNone;
    if (!reg.ReadValueTyped(key.get(), "TEMP", buf, sizeof buf, type) &&
        !reg.ReadValueTyped(key.get(), "TMP", buf, sizeof buf, type))
        return std::nullopt;
    if (type != kRegSz && type != kRegExpandSz) return std::nullopt;
    // Data that fills the whole buffer has no room for its terminating zero.
    std::size_t len = strnlen(buf, sizeof buf);
    if (len >= sizeof buf) return std::nullopt;
    std::string text(buf, len);
    if (type == kRegExpandSz) {
        auto expanded = sys.ExpandEnv(text);
        if (!expanded || expanded->size() >= kJunkPathBufferBytes) return std::nullopt;
        text = *expanded;
    }
    return text;
}

bool IsJunkFolderAcceptable(System& sys, std::string_view folder) {
    if (!IsAbsolutePath(folder) || IsRootPath(folder)) return false;
    auto real = sys.FinalPath(folder);
    if (!real || IsRootPath(*real)) return false;
    for (const std::string& guarded : {sys.WindowsFolder(), sys.SystemFolder()}) {
        if (guarded.empty()) continue;
        std::string g = sys.FinalPath(guarded).value_or(guarded);
        RemoveTrailingBackslash(g);
        if (SamePath(*real, g) || IsBelow(g, *real)) return false;
    }
    return true;
}

std::optional<std::string> GetJunkFolder(Registry& reg, System& sys, JunkItem item) {
    std::optional<std::string> folder;
    switch (item) {
    case JunkItem::RecycleBin:
        return std::nullopt;
    case JunkItem::Cookies:
        folder = sys.GetKnownFolder(KnownFolder::Cookies);
        break;
    case JunkItem::InternetCache:
        folder = sys.GetKnownFolder(KnownFolder::InternetCache);
        break;
    case JunkItem::UserTemp: {
        std::string temp = sys.GetTempFolder();
        if (!temp.empty() && temp.size() < kJunkPathBufferBytes) folder = temp;
        break;
    }
    case JunkItem::SystemTemp:
        folder = GetSystemTempFolder(reg, sys);
        break;
    }
    if (!folder) return std::nullopt;
    RemoveTrailingBackslash(*folder);
    if (!IsJunkFolderAcceptable(sys, *folder)) return std::nullopt;
    return folder;
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
