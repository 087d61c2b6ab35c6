#pragma once
// An in-memory file system and shell for native tests. Paths are Windows paths
// ("C:\dir\file") of any length, compared as the platform compares names (FoldName); a
// trailing backslash is ignored.
#include <map>
#include <string>
#include <vector>

#include "seams/System.h"

namespace zt {

class MemorySystem : public System {
  public:
    MemorySystem();

    // Setup for tests.
    void AddFile(std::string_view path, std::uint64_t size = 0,
                 std::uint32_t attributes = kAttrArchive);
    void AddFolder(std::string_view path, std::uint32_t attributes = kAttrDirectory);
    // A link at `path` to the file or folder `target` (which need not exist).
    void AddLink(std::string_view path, std::string_view target, bool toFolder);
    // Like Wine: listings show links as what they point to, and OpenEntry follows them.
    bool linksFollowed = false;
    std::vector<std::string> unlistable; // folders whose listing fails
    void SetEnvironment(std::string_view name, std::string_view value);
    void UnsetEnvironment(std::string_view name);
    void SetKnownFolder(KnownFolder folder, std::string_view path);
    // Folders the program search looks in, in order.
    std::vector<std::string> searchFolders;
    std::map<std::string, std::string> shortcuts; // link path (any case) -> target
    std::vector<UrlCacheEntry> urlCache;
    std::map<std::string, RecycleBinInfo> recycleBins; // "C:\" -> contents
    std::uint32_t logicalDrives = 1u << 2;             // C:
    // Makes the drive of `letter` present as `kind` (Absent takes it away); a drive present
    // in `logicalDrives` without a kind of its own is fixed.
    void SetDriveKind(char letter, DriveKind kind);
    LocalTime now{2026, 12, 8, 15, 30, 0, 0, 2};
    std::string tempFolder = "C:\\Temp\\";
    std::string systemDirectory = "C:\\windows\\system32";
    std::string windowsDirectory = "C:\\windows";
    std::string modulePath = "C:\\Program Files\\Zentrove\\zentrove.exe";
    struct Execution {
        std::string verb, file, parameters;
        int show;
        bool wait;
    };
    std::vector<Execution> executions;
    bool shellExecuteSucceeds = true;
    std::vector<std::string> undeletable; // paths whose deletion fails (sharing violation)
    bool elevated = true;
    // Deleting `path` or anything below it, or making a folder there, fails: access denied.
    void DenyDelete(std::string_view path) { denied_.push_back(Key(path)); }
    // Output files: bytes the disk still takes (writes beyond fail as on a full disk), the
    // time stamp new and written files get, and creations that fail.
    std::uint64_t freeBytes = ~std::uint64_t{0};
    std::int64_t fileClock = 1765207800; // seconds since 1970
    std::int64_t currentTime = 1765207800;
    std::vector<std::string> uncreatable;
    void SetLastWriteTime(std::string_view path, std::int64_t time);
    // Content of a file written through the output-file calls (or planted), or none.
    std::optional<std::string> FileContent(std::string_view path) const;
    void PlantFile(std::string_view path, std::string_view content);
    std::size_t OpenOutFileCount() const { return outFiles_.size(); }

    std::optional<std::uint32_t> GetAttributes(std::string_view path) override;
    std::optional<std::string> SearchProgramPath(std::string_view name,
                                                 std::string_view extension) override;
    std::optional<std::string> GetEnvVar(std::string_view name) override;
    std::optional<std::string> ExpandEnv(std::string_view text) override;
    // Every letter the platform's name folding knows, lowered.
    std::string LowerText(std::string_view text) override;
    std::string FromAnsiCodePage(std::string_view bytes) override;
    bool EnumDirectory(std::string_view path,
                       const std::function<bool(const DirEntry&)>& visit) override;
    Status RemoveFile(std::string_view path) override;
    Status RemoveFolder(std::string_view path) override;
    Status MakeFolder(std::string_view path) override;
    std::optional<std::string> FinalPath(std::string_view path) override;
    EntryHandle OpenEntry(std::string_view path, EntryFacts& facts) override;
    Status RemoveOpenedEntry(EntryHandle entry) override;
    void CloseEntry(EntryHandle entry) override;
    bool ListingShowsFileLinks() override { return !linksFollowed; }
    std::int64_t CurrentTime() override { return currentTime; }
    std::optional<std::string> GetKnownFolder(KnownFolder folder) override;
    std::string GetTempFolder() override { return tempFolder; }
    std::string SystemFolder() override { return systemDirectory; }
    std::string WindowsFolder() override { return windowsDirectory; }
    std::uint32_t LogicalDriveMask() override { return logicalDrives; }
    DriveKind GetDriveKind(char letter) override;
    std::string GetModulePath() override { return modulePath; }
    bool IsElevated() override { return elevated; }
    std::optional<RecycleBinInfo> QueryRecycleBin(std::string_view rootPath) override;
    [[nodiscard]] bool EmptyRecycleBin(WindowRef owner) override;
    bool WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) override;
    [[nodiscard]] bool DeleteUrlEntry(std::string_view sourceUrl) override;
    ShellResult Execute(std::string_view verb, std::string_view file, std::string_view parameters,
                        int show, bool wait) override;
    std::optional<std::string> ResolveShortcut(std::string_view linkPath) override;
    LocalTime GetLocalTime() override { return now; }
    OutFileHandle CreateOutFile(std::string_view path) override;
    [[nodiscard]] bool WriteOutFile(OutFileHandle file, const void* data,
                                    std::size_t size) override;
    [[nodiscard]] bool CloseOutFile(OutFileHandle file) override;
    std::string LastFileError() override { return lastFileError_; }
    ShellResult ExecuteAndWait(std::string_view verb, std::string_view file,
                               std::string_view parameters, int show,
                               std::uint32_t timeoutMs) override;
    std::optional<std::string> ReadWholeFile(std::string_view path) override;
    [[nodiscard]] bool TruncateOutFile(OutFileHandle file, std::uint64_t size) override;
    // Runs in ExecuteAndWait in place of the started program (a fake registry editor).
    std::function<void(const std::string& parameters)> onExecuteAndWait;
    // RunElevated: each start, then the program run in its place (its exit code), unless the
    // consent is declined.
    std::vector<Execution> elevatedRuns;
    std::function<std::uint32_t(const std::string& parameters)> elevatedProgram;
    bool elevationDeclined = false;
    std::string userSid = "S-1-5-21-1111-2222-3333-1001";
    ShellResult RunElevated(std::string_view file, std::string_view parameters,
                            const std::atomic<bool>* stop) override;
    std::string CurrentUserSid() override { return userSid; }
    bool processTimesOut = false;           // ExecuteAndWait reports the program still running
    std::vector<std::string> unreadable;    // paths whose reading fails (locked)
    std::vector<std::string> runningImages; // image names RunningImageNames lists
    std::vector<std::string> heldOpen;      // files another program holds open, unshared
    // Free bytes per drive root ("C:\\"); a deleted file adds its size, unless listed in
    // `sharedData` (a hard-linked or compressed file frees nothing or less).
    std::map<std::string, std::uint64_t> driveFree;
    std::vector<std::string> sharedData;
    std::vector<std::string> RunningImageNames() override { return runningImages; }
    bool IsFileHeldOpen(std::string_view path) override;
    std::optional<std::uint64_t> DriveFreeBytes(std::string_view root) override;

  private:
    struct Entry {
        std::string path; // as first written
        std::uint32_t attributes;
        std::uint64_t size;
        std::int64_t lastWriteTime = 0;
    };
    // The entry a listing or an open shows for `e`: a link's target where links are followed.
    const Entry* Shown(const std::string& key, const Entry& e) const;
    std::string LinkTarget(const std::string& key) const;
    std::map<std::string, std::string> links_; // key of a link -> its target
    struct OpenEntryState {
        std::string key;
        bool remove = false;
    };
    std::map<EntryHandle, OpenEntryState> openEntries_;
    EntryHandle nextEntry_ = 0x100;
    static std::string Key(std::string_view path);
    bool Listed(const std::vector<std::string>& paths, const std::string& key) const;
    // Frees the bytes of the entry at `key` on its drive, as deleting it does.
    void Freed(const std::string& key);
    bool Denied(const std::string& key) const;
    std::vector<std::string> denied_;        // keys of DenyDelete
    std::map<std::string, Entry> entries_;   // key: folded path
    std::map<std::string, std::string> env_; // key: folded name
    std::map<KnownFolder, std::string> known_;
    std::map<int, DriveKind> driveKinds_;           // key: drive number, 0 for A:
    std::map<std::string, std::string> contents_;   // key: folded path
    std::map<OutFileHandle, std::string> outFiles_; // handle -> key of its file
    OutFileHandle nextOutFile_ = 0x100;
    std::string lastFileError_;
};

} // namespace zt
