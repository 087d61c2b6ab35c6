#include "diskclean/FolderWalk.h"
#include "seams/AsciiText.h"

#include <vector>

namespace zt {

namespace {

std::string Join(std::string_view folder, std::string_view name) {
    std::string p;
    p.reserve(folder.size() + 1 + name.size());
    p.append(folder);
    p += '\\';
    p.append(name);
    return p;
}

// The real path of a subfolder that may be entered, or none. `parentReal` is the real path
// of the folder being walked; the subfolder must be no link and resolve to parentReal\name.
std::optional<std::string> EnterableReal(System& sys, const DirEntry& e, const std::string& path,
                                         const std::string& parentReal) {
    if (e.IsReparsePoint()) return std::nullopt;
    auto real = sys.FinalPath(path);
    if (!real || !SamePath(*real, Join(parentReal, e.name))) return std::nullopt;
    return real;
}

std::uint64_t SizeBelow(System& sys, const std::string& folder, const std::string& real,
                        bool keepIndexFiles, const std::atomic<bool>* stop) {
    std::uint64_t total = 0;
    sys.EnumDirectory(folder, [&](const DirEntry& e) {
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        if (e.IsDirectory()) {
            std::string path = Join(folder, e.name);
            if (auto childReal = EnterableReal(sys, e, path, real))
                total += SizeBelow(sys, path, *childReal, keepIndexFiles, stop);
        } else if (!e.IsReparsePoint() && !(keepIndexFiles && IsIndexFileName(e.name))) {
            // A link to a file holds none of its target's bytes.
            total += e.size;
        }
        return true;
    });
    return total;
}

void DeleteBelow(System& sys, const std::string& folder, const std::string& real,
                 bool removeSubfolders, bool keepIndexFiles, bool& allDeleted) {
    // The listing is taken first so deleting never disturbs the enumeration.
    std::vector<DirEntry> entries;
    if (!sys.EnumDirectory(folder, [&](const DirEntry& e) {
            entries.push_back(e);
            return true;
        }))
        return;
    for (const DirEntry& e : entries) {
        std::string path = Join(folder, e.name);
        if (e.IsDirectory()) {
            auto childReal = EnterableReal(sys, e, path, real);
            if (!childReal) continue;
            DeleteBelow(sys, path, *childReal, removeSubfolders, keepIndexFiles, allDeleted);
            if (removeSubfolders) sys.RemoveFolder(path);
        } else if (!(keepIndexFiles && IsIndexFileName(e.name))) {
            // A link to a file can look like a plain file (Wine shows a Unix link so), and
            // deleting it there deletes its target: only a file that really is where it is
            // listed is deleted. A file marked as a link is the link itself.
            if (!e.IsReparsePoint()) {
                auto fileReal = sys.FinalPath(path);
                if (fileReal && !SamePath(*fileReal, Join(real, e.name))) continue;
            }
            if (!sys.RemoveFile(path)) allDeleted = false;
        }
    }
}

std::optional<std::string> RealRoot(System& sys, std::string_view folder) {
    auto real = sys.FinalPath(folder);
    while (real && !real->empty() && real->back() == '\\')
        real->pop_back();
    return real;
}

} // namespace

bool SamePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool IsBelow(std::string_view path, std::string_view ancestor) {
    while (!ancestor.empty() && ancestor.back() == '\\')
        ancestor.remove_suffix(1);
    return path.size() > ancestor.size() + 1 && path[ancestor.size()] == '\\' &&
           SamePath(path.substr(0, ancestor.size()), ancestor);
}

bool IsIndexFileName(std::string_view name) {
    return SamePath(name, "index.dat") || SamePath(name, "desktop.ini");
}

std::uint64_t GetFolderSize(System& sys, std::string_view folder, bool keepIndexFiles,
                            const std::atomic<bool>* stop) {
    std::string root(folder);
    while (root.size() > 1 && root.back() == '\\')
        root.pop_back();
    auto real = RealRoot(sys, root);
    if (!real) return 0;
    return SizeBelow(sys, root, *real, keepIndexFiles, stop);
}

void DeleteFolderContents(System& sys, std::string_view folder, bool removeSubfolders,
                          bool keepIndexFiles, bool& allDeleted) {
    std::string root(folder);
    while (root.size() > 1 && root.back() == '\\')
        root.pop_back();
    auto real = RealRoot(sys, root);
    if (!real) return;
    DeleteBelow(sys, root, *real, removeSubfolders, keepIndexFiles, allDeleted);
}

} // namespace zt
