#pragma once
// The file-system and shell seam over the platform's wide interfaces: text crosses as UTF-8.
#include <string>
#include <string_view>

#include "seams/System.h"

namespace zt {

// `path` as the wide file calls take it: an absolute path long enough to meet the platform's
// old length limit in the "\\?\" form (slashes, "." and ".." resolved first), any other path
// as it is written.
std::wstring WidePath(std::string_view path);

// Running under Wine, which differs where the callers say: it opens the target of a Unix link
// even when asked for the link itself and lists such a link to a file as a plain file.
bool OnWine();

class Win32System : public System {
  public:
    std::optional<std::uint32_t> GetAttributes(std::string_view path) override;
    std::optional<std::string> SearchProgramPath(std::string_view name,
                                                 std::string_view extension) override;
    std::optional<std::string> GetEnvVar(std::string_view name) override;
    std::optional<std::string> ExpandEnv(std::string_view text) override;
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
    EntryCheck CheckEntry(std::string_view path) override;
    bool ListingShowsFileLinks() override;
    std::int64_t CurrentTime() override;
    std::optional<std::string> GetKnownFolder(KnownFolder folder) override;
    std::string GetTempFolder() override;
    std::string SystemFolder() override;
    std::string WindowsFolder() override;
    std::uint32_t LogicalDriveMask() override;
    DriveKind GetDriveKind(char letter) override;
    std::string GetModulePath() override;
    bool IsElevated() override;
    ShellResult RunElevated(std::string_view file, std::string_view parameters,
                            const std::atomic<bool>* stop) override;
    std::string CurrentUserSid() override;
    std::optional<RecycleBinInfo> QueryRecycleBin(std::string_view rootPath) override;
    [[nodiscard]] bool EmptyRecycleBin(WindowRef owner) override;
    bool WalkUrlCache(const std::function<bool(const UrlCacheEntry&)>& visit) override;
    [[nodiscard]] bool DeleteUrlEntry(std::string_view sourceUrl) override;
    ShellResult Execute(std::string_view verb, std::string_view file, std::string_view parameters,
                        int show, bool wait) override;
    std::optional<std::string> ResolveShortcut(std::string_view linkPath) override;
    LocalTime GetLocalTime() override;
    OutFileHandle CreateOutFile(std::string_view path) override;
    [[nodiscard]] bool WriteOutFile(OutFileHandle file, const void* data,
                                    std::size_t size) override;
    [[nodiscard]] bool CloseOutFile(OutFileHandle file) override;
    std::string LastFileError() override;
    [[nodiscard]] bool TruncateOutFile(OutFileHandle file, std::uint64_t size) override;
    ShellResult ExecuteAndWait(std::string_view verb, std::string_view file,
                               std::string_view parameters, int show,
                               std::uint32_t timeoutMs) override;
    std::optional<std::string> ReadWholeFile(std::string_view path) override;
    std::vector<std::string> RunningImageNames() override;
    bool IsFileHeldOpen(std::string_view path) override;
    std::optional<std::uint64_t> DriveFreeBytes(std::string_view root) override;
};

} // namespace zt
