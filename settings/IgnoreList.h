#pragma once
// Entries the user told the scan to leave alone, kept in the program's profile key
// ("Software\Morvane\<application>\IgnoreList", one numbered subkey per entry). Registry names
// compare without regard to letter case, so entries do too.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Registry.h"

namespace zt {

class SettingsStore;

enum class IgnoreKind {
    Value, // one value of one key (the empty name is the key's default value)
    Key,   // the key itself, as a key finding names it
    Tree,  // the key and everything below it
};

struct IgnoreEntry {
    RootKey root = 0;
    std::string keyPath;   // below the root, no backslash at either end
    std::string valueName; // Value entries only
    IgnoreKind kind = IgnoreKind::Tree;
};

enum class IgnoreProblem {
    None,
    UnknownRoot,
    EmptyKeyPath,
    EmptyKeyName, // two backslashes in a row
    KeyNameTooLong,
    KeyPathTooDeep,
    ValueNameTooLong,
    AlreadyIgnored, // the same entry, in any letter case, or one inside an ignored tree
};

// A short sentence for messages ("the key path is empty").
std::string_view IgnoreProblemText(IgnoreProblem problem);

// Checks an entry against the registry's rules, first removing backslashes at both ends of
// its key path.
IgnoreProblem CheckIgnoreEntry(IgnoreEntry& entry);

// Splits "HKEY_CURRENT_USER\Software\X" (or "HKCU\Software\X") into root and key path.
IgnoreProblem ParseIgnoreKeyPath(std::string_view text, RootKey& root, std::string& keyPath);

// Whether `entry` takes in the finding at root/keyPath (a key finding, or the value
// `valueName` of that key).
bool IgnoreMatches(const IgnoreEntry& entry, RootKey root, std::string_view keyPath,
                   std::string_view valueName, bool keyFinding);

// What a list of entries shows beside the key path: the value name, "(default)" for the
// default value, "(key)", or "(key and below)".
std::string IgnoreWhatText(const IgnoreEntry& entry);

class IgnoreList {
  public:
    const std::vector<IgnoreEntry>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }

    // Checks and appends; refuses an entry that the list already takes in.
    IgnoreProblem Add(IgnoreEntry entry);
    // By position (0-based); false when there is none.
    bool Remove(std::size_t index);
    bool Ignores(RootKey root, std::string_view keyPath, std::string_view valueName,
                 bool keyFinding) const;

  private:
    std::vector<IgnoreEntry> entries_;
};

inline constexpr std::string_view kIgnoreListKey = "IgnoreList";

// Entries that break the rules (edited by hand) are passed over.
IgnoreList LoadIgnoreList(const SettingsStore& store);
// Replaces the stored list; false when it could not be written whole.
[[nodiscard]] bool SaveIgnoreList(const SettingsStore& store, const IgnoreList& list);

} // namespace zt
