#include "app/RunAtStartup.h"

#include <cstring>
#include <string>

namespace zt {

void SyncRunAtStartup(Registry& registry, bool on, std::string_view exePath) {
    // Opens the key with read, set-value and create-subkey rights, creating it when missing.
    RegKey key(registry, registry.CreateKey(RootHandle(kLocalMachine), kRunKeyPath));
    if (!key) return;
    if (!on) {
        registry.DeleteValue(key.get(), kRunValueName);
        return;
    }
    char current[1000] = {};
    std::uint32_t type = 0;
    if (!registry.ReadValue(key.get(), kRunValueName, current, sizeof current - 1, &type))
        current[0] = '\0';
    std::string path(exePath.substr(0, 999));
    if (NamesEqual(current, path)) return;
    // REG_SZ with its terminating zero counted.
    registry.WriteValue(key.get(), kRunValueName, kRegSz, path.c_str(),
                        static_cast<std::uint32_t>(path.size() + 1));
}

} // namespace zt
