#pragma once
// Whether a registry string names a file or program that is gone. Every judgement leans
// towards present: only a string with a drive letter whose text and delimiter prefixes all
// fail to exist is missing.
#include <cstddef>
#include <optional>
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

    // What was tried, one line each, for a string IsPathMissing judged missing: the path after
    // quote removal, the program search and every prefix looked for as a file. Built from the
    // string alone, since every try failed.
    void ExplainMissingPath(std::string_view s, std::vector<std::string>& lines) const;
    // The program search of SearchProgram that found nothing.
    void ExplainSearch(std::string_view name, std::vector<std::string>& lines) const;

    // While caching, each file, program and App Paths name is looked up once; a scan turns it
    // on for its own duration, since files may come and go between scans.
    void SetCaching(bool on);

    Registry& registry() { return registry_; }
    System& system() { return system_; }

  private:
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
    Cache searchCache_, missingCache_, existsCache_, appPathCache_;
};

} // namespace zt
