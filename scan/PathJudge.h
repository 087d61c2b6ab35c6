#pragma once
// Whether a registry string names a file or program that is gone. Every judgement leans
// towards present: only a string with a drive letter whose text and delimiter prefixes all
// fail to exist is missing.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

// Delimiters tried by IsPathMissing, in this order.
inline constexpr std::string_view kPathDelimiters = "/%- */\"<>|;(),^";
// Characters a plain file path never holds.
inline constexpr std::string_view kForbiddenPathChars = "/*/\"<>|;()^";
// A longer prefix is given to the existence test whole and also cut to this many characters.
inline constexpr std::size_t kMaxPrefixChars = 519;
inline constexpr std::string_view kDefaultProgramExtensions = ".COM;.EXE";
inline constexpr std::string_view kAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Which program's eyes a registry key is read with: a 64-bit key, a 32-bit key (below
// Wow6432Node) or one both kinds of program read and write (the views share it).
enum class RegView { Native, Wow32, Shared };

// A path or command as one view reads it.
struct ViewedText {
    std::string_view view; // "64-bit view", "32-bit view"...
    std::string text;
};

// How a registry string is run: a plain path, or a command line whose program counts.
enum class TextShape { Path, Command };

// Position of the drive letter when `s` starts with "X:\" or "?X:\"; A and B never count.
std::optional<std::size_t> FindDrivePrefix(std::string_view s);
// True for a plain file path without arguments.
bool LooksLikeFilePath(std::string_view s);
// The program extension list from PATHEXT, ".COM;.EXE" when it is unset or empty, cut to
// its first 998 characters.
std::string ReadProgramExtensions(System& sys);

class PathJudge {
  public:
    // Reads the program extension list once, as the page does when it is constructed.
    PathJudge(Registry& registry, System& system);
    PathJudge(Registry& registry, System& system, std::string programExtensions);

    const std::string& ProgramExtensions() const { return programExtensions_; }

    bool SearchProgram(std::string_view name);
    bool IsPathMissing(std::string_view s);
    std::string ExpandEnvironment(std::string_view s);
    bool IsAppPathMissing(std::string_view name);

    // The program of a command line, as the system starts it: the quoted path, or else the
    // first text before a blank (or the whole) that is a file. Missing only when none is, on
    // a drive that is judged; a bare MsiExec or rundll32 line counts by the system's program.
    bool IsCommandMissing(std::string_view command);
    // Why the drive of `s` is never judged ("drive D: is not present"), or none.
    std::optional<std::string> UnjudgedDrive(std::string_view s);

    // `raw` as each view of `view` reads it, the same text once: expanded (when asked) as a
    // program of that view expands it, Sysnative read as System32, and in the 32-bit view a
    // system folder path also as the 32-bit system folder.
    std::vector<ViewedText> ViewTexts(std::string_view raw, bool expand, RegView view);
    // Expands as a program of `view` (Native or Wow32) does.
    std::string ExpandInView(std::string_view s, RegView view);

    // What was tried, one line each, for a string IsPathMissing judged missing: the path after
    // quote removal, the program search and every prefix looked for as a file. Built from the
    // string alone, since every try failed.
    void ExplainMissingPath(std::string_view s, std::vector<std::string>& lines) const;
    // The program search of SearchProgram that found nothing.
    void ExplainSearch(std::string_view name, std::vector<std::string>& lines) const;
    // What was tried of a command IsCommandMissing judged missing.
    void ExplainMissingCommand(std::string_view command, std::vector<std::string>& lines) const;
    // Either of the two above, after the drive's own line where it is not judged.
    void Explain(std::string_view text, TextShape shape, std::vector<std::string>& lines);

    // While caching, each file, program and App Paths name is looked up once; a scan turns it
    // on for its own duration, since files may come and go between scans.
    void SetCaching(bool on);
    // Drive kinds asked once and kept across SetCaching(false): for a run of judgements one
    // at a time (the re-check before each backup), where asking the system per path is slow.
    void KeepDriveKinds() { keepDriveKinds_ = true; }

    Registry& registry() { return registry_; }
    System& system() { return system_; }

  private:
    bool IsFile(std::string_view path);
    // The length of the program folder the system names that `p` starts in, or 0. Its name
    // is never cut at a delimiter: "C:\Program Files (x86)" cut at its "(" names the 64-bit
    // folder, which says nothing of the file.
    std::size_t SystemFolderLength(std::string_view p) const;
    bool SearchProgramUncached(std::string_view name);
    bool IsPathMissingUncached(std::string_view s);
    bool IsAppPathMissingUncached(std::string_view name);
    bool ExistsCached(std::string_view path);

    using Cache = std::unordered_map<std::string, bool>;
    // Looks `key` up case-insensitively; computes and stores it when caching.
    template <class F> bool Cached(Cache& cache, std::string_view key, F compute);

    Registry& registry_;
    System& system_;
    std::string programExtensions_;
    bool caching_ = false;
    bool keepDriveKinds_ = false;
    Cache searchCache_, missingCache_, existsCache_, appPathCache_, commandCache_, fileCache_;
    std::array<std::optional<DriveKind>, 26> driveCache_{};
    // The folders a 32-bit program's variables name, read from the system, never assumed.
    std::string programFiles_, commonFiles_, programFilesX86_, commonFilesX86_;
    std::vector<std::string> programFolders_; // each of the four, with a trailing backslash
    std::string system32_;                    // "C:\windows\system32\"
    std::string sysWow64_;                    // "C:\windows\SysWOW64\"
    std::string sysnative_;                   // "C:\windows\Sysnative\"
};

} // namespace zt
