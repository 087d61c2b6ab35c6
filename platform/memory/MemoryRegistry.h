#pragma once
// An in-memory registry for native tests and fuzzing: names compare as the registry compares
// them, enumeration follows creation order, data is kept in the platform's stored form (string
// types as UTF-16LE), and the platform's size limits hold (in UTF-16 units).
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "seams/Registry.h"

namespace zt {

class MemoryRegistry : public Registry {
  public:
    MemoryRegistry();
    ~MemoryRegistry() override;

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
    Status DeleteValue(HKey key, std::string_view name) override;
    Status DeleteKeyTree(HKey parent, std::string_view subkey) override;

    // Makes key `path` of `root` and everything below it read-only, as machine keys are to a
    // user without administrator rights: opening for writing, creating, writing and deleting
    // fail with access denied. With `value`, only that value of the key is read-only. The key
    // is created when missing; deny after planting what lies below it.
    void DenyWrite(RootKey root, std::string_view path,
                   std::optional<std::string_view> value = std::nullopt);

    // Makes HKEY_CLASSES_ROOT the merged view a real machine has: HKCU\Software\Classes over
    // HKLM\Software\Classes, the per-user key first. Off: the classes root is a tree of its own.
    void MergeClassesRoot(bool on) { mergeClasses_ = on; }

    // Keys currently open (for leak checks in tests).
    std::size_t OpenHandleCount() const { return handles_.size(); }

    struct Node;

  private:
    struct Handle {
        std::shared_ptr<Node> node;
        Access access;
    };
    Node* Resolve(HKey key, Access* access = nullptr);
    std::shared_ptr<Node> Walk(Node* from, std::string_view subkey, bool create);
    HKey NewHandle(std::shared_ptr<Node> node, Access access);
    bool IsMergedClassesRoot(HKey key) const {
        return mergeClasses_ && key == RootHandle(kClassesRoot);
    }
    // The physical parent and path a merged classes-root path resolves to.
    std::pair<HKey, std::string> ClassesTarget(std::string_view subkey, bool forCreate);
    std::vector<std::string> MergedClassNames();

    std::map<RootKey, std::shared_ptr<Node>> roots_;
    std::map<HKey, Handle> handles_;
    HKey nextHandle_ = 0x1000;
    bool mergeClasses_ = false;
};

} // namespace zt
