#include "support/seams.h"

#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

#include "support/scratch_key.inc"

namespace zt::test {

std::unique_ptr<Registry> MakeRegistry() {
    return std::make_unique<MemoryRegistry>();
}
std::unique_ptr<System> MakeSystem() {
    return std::make_unique<MemorySystem>();
}
bool IsRealPlatform() {
    return false;
}

std::string ScratchFolder(System& sys) {
    static int counter = 0;
    std::string path = "C:\\Scratch\\t" + std::to_string(++counter);
    PlantFolder(sys, path);
    return path;
}

void PlantFile(System& sys, const std::string& path, const std::string& content) {
    dynamic_cast<MemorySystem&>(sys).AddFile(path, content.size());
}

void PlantFolder(System& sys, const std::string& path) {
    dynamic_cast<MemorySystem&>(sys).AddFolder(path);
}

void SetEnv(System& sys, const std::string& name, const std::string& value) {
    auto& mem = dynamic_cast<MemorySystem&>(sys);
    if (value.empty())
        mem.UnsetEnvironment(name);
    else
        mem.SetEnvironment(name, value);
}

} // namespace zt::test
