#pragma once
// Helpers for the cleaner's tests under Wine: Unix links, a file held by another process,
// saved registry values and redirected shell folders.
#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "seams/Registry.h"
#include "platform/win32/Win32System.h"

namespace zt::test {

// The Unix path Wine maps a Windows path to.
std::string UnixPathOf(const std::string& windowsPath);
// Makes `link` a Unix symbolic link to `target` with the host's own ln, as a user would.
bool MakeUnixLink(const std::string& target, const std::string& link);

// Another process (this test program, in its holder role: it holds the file and exits
// before any test runs) keeps a file open without letting it be deleted, for as long as the
// object lives. `program` runs the holder from a copy of this program (a stand-in under
// another program's name); `asLock` holds the file for writing, as a program holds its lock
// file. held() is false when the holder could not be started.
class HeldFile {
  public:
    explicit HeldFile(const std::string& path, const std::string& program = {},
                      bool asLock = false);
    ~HeldFile();
    bool held() const { return process_ != nullptr; }

  private:
    HANDLE process_ = nullptr;
    HANDLE release_ = nullptr;
};

// Saves a registry value and puts it back when the object goes.
class SavedValue {
  public:
    SavedValue(Registry& reg, RootKey root, std::string key, std::string name);
    ~SavedValue();

  private:
    Registry& reg_;
    RootKey root_;
    std::string key_, name_;
    std::optional<RegValue> saved_;
};

// Sets a process environment variable and restores it when the object goes.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

// The real system, with the shell folders of cookies and internet cache pointed at
// scratch folders, and optionally links shown as plain folders.
class RedirectedSystem : public Win32System {
  public:
    std::map<KnownFolder, std::string> folders;
    bool hideReparsePoints = false;
    std::optional<std::string> GetKnownFolder(KnownFolder folder) override;
    bool EnumDirectory(std::string_view path,
                       const std::function<bool(const DirEntry&)>& visit) override;
};

} // namespace zt::test
