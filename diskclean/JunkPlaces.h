#pragma once
// The five places the disk cleaner can empty: where each is, how its size is written and
// which folders it must never touch.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

// In measuring order.
enum class JunkItem { RecycleBin, Cookies, UserTemp, SystemTemp, InternetCache };
inline constexpr std::size_t kJunkItemCount = 5;
inline constexpr std::array<JunkItem, kJunkItemCount> kJunkMeasuringOrder = {
    JunkItem::RecycleBin, JunkItem::Cookies, JunkItem::UserTemp, JunkItem::SystemTemp,
    JunkItem::InternetCache};

// Folder paths are held in buffers of this many bytes, so a path has at most 519 characters.
inline constexpr std::size_t kJunkPathBufferBytes = 520;

// The check box's template text, shown until a size is known ("Clean the cookies").
std::string_view JunkTemplateText(JunkItem item);
// The check box's text once measured: "Clean the cookies (1.50 KB)".
std::string JunkCaption(JunkItem item, std::uint64_t bytes);
// Short machine name, also the console tool's option without "--" ("recycle-bin", "cookies",
// "user-temp", "system-temp", "internet-cache").
std::string_view JunkPlaceName(JunkItem item);
// Whether index files ("index.dat", "desktop.ini") of the place are kept and not counted.
bool JunkKeepsIndexFiles(JunkItem item);

// The short size text: "1023 B", "1.50 KB" ... "too big! (more than 1024 TB)".
std::string FormatSize(std::uint64_t bytes);

// Removes one trailing backslash, if present.
void RemoveTrailingBackslash(std::string& path);

// The machine-wide temporary folder from HKLM's environment key ("TEMP", else "TMP"),
// expanded when it is REG_EXPAND_SZ; none when the key does not open, the value is missing
// or of another type, or the text does not fit the 520-byte buffer (a cut path would name
// another folder).
std::optional<std::string> GetSystemTempFolder(Registry& reg, System& sys);

// The folder of a place, without trailing backslash, or none when the system does not report
// one or it is not a folder the cleaner may touch (see IsJunkFolderAcceptable). None for the
// Recycle Bin.
std::optional<std::string> GetJunkFolder(Registry& reg, System& sys, JunkItem item);

// A folder reported for a place is refused when it is empty, relative, a drive or share root,
// the Windows or system folder or a folder above the Windows folder: a misset TEMP must not
// turn cleaning into wiping a drive.
bool IsJunkFolderAcceptable(System& sys, std::string_view folder);

// The sum of every drive's Recycle Bin in the logical drive mask; failed queries add nothing.
std::uint64_t GetRecycleBinTotal(System& sys);

} // namespace zt
