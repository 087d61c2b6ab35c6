#pragma once
// Writes registry keys and values to a registry editor export file, so the editor can put back
// what the program deletes. A file whose text is all ASCII is REGEDIT4 (8-bit text); the first
// export holding any other character turns the file into "Windows Registry Editor Version 5.00"
// (UTF-16LE with a byte-order mark), which no change of the system's code page can alter. Both
// use CR LF line ends and the same line forms.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt {

// A backup file that cannot be created or written. It ends the user's command that was
// writing; what() is the description to show.
class FileError : public std::runtime_error {
  public:
    FileError(std::string fileName, const std::string& description);
    const std::string& fileName() const { return fileName_; }

  private:
    std::string fileName_;
};

enum class RegFileForm { Regedit4, Unicode5 };

inline constexpr std::string_view kRegedit4Header = "REGEDIT4";
inline constexpr std::string_view kUnicode5Header = "Windows Registry Editor Version 5.00";

// "@" for the default value; otherwise the name quoted, backslashes doubled first and then
// every double quote escaped.
std::string FormatValueName(std::string_view name);

// Whether a REGEDIT4 file can carry the value: its name is ASCII and a string type's stored
// UTF-16LE data is whole ASCII units. Otherwise only a 5.00 file can.
bool FitsRegedit4(std::string_view name, std::uint32_t type, const std::uint8_t* stored,
                  std::size_t size);

// Appends one value line, CR LF included, to `out` (UTF-8 text of the file's lines): `stored`
// is the data as the registry stores it (string types as UTF-16LE). In a REGEDIT4 file the
// value must fit it (FitsRegedit4). False (and nothing appended) when the editor could not read
// the value back: a name holding a line break, a zero or an unpaired surrogate.
bool AppendValueLine(std::string& out, RegFileForm form, std::string_view name, std::uint32_t type,
                     const std::uint8_t* stored, std::size_t size);

class CRegFileWriter {
  public:
    // Makes sure the backup folder exists.
    CRegFileWriter(Registry& reg, System& sys);
    ~CRegFileWriter(); // finishes an open file
    CRegFileWriter(const CRegFileWriter&) = delete;
    CRegFileWriter& operator=(const CRegFileWriter&) = delete;

    // Finishes a file still open, then creates `path` (truncating it) and writes the
    // REGEDIT4 header. Throws FileError.
    void Open(const std::string& path);
    // Writes the closing empty line and closes the file. Throws FileError.
    void Close();
    bool IsOpen() const { return file_ != kNoOutFile; }
    // The file most recently opened.
    const std::string& fileName() const { return fileName_; }
    // The form of the open file.
    RegFileForm form() const { return form_; }

    // Export the key with its whole subtree (an empty path is the root itself), or one
    // value under its own key block. Each export has reached the operating system when the
    // call returns. True when everything that deleting the key tree or the value removes is
    // in the file (also when there is nothing to delete); false when anything is missing,
    // and then nothing of this export is in the file, the caller must not delete, and
    // keptBackCause() says why. Throws FileError.
    [[nodiscard]] bool ExportKey(RootKey root, std::string_view keyPath);
    [[nodiscard]] bool ExportValue(RootKey root, std::string_view keyPath,
                                   std::string_view valueName);
    // The same through `key`, already open on root\keyPath, so a run that deletes many
    // values of one key opens it once.
    [[nodiscard]] bool ExportValue(RootKey root, std::string_view keyPath, HKey key,
                                   std::string_view valueName);
    // Why the last export returned false, for the user; empty after one that returned true.
    const std::string& keptBackCause() const { return cause_; }

    // Buffer sizes of the export, in UTF-16 units or bytes, terminating zero included.
    static constexpr std::uint32_t kValueNameChars = 1000;
    static constexpr std::uint32_t kValueDataBytes = 2000;
    static constexpr std::uint32_t kSubkeyNameChars = 500;
    static constexpr std::size_t kSubkeyPathChars = 1004;

  private:
    // The block path of root\keyPath, with the pending block emptied for it; none (and the
    // cause set) when no file can hold it.
    std::optional<std::string> BeginExport(RootKey root, std::string_view keyPath);
    void WriteKeyTree(HKey key, const std::string& path, std::size_t pathUnits);
    void WriteValues(HKey key, const KeyInfo* info);
    void AddKeyLine(std::string_view path);
    void AddValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data);
    void Miss(std::string_view cause);
    bool KeyMayExist(RootKey root, std::string_view keyPath);
    bool ValueMayExist(HKey key, std::string_view name);
    void WriteBytes(const std::string& bytes);
    void WriteText(const std::string& text);
    void Flush();
    void SwitchToUnicode();
    void Finish();

    Registry& reg_;
    System& sys_;
    std::string fileName_;
    OutFileHandle file_ = kNoOutFile;
    RegFileForm form_ = RegFileForm::Regedit4;
    std::string history_; // a REGEDIT4 file's text so far, to rewrite it as 5.00
    std::string pending_; // lines of the export in progress (UTF-8), not yet written
    RegFileForm pendingForm_ = RegFileForm::Regedit4;
    std::string cause_;         // why the export in progress is incomplete
    std::uint64_t written_ = 0; // bytes in the file, every piece whole
};

} // namespace zt
