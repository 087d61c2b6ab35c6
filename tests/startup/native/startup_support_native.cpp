#include "startup/startup_support.h"

#include "platform/memory/MemorySystem.h"
#include "support/seams.h"

namespace zt::test {

struct StartupSandbox::Saved {};

StartupSandbox::StartupSandbox(Registry& reg, System& sys) : reg_(reg), sys_(sys) {
    auto& mem = dynamic_cast<MemorySystem&>(sys);
    commonFolder_ = "C:\\ProgramData\\Start Menu\\Programs\\StartUp";
    userFolder_ = "C:\\users\\me\\Start Menu\\Programs\\StartUp";
    for (const auto* folder : {&commonFolder_, &userFolder_}) {
        for (std::size_t at = folder->find('\\', 3);; at = folder->find('\\', at + 1)) {
            mem.AddFolder(folder->substr(0, at));
            if (at == std::string::npos) break;
        }
    }
    mem.SetKnownFolder(KnownFolder::CommonStartup, commonFolder_);
    mem.SetKnownFolder(KnownFolder::Startup, userFolder_);
}

StartupSandbox::~StartupSandbox() = default;

void PlantShortcut(System& sys, const std::string& linkPath, const std::string& target) {
    auto& mem = dynamic_cast<MemorySystem&>(sys);
    mem.AddFile(linkPath, 100);
    std::string key = linkPath;
    for (auto& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    mem.shortcuts[key] = target;
}

std::optional<std::string> ReadWholeFile(System& sys, const std::string& path) {
    return dynamic_cast<MemorySystem&>(sys).FileContent(path);
}

} // namespace zt::test
