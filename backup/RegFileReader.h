#pragma once
// Reads a backup file back: the key blocks and value lines the writer produces (and the
// registry editor's own exports), REGEDIT4 (8-bit text in the system's ANSI code page) or
// version 5.00 (UTF-16LE, with or without a byte-order mark), and compares what a file names
// with the registry as it is now.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/Registry.h"

namespace zt {

struct RegFileValue {
    std::string name; // empty: the key's default value
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data; // as the registry will store it: string types as UTF-16LE
                                    // (a quoted string ends in a zero unit)
};

struct RegFileKey {
    RootKey root = 0;
    std::string subkey; // below the root; empty for the root itself
    std::string path;   // as written between the brackets
    std::vector<RegFileValue> values;
};

struct RegFile {
    bool ok = false;
    bool unicode = false; // a version 5.00 file: string types' byte lists are UTF-16LE
    int errorLine = 0;    // 1-based line that does not parse, when !ok
    std::string reason;   // why it does not parse
    std::vector<RegFileKey> blocks;
};

// Text in the system's ANSI code page as UTF-8 (System::FromAnsiCodePage).
using AnsiDecoder = std::function<std::string(std::string_view)>;

// Parses the whole file as it is on disk. The 8-bit text of a REGEDIT4 file, and the bytes it
// gives for string types, are read through `fromAnsi` as the system's editor reads them
// (without one, as UTF-8; ASCII is the same either way). A file whose last line has no line
// end was cut short and does not parse; a header alone parses to no blocks.
RegFile ParseRegFile(std::string_view fileBytes, const AnsiDecoder& fromAnsi = {});

enum class EntryState { Same, Different, Missing };

// One key or one value a file names, with how the registry holds it now.
struct RegFileEntry {
    RootKey root = 0;
    std::string keyPath;   // full text, as in the file
    std::string subkey;    // below the root
    bool isValue = false;  // otherwise the key itself
    std::string valueName; // when isValue
    RegFileValue expected; // when isValue: the file's last word on it
    EntryState state = EntryState::Missing;
};

// Every key (once) and every value (once, the last line naming it wins, as the editor
// replays in order) of the file, in the order they first appear.
std::vector<RegFileEntry> EntriesOf(const RegFile& file);

// Fills each entry's state from the registry: the key opens, the value has the same type
// and the same bytes as stored.
void CompareWithRegistry(Registry& reg, std::vector<RegFileEntry>& entries);

// "HKEY_...\Key" for a key, "HKEY_...\Key: "Name"" (or ": @") for a value.
std::string DescribeEntry(const RegFileEntry& entry);

} // namespace zt
