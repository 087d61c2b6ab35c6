#pragma once
// What the startup tests need from the platform under them: a clean set of startup
// locations (restored afterwards under Wine), the two startup folders, and shortcuts.
#include <memory>
#include <optional>
#include <string>

#include "seams/Registry.h"
#include "seams/System.h"

namespace zt::test {

// Empties every startup key and value and both startup folders for the life of the object;
// under Wine the previous contents come back when it goes.
class StartupSandbox {
  public:
    StartupSandbox(Registry& reg, System& sys);
    ~StartupSandbox();
    StartupSandbox(const StartupSandbox&) = delete;
    StartupSandbox& operator=(const StartupSandbox&) = delete;

    const std::string& commonFolder() const { return commonFolder_; }
    const std::string& userFolder() const { return userFolder_; }

  private:
    struct Saved;
    Registry& reg_;
    System& sys_;
    std::string commonFolder_;
    std::string userFolder_;
    std::unique_ptr<Saved> saved_;
};

// A shortcut file at `linkPath` whose stored target is `target`, made with the shell link
// object under Wine.
void PlantShortcut(System& sys, const std::string& linkPath, const std::string& target);

// The whole content of a file, or an empty optional when it cannot be read.
std::optional<std::string> ReadWholeFile(System& sys, const std::string& path);

// True when a file or folder exists.
inline bool PathExists(System& sys, const std::string& path) {
    return sys.Exists(path);
}

// Writes a string value of the given type with its terminating zero.
bool PlantString(Registry& reg, RootKey root, const std::string& keyPath, const std::string& name,
                 const std::string& text, std::uint32_t type = kRegSz);

} // namespace zt::test
