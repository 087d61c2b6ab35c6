#include "platform/memory/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace zt {

struct MemoryRegistry::Node {
    std::string name;
    bool deleted = false;
    bool denied = false;                   // DenyWrite: read-only with everything below
    std::vector<std::string> deniedValues; // DenyWrite of single values
    std::vector<std::shared_ptr<Node>> children;
    struct Value {
        std::string name;
        RegValue value;
    };
    std::vector<Value> values;

    std::shared_ptr<Node> Child(std::string_view n) const {
        for (const auto& c : children)
            if (NamesEqual(c->name, n)) return c;
        return nullptr;
    }
    bool ValueDenied(std::string_view n) const {
        if (denied) return true;
        for (const auto& d : deniedValues)
            if (NamesEqual(d, n)) return true;
        return false;
    }
    bool AnyDenied() const {
        if (denied || !deniedValues.empty()) return true;
        for (const auto& c : children)
            if (c->AnyDenied()) return true;
        return false;
    }
    Value* FindValue(std::string_view n) {
        for (auto& v : values)
            if (NamesEqual(v.name, n)) return &v;
        return nullptr;
    }
};

namespace {
void MarkDeleted(MemoryRegistry::Node& node);
void MarkDenied(MemoryRegistry::Node& node) {
    node.denied = true;
    for (auto& c : node.children)
        MarkDenied(*c);
}
const Status kDenied = Status::From(StatusCode::AccessDenied, kOsErrorAccessDenied);
} // namespace

void MemoryRegistry::DenyWrite(RootKey root, std::string_view path,
                               std::optional<std::string_view> value) {
    auto node = Walk(roots_.at(root).get(), path, true);
    if (!node) return;
    if (value)
        node->deniedValues.emplace_back(*value);
    else
        MarkDenied(*node);
}

MemoryRegistry::MemoryRegistry() {
    for (RootKey r : {kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kCurrentConfig}) {
        auto node = std::make_shared<Node>();
        node->name = std::string(RootFullName(r));
        roots_[r] = node;
    }
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Resolve(HKey key, Access* access) {
    if (IsPredefinedRoot(key)) {
        auto it = roots_.find(static_cast<RootKey>(key));
        if (it == roots_.end()) return nullptr;
        if (access) *access = Access::AllAccess;
        return it->second.get();
    }
    auto it = handles_.find(key);
    if (it == handles_.end() || it->second.node->deleted) return nullptr;
    if (access) *access = it->second.access;
    return it->second.node.get();
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Walk(Node* from, std::string_view subkey,
                                                           bool create) {
    // Find the shared_ptr of `from` by starting at the roots or a handle: callers pass the
    // resolved node, so rebuild ownership from the parent chain as we go.
    std::shared_ptr<Node> current;
    for (auto& [r, n] : roots_)
        if (n.get() == from) current = n;
    if (!current)
        for (auto& [h, hd] : handles_)
            if (hd.node.get() == from) current = hd.node;
    if (!current) return nullptr;
    std::size_t pos = 0;
    while (pos < subkey.size()) {
        std::size_t end = subkey.find('\\', pos);
        if (end == std::string_view::npos) end = subkey.size();
        std::string_view part = subkey.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) {
            if (end == subkey.size()) break; // a trailing backslash is harmless
            return nullptr;
        }
        auto child = current->Child(part);
        if (!child) {
            if (!create || Utf16Length(part) > kMaxKeyNameChars || current->denied) return nullptr;
            child = std::make_shared<Node>();
            child->name = std::string(part);
            current->children.push_back(child);
        }
        current = child;
    }
    return current;
}

HKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, Access access) {
    HKey h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = Handle{std::move(node), access};
    return h;
}

std::pair<HKey, std::string> MemoryRegistry::ClassesTarget(std::string_view subkey,
                                                           bool forCreate) {
    std::string physical = "Software\\Classes\\" + std::string(subkey);
    Node* user = roots_[kCurrentUser].get();
    if (Walk(user, physical, false)) return {RootHandle(kCurrentUser), physical};
    if (forCreate) {
        // A new key goes to the machine's classes unless its parent is a per-user key.
        auto cut = physical.rfind('\\');
        if (subkey.find('\\') != std::string_view::npos &&
            Walk(user, physical.substr(0, cut), false))
            return {RootHandle(kCurrentUser), physical};
    }
    return {RootHandle(kLocalMachine), physical};
}

std::vector<std::string> MemoryRegistry::MergedClassNames() {
    std::vector<std::string> names;
    for (RootKey r : {kCurrentUser, kLocalMachine}) {
        auto classes = Walk(roots_[r].get(), "Software\\Classes", false);
        if (!classes) continue;
        for (const auto& c : classes->children) {
            bool seen = std::any_of(names.begin(), names.end(),
                                    [&](const std::string& n) { return NamesEqual(n, c->name); });
            if (!seen) names.push_back(c->name);
        }
    }
    return names;
}

Status MemoryRegistry::OpenKeyStatus(HKey parent, std::string_view subkey, Access access,
                                     HKey& out) {
    out = kNoKey;
    if (IsMergedClassesRoot(parent) && !subkey.empty()) {
        auto [root, physical] = ClassesTarget(subkey, false);
        return OpenKeyStatus(root, physical, access, out);
    }
    Node* from = Resolve(parent);
    if (!from) return Status::From(StatusCode::Failed, kOsErrorInvalidHandle);
    if (!subkey.empty() && subkey.front() == '\\') return Status::From(StatusCode::NotFound);
    auto node = Walk(from, subkey, false);
    if (!node) return Status::From(StatusCode::NotFound, kOsErrorFileNotFound);
    if (node->denied && access != Access::Read) return kDenied;
    out = NewHandle(std::move(node), access);
    return Status::Success();
}

HKey MemoryRegistry::CreateKey(HKey parent, std::string_view subkey) {
    if (IsMergedClassesRoot(parent) && !subkey.empty()) {
        auto [root, physical] = ClassesTarget(subkey, true);
        return CreateKey(root, physical);
    }
    Node* from = Resolve(parent);
    if (!from) return kNoKey;
    if (!subkey.empty() && subkey.front() == '\\') return kNoKey;
    auto node = Walk(from, subkey, true);
    if (!node || node->denied) return kNoKey;
    return NewHandle(std::move(node), Access::AllAccess);
}

void MemoryRegistry::CloseKey(HKey key) {
    handles_.erase(key);
}

bool MemoryRegistry::ReadValue(HKey key, std::string_view name, void* buffer, std::uint32_t size,
                               std::uint32_t* type, std::uint32_t* dataSize) {
    if (buffer && size) std::memset(buffer, 0, size);
    auto v = ReadValueWhole(key, name);
    if (!v || v->data.size() > size) return false;
    if (!v->data.empty()) std::memcpy(buffer, v->data.data(), v->data.size());
    if (type) *type = v->type;
    if (dataSize) *dataSize = static_cast<std::uint32_t>(v->data.size());
    return true;
}

std::optional<RegValue> MemoryRegistry::ReadValueWhole(HKey key, std::string_view name) {
    auto v = ReadValueStored(key, name);
    if (v) v->data = DataFromStored(v->type, v->data.data(), v->data.size());
    return v;
}

std::optional<RegValue> MemoryRegistry::ReadValueStored(HKey key, std::string_view name) {
    Node* node = Resolve(key);
    if (!node) return std::nullopt;
    auto* v = node->FindValue(name);
    if (!v) return std::nullopt;
    return v->value;
}

Status MemoryRegistry::WriteValue(HKey key, std::string_view name, std::uint32_t type,
                                  const void* data, std::uint32_t size) {
    auto stored = DataToStored(type, static_cast<const std::uint8_t*>(data), size);
    return WriteValueStored(key, name, type, stored.data(),
                            static_cast<std::uint32_t>(stored.size()));
}

Status MemoryRegistry::WriteValueStored(HKey key, std::string_view name, std::uint32_t type,
                                        const void* data, std::uint32_t size) {
    Access access;
    Node* node = Resolve(key, &access);
    if (!node) return Status::From(StatusCode::Failed, kOsErrorInvalidHandle);
    if (access == Access::Read || node->ValueDenied(name)) return kDenied;
    if (Utf16Length(name) > kMaxValueNameChars) return Status::From(StatusCode::Failed, 87);
    RegValue value;
    value.type = type;
    if (size) {
        auto* p = static_cast<const std::uint8_t*>(data);
        value.data.assign(p, p + size);
    }
    // Kept exactly as given, with or without a terminating zero, as the platform does.
    if (auto* v = node->FindValue(name)) {
        v->value = std::move(value);
    } else {
        node->values.push_back({std::string(name), std::move(value)});
    }
    return Status::Success();
}

bool MemoryRegistry::EnumKey(HKey key, std::uint32_t index, std::string& name,
                             std::uint32_t bufferChars) {
    if (IsMergedClassesRoot(key)) {
        auto names = MergedClassNames();
        if (index >= names.size() || Utf16Length(names[index]) + 1 > bufferChars) return false;
        name = names[index];
        return true;
    }
    Node* node = Resolve(key);
    if (!node || index >= node->children.size()) return false;
    const std::string& n = node->children[index]->name;
    if (Utf16Length(n) + 1 > bufferChars) return false;
    name = n;
    return true;
}

bool MemoryRegistry::EnumValue(HKey key, std::uint32_t index, std::string& name,
                               std::uint32_t nameBufferChars, std::uint32_t& type,
                               std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes) {
    std::vector<std::uint8_t> stored;
    std::string n;
    std::uint32_t t = 0;
    if (!EnumValueStored(key, index, n, nameBufferChars, t, stored, UINT32_MAX)) return false;
    auto converted = DataFromStored(t, stored.data(), stored.size());
    if (converted.size() > dataBufferBytes) return false;
    name = std::move(n);
    type = t;
    data = std::move(converted);
    return true;
}

bool MemoryRegistry::EnumValueStored(HKey key, std::uint32_t index, std::string& name,
                                     std::uint32_t nameBufferChars, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data,
                                     std::uint32_t dataBufferBytes) {
    Node* node = Resolve(key);
    if (!node || index >= node->values.size()) return false;
    const auto& v = node->values[index];
    if (Utf16Length(v.name) + 1 > nameBufferChars) return false;
    if (v.value.data.size() > dataBufferBytes) return false;
    name = v.name;
    type = v.value.type;
    data = v.value.data;
    return true;
}

std::optional<KeyInfo> MemoryRegistry::QueryKeyInfo(HKey key) {
    if (IsMergedClassesRoot(key)) {
        KeyInfo info;
        for (const auto& n : MergedClassNames()) {
            ++info.subkeys;
            info.maxSubkeyNameChars =
                std::max(info.maxSubkeyNameChars, static_cast<std::uint32_t>(Utf16Length(n)));
        }
        return info;
    }
    Node* node = Resolve(key);
    if (!node) return std::nullopt;
    KeyInfo info;
    info.subkeys = static_cast<std::uint32_t>(node->children.size());
    info.values = static_cast<std::uint32_t>(node->values.size());
    for (const auto& c : node->children)
        info.maxSubkeyNameChars =
            std::max(info.maxSubkeyNameChars, static_cast<std::uint32_t>(Utf16Length(c->name)));
    for (const auto& v : node->values) {
        info.maxValueNameChars =
            std::max(info.maxValueNameChars, static_cast<std::uint32_t>(Utf16Length(v.name)));
        info.maxValueDataBytes =
            std::max(info.maxValueDataBytes,
                     DataBytesBound(static_cast<std::uint32_t>(v.value.data.size())));
    }
    return info;
}

Status MemoryRegistry::DeleteValue(HKey key, std::string_view name) {
    Access access;
    Node* node = Resolve(key, &access);
    if (!node) return Status::From(StatusCode::Failed, kOsErrorInvalidHandle);
    if (access == Access::Read) return kDenied;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const Node::Value& v) { return NamesEqual(v.name, name); });
    if (it == node->values.end()) return Status::From(StatusCode::NotFound, kOsErrorFileNotFound);
    if (node->ValueDenied(name)) return kDenied;
    node->values.erase(it);
    return Status::Success();
}

namespace {
void MarkDeleted(MemoryRegistry::Node& node) {
    node.deleted = true;
    for (auto& c : node.children)
        MarkDeleted(*c);
}
} // namespace

Status MemoryRegistry::DeleteKeyTree(HKey parent, std::string_view subkey) {
    if (IsMergedClassesRoot(parent) && !subkey.empty()) {
        auto [root, physical] = ClassesTarget(subkey, false);
        return DeleteKeyTree(root, physical);
    }
    const Status notFound = Status::From(StatusCode::NotFound, kOsErrorFileNotFound);
    Node* from = Resolve(parent);
    if (!from) return Status::From(StatusCode::Failed, kOsErrorInvalidHandle);
    if (subkey.empty()) {
        if (from->AnyDenied()) return kDenied;
        // The platform empties the key itself but keeps it.
        for (auto& c : from->children)
            MarkDeleted(*c);
        from->children.clear();
        from->values.clear();
        return Status::Success();
    }
    std::size_t cut = subkey.rfind('\\');
    std::shared_ptr<Node> owner;
    std::string_view leaf = subkey;
    if (cut == std::string_view::npos) {
        owner = Walk(from, {}, false);
    } else {
        owner = Walk(from, subkey.substr(0, cut), false);
        leaf = subkey.substr(cut + 1);
    }
    if (!owner) return notFound;
    auto it =
        std::find_if(owner->children.begin(), owner->children.end(),
                     [&](const std::shared_ptr<Node>& c) { return NamesEqual(c->name, leaf); });
    if (it == owner->children.end()) return notFound;
    if ((*it)->AnyDenied()) return kDenied;
    MarkDeleted(**it);
    owner->children.erase(it);
    return Status::Success();
}

} // namespace zt
