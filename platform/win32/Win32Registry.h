#pragma once
// The registry seam over the platform's wide registry interface.
#include "seams/Registry.h"

namespace zt {

class Win32Registry : public Registry {
  public:
    Status OpenKeyStatus(HKey parent, std::string_view subkey, Access access, HKey& out) override;
    HKey CreateKey(HKey parent, std::string_view subkey) override;
    void CloseKey(HKey key) override;
    bool ReadValue(HKey key, std::string_view name, void* buffer, std::uint32_t size,
                   std::uint32_t* type, std::uint32_t* dataSize) override;
    std::optional<RegValue> ReadValueWhole(HKey key, std::string_view name) override;
    Status WriteValue(HKey key, std::string_view name, std::uint32_t type, const void* data,
                      std::uint32_t size) override;
    bool EnumKey(HKey key, std::uint32_t index, std::string& name,
                 std::uint32_t bufferChars) override;
    bool EnumValue(HKey key, std::uint32_t index, std::string& name, std::uint32_t nameBufferChars,
                   std::uint32_t& type, std::vector<std::uint8_t>& data,
                   std::uint32_t dataBufferBytes) override;
    bool EnumValueStored(HKey key, std::uint32_t index, std::string& name,
                         std::uint32_t nameBufferChars, std::uint32_t& type,
                         std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes) override;
    std::optional<RegValue> ReadValueStored(HKey key, std::string_view name) override;
    Status WriteValueStored(HKey key, std::string_view name, std::uint32_t type, const void* data,
                            std::uint32_t size) override;
    std::optional<KeyInfo> QueryKeyInfo(HKey key) override;
    std::optional<std::string> KeyObjectName(HKey key) override;
    Status DeleteValue(HKey key, std::string_view name) override;
    Status DeleteKeyTree(HKey parent, std::string_view subkey) override;
};

} // namespace zt
