#pragma once
// The real system seen from a test program: the programs are those of the build folder (the
// elevated helper beside `zentrove.exe`) and the process lacks administrator rights, as a
// standard user's would; under Wine it has them.
#include <string>

#include "platform/win32/Win32System.h"

namespace zt::test {

class BuildFolderSystem : public Win32System {
  public:
    std::string GetModulePath() override {
        std::string path = Win32System::GetModulePath();
        path.erase(path.find_last_of('\\')); // tests folder
        path.erase(path.find_last_of('\\')); // build folder
        return path + "\\zentrove.exe";
    }
    bool IsElevated() override { return false; }
};

} // namespace zt::test
