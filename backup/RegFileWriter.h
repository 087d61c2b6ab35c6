#pragma once
// Writes registry keys and values to a registry editor export file (REGEDIT4, 8-bit text,
// CR LF line ends), so the editor can put back what the program deletes.
#include <cstddef>
#include <cstdint>
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

// "@" for the default value; otherwise the name quoted, backslashes doubled first and then
// every double quote escaped.
std::string FormatValueName(std::string_view name);

// Appends one value line, CR LF included, to `out`. False (and nothing appended) when the
// editor could not read the value back: a name holding a line break.
bool AppendValueLine(std::string& out, std::string_view name, std::uint32_t type,
                     const std::uint8_t* data, std::size_t size);

class CRegFileWriter {
  public:
    // Makes sure the backup folder exists.
    CRegFileWriter(Registry& reg, System& sys);
    ~CRegFileWriter(); // finishes an open file
    CRegFileWriter(const CRegFileWriter&) = delete;
    CRegFileWriter& operator=(const CRegFileWriter&) = delete;

    // Finishes a file still open, then creates `path` (truncating it) and writes the
    // header. Throws FileError.
    void Open(const std::string& path);
    // Writes the closing empty line and closes the file. Throws FileError.
    void Close();
    bool IsOpen() const { return file_ != kNoOutFile; }
    // The file most recently opened.
    const std::string& fileName() const { return fileName_; }

    // Export the key with its whole subtree (an empty path is the root itself), or one
    // value under its own key block. Each export has reached the operating system when the
    // call returns. True when everything that deleting the key tree or the value removes is
    // in the file (also when there is nothing to delete); false when anything is missing,
    // and then nothing of this export is in the file and the caller must not delete. Throws
    // FileError.
    [[nodiscard]] bool ExportKey(RootKey root, std::string_view keyPath);
    [[nodiscard]] bool ExportValue(RootKey root, std::string_view keyPath,
                                   std::string_view valueName);
    // The same through `key`, already open on root\keyPath, so a run that deletes many
    // values of one key opens it once.
    [[nodiscard]] bool ExportValue(RootKey root, std::string_view keyPath, HKey key,
                                   std::string_view valueName);

    // Buffer sizes of the export, in characters or bytes, terminating NUL included.
    static constexpr std::uint32_t kValueNameChars = 1000;
    static constexpr std::uint32_t kValueDataBytes = 2000;
    static constexpr std::uint32_t kSubkeyNameChars = 500;
    static constexpr std::size_t kSubkeyPathBytes = 1004;

  private:
    void WriteKeyTree(HKey key, const std::string& path, bool& complete);
    void WriteValues(HKey key, const KeyInfo* info, bool& complete);
    bool KeyMayExist(RootKey root, std::string_view keyPath);
    bool ValueMayExist(HKey key, std::string_view name);
    void Write(std::string_view text);
    void Flush();
    void Finish();

    Registry& reg_;
    System& sys_;
    std::string fileName_;
    OutFileHandle file_ = kNoOutFile;
    std::string pending_;       // text of the export in progress, not yet written
    std::uint64_t written_ = 0; // bytes in the file, every piece whole
};

} // namespace zt
