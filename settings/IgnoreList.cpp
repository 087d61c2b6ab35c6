#include "settings/IgnoreList.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "settings/SettingsStore.h"

namespace zt {

namespace {

// Whether `path` is `top` or lies below it. Compared folded: a letter's case may take
// another number of bytes.
bool PathWithin(std::string_view path, std::string_view top) {
    std::string p = FoldName(path), t = FoldName(top);
    if (p.size() < t.size() || p.compare(0, t.size(), t) != 0) return false;
    return p.size() == t.size() || p[t.size()] == '\\';
}

// Whether `outer` already takes in everything `inner` names.
bool Covers(const IgnoreEntry& outer, const IgnoreEntry& inner) {
    if (outer.root != inner.root) return false;
    switch (outer.kind) {
    case IgnoreKind::Tree:
        return PathWithin(inner.keyPath, outer.keyPath);
    case IgnoreKind::Key:
        return inner.kind == IgnoreKind::Key && NamesEqual(inner.keyPath, outer.keyPath);
    case IgnoreKind::Value:
        return inner.kind == IgnoreKind::Value && NamesEqual(inner.keyPath, outer.keyPath) &&
               NamesEqual(inner.valueName, outer.valueName);
    }
    return false;
}

constexpr std::string_view kKindNames[] = {"value", "key", "tree"};

std::string ReadText(Registry& reg, HKey key, std::string_view name, bool& present) {
    auto value = reg.ReadValueWhole(key, name);
    present = value && (value->type == kRegSz || value->type == kRegExpandSz);
    if (!present) return {};
    const auto& d = value->data;
    std::size_t n = std::find(d.begin(), d.end(), std::uint8_t{0}) - d.begin();
    return std::string(reinterpret_cast<const char*>(d.data()), n);
}

} // namespace

std::string_view IgnoreProblemText(IgnoreProblem problem) {
    switch (problem) {
    case IgnoreProblem::None:
        return "no problem";
    case IgnoreProblem::UnknownRoot:
        return "unknown root (use HKCR, HKCU, HKLM, HKU or HKCC, or their full names)";
    case IgnoreProblem::EmptyKeyPath:
        return "the key path is empty";
    case IgnoreProblem::EmptyKeyName:
        return "the key path has an empty key name (two backslashes in a row)";
    case IgnoreProblem::KeyNameTooLong:
        return "a key name is longer than the registry's 255 characters";
    case IgnoreProblem::KeyPathTooDeep:
        return "the key path is deeper than the registry's 512 levels";
    case IgnoreProblem::ValueNameTooLong:
        return "the value name is longer than the registry's 16,383 characters";
    case IgnoreProblem::AlreadyIgnored:
        return "already in the ignore list";
    }
    return "invalid entry";
}

std::string IgnoreWhatText(const IgnoreEntry& e) {
    switch (e.kind) {
    case IgnoreKind::Tree:
        return "(key and below)";
    case IgnoreKind::Key:
        return "(key)";
    case IgnoreKind::Value:
        break;
    }
    return e.valueName.empty() ? "(default)" : e.valueName;
}

IgnoreProblem CheckIgnoreEntry(IgnoreEntry& entry) {
    if (RootAbbreviation(entry.root).empty()) return IgnoreProblem::UnknownRoot;
    std::string& path = entry.keyPath;
    std::size_t first = path.find_first_not_of('\\');
    if (first == std::string::npos) return IgnoreProblem::EmptyKeyPath;
    path.erase(0, first);
    path.erase(path.find_last_not_of('\\') + 1);
    std::size_t depth = 0;
    for (std::size_t start = 0;;) {
        std::size_t end = path.find('\\', start);
        std::size_t length = (end == std::string::npos ? path.size() : end) - start;
        if (length == 0) return IgnoreProblem::EmptyKeyName;
        if (Utf16Length(std::string_view(path).substr(start, length)) > kMaxKeyNameChars)
            return IgnoreProblem::KeyNameTooLong;
        if (++depth > kMaxKeyDepth) return IgnoreProblem::KeyPathTooDeep;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (entry.kind != IgnoreKind::Value) entry.valueName.clear();
    if (Utf16Length(entry.valueName) > kMaxValueNameChars) return IgnoreProblem::ValueNameTooLong;
    return IgnoreProblem::None;
}

IgnoreProblem ParseIgnoreKeyPath(std::string_view text, RootKey& root, std::string& keyPath) {
    std::size_t slash = text.find('\\');
    auto found = RootFromName(text.substr(0, slash));
    if (!found) return IgnoreProblem::UnknownRoot;
    root = *found;
    keyPath = slash == std::string_view::npos ? std::string() : std::string(text.substr(slash + 1));
    IgnoreEntry probe{root, keyPath, {}, IgnoreKind::Tree};
    IgnoreProblem problem = CheckIgnoreEntry(probe);
    keyPath = probe.keyPath;
    return problem;
}

bool IgnoreMatches(const IgnoreEntry& entry, RootKey root, std::string_view keyPath,
                   std::string_view valueName, bool keyFinding) {
    if (entry.root != root) return false;
    switch (entry.kind) {
    case IgnoreKind::Tree:
        return PathWithin(keyPath, entry.keyPath);
    case IgnoreKind::Key:
        return keyFinding && NamesEqual(keyPath, entry.keyPath);
    case IgnoreKind::Value:
        return !keyFinding && NamesEqual(keyPath, entry.keyPath) &&
               NamesEqual(valueName, entry.valueName);
    }
    return false;
}

IgnoreProblem IgnoreList::Add(IgnoreEntry entry) {
    IgnoreProblem problem = CheckIgnoreEntry(entry);
    if (problem != IgnoreProblem::None) return problem;
    for (const auto& e : entries_)
        if (Covers(e, entry)) return IgnoreProblem::AlreadyIgnored;
    entries_.push_back(std::move(entry));
    return IgnoreProblem::None;
}

bool IgnoreList::Remove(std::size_t index) {
    if (index >= entries_.size()) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool IgnoreList::Ignores(RootKey root, std::string_view keyPath, std::string_view valueName,
                         bool keyFinding) const {
    for (const auto& e : entries_)
        if (IgnoreMatches(e, root, keyPath, valueName, keyFinding)) return true;
    return false;
}

IgnoreList LoadIgnoreList(const SettingsStore& store) {
    Registry& reg = store.registry();
    IgnoreList list;
    RegKey top(reg, reg.OpenKeyRead(RootHandle(kCurrentUser),
                                    store.ProfileKeyPath() + "\\" + std::string(kIgnoreListKey)));
    if (!top) return list;
    // Numbered subkeys, kept in their numbers' order whatever order they enumerate in.
    std::vector<std::pair<long, std::string>> names;
    std::string name;
    for (std::uint32_t i = 0; reg.EnumKey(top.get(), i, name, kMaxKeyNameChars + 1); ++i)
        names.emplace_back(std::strtol(name.c_str(), nullptr, 10), name);
    std::stable_sort(names.begin(), names.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [number, subkey] : names) {
        RegKey k(reg, reg.OpenKeyRead(top.get(), subkey));
        if (!k) continue;
        bool haveRoot = false, havePath = false, haveKind = false, haveValue = false;
        std::string rootName = ReadText(reg, k.get(), "Root", haveRoot);
        std::string kind = ReadText(reg, k.get(), "Kind", haveKind);
        IgnoreEntry entry;
        entry.keyPath = ReadText(reg, k.get(), "KeyPath", havePath);
        entry.valueName = ReadText(reg, k.get(), "ValueName", haveValue);
        auto root = RootFromName(rootName);
        auto kindAt = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
        if (!root || !havePath || kindAt == std::end(kKindNames)) continue;
        entry.root = *root;
        entry.kind = static_cast<IgnoreKind>(kindAt - std::begin(kKindNames));
        if (entry.kind == IgnoreKind::Value && !haveValue) continue;
        list.Add(std::move(entry));
    }
    return list;
}

bool SaveIgnoreList(const SettingsStore& store, const IgnoreList& list) {
    Registry& reg = store.registry();
    std::string profile = store.ProfileKeyPath();
    Status gone =
        reg.DeleteKeyTree(RootHandle(kCurrentUser), profile + "\\" + std::string(kIgnoreListKey));
    if (!gone.ok() && gone.code() != StatusCode::NotFound) return false;
    if (list.Entries().empty()) return true;
    RegKey top(
        reg, reg.CreateKey(RootHandle(kCurrentUser), profile + "\\" + std::string(kIgnoreListKey)));
    if (!top) return false;
    bool ok = true;
    int number = 0;
    for (const auto& e : list.Entries()) {
        RegKey k(reg, reg.CreateKey(top.get(), std::to_string(++number)));
        if (!k) return false;
        std::string root(RootAbbreviation(e.root));
        root.pop_back();
        ok = ok && reg.WriteString(k.get(), "Root", root).ok() &&
             reg.WriteString(k.get(), "KeyPath", e.keyPath).ok() &&
             reg.WriteString(k.get(), "Kind", kKindNames[static_cast<int>(e.kind)]).ok() &&
             (e.kind != IgnoreKind::Value ||
              reg.WriteString(k.get(), "ValueName", e.valueName).ok());
    }
    return ok;
}

} // namespace zt
