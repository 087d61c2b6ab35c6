#include "startup/RunAtStartup.h"

#include <string>

namespace zt {

namespace {

std::string ReadRunValue(Registry& registry, RootKey root) {
    RegKey key(registry, registry.OpenKeyRead(RootHandle(root), kRunKeyPath));
    if (!key) return {};
    // Whole: a path of many non-ASCII letters takes more bytes than characters.
    std::optional<RegValue> value = registry.ReadValueWhole(key.get(), kRunValueName);
    if (!value) return {};
    std::string text(value->data.begin(), value->data.end());
    return text.substr(0, text.find('\0'));
}

Status DeleteRunValue(Registry& registry, RootKey root) {
    // Nothing to delete needs no rights.
    if (ReadRunValue(registry, root).empty()) return Status::Success();
    HKey opened = kNoKey;
    Status s = registry.OpenKeyStatus(RootHandle(root), kRunKeyPath, Access::Write, opened);
    RegKey key(registry, opened);
    if (s) s = registry.DeleteValue(key.get(), kRunValueName);
    return s.code() == StatusCode::NotFound ? Status::Success() : s;
}

Status WriteRunValue(Registry& registry, RootKey root, const std::string& path) {
    // Opens the key with read, set-value and create-subkey rights, creating it when missing.
    RegKey key(registry, registry.CreateKey(RootHandle(root), kRunKeyPath));
    if (!key) {
        HKey opened = kNoKey;
        Status s = registry.OpenKeyStatus(RootHandle(root), kRunKeyPath, Access::Write, opened);
        RegKey again(registry, opened);
        if (!s) return s;
        key = std::move(again);
    }
    // REG_SZ with its terminating zero counted.
    return registry.WriteValue(key.get(), kRunValueName, kRegSz, path.c_str(),
                               static_cast<std::uint32_t>(path.size() + 1));
}

} // namespace

std::optional<RootKey> FindRunAtStartup(Registry& registry, std::string_view exePath) {
    std::string path(exePath);
    for (RootKey root : {kLocalMachine, kCurrentUser})
        if (NamesEqual(ReadRunValue(registry, root), path)) return root;
    return std::nullopt;
}

Status SyncRunAtStartup(Registry& registry, bool on, std::string_view exePath) {
    if (!on) {
        Status machine = DeleteRunValue(registry, kLocalMachine);
        Status user = DeleteRunValue(registry, kCurrentUser);
        return machine ? user : machine;
    }
    if (FindRunAtStartup(registry, exePath)) return Status::Success();
    std::string path(exePath);
    Status machine = WriteRunValue(registry, kLocalMachine, path);
    if (machine) {
        // One registration, not two starts; a user's copy that cannot go is left as it was, and
        // the switch the user set holds either way.
        (void)DeleteRunValue(registry, kCurrentUser);
        return machine;
    }
    if (machine.code() != StatusCode::AccessDenied) return machine;
    return WriteRunValue(registry, kCurrentUser, path);
}

} // namespace zt
