#include "startup/startup_support.h"

namespace zt::test {

bool PlantString(Registry& reg, RootKey root, const std::string& keyPath, const std::string& name,
                 const std::string& text, std::uint32_t type) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), keyPath));
    if (!key) return false;
    return reg.WriteValue(key.get(), name, type, text.c_str(),
                          static_cast<std::uint32_t>(text.size() + 1));
}

} // namespace zt::test
