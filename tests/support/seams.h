#pragma once
// The seams as a test sees them: the in-memory fakes in the native build, the real platform
// under Wine. Contract suites in tests/<area>/common use only this header.
#include <memory>
#include <string>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt::test {

std::unique_ptr<Registry> MakeRegistry();
std::unique_ptr<System> MakeSystem();
bool IsRealPlatform();

// A fresh, empty folder for this test, as a Windows path without trailing backslash.
std::string ScratchFolder(System& sys);
// Creates a file with the given content (folders above it must exist).
void PlantFile(System& sys, const std::string& path, const std::string& content = {});
void PlantFolder(System& sys, const std::string& path);
// Sets a process environment variable for the seam (empty value unsets it).
void SetEnv(System& sys, const std::string& name, const std::string& value);

// A key below HKCU\Software\ZentroveTest unique to the running test; the whole tree is
// deleted when the object goes.
class ScratchKey {
  public:
    explicit ScratchKey(Registry& reg);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& path() const { return path_; }
    RootKey root() const { return kCurrentUser; }
    HKey Create(const std::string& sub = {}); // caller closes

  private:
    Registry& reg_;
    std::string path_;
};

} // namespace zt::test
