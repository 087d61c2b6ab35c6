#include "scan/OrphanApprovals.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "scan/RunApproval.h"
#include "scan/RunKeys.h"
#include "scan/TextLimits.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

constexpr std::uint32_t kNameChars = 500;
constexpr std::uint32_t kDataChars = 2000;

struct Governed {
    RootKey root;
    std::string_view approvedKeyPath;
    std::string_view runKey; // empty for a startup folder
    KnownFolder folder;
};

constexpr Governed kGoverned[] = {
    {kCurrentUser, kApprovedRunKeyPath, kRunKeyPath, KnownFolder::Startup},
    {kLocalMachine, kApprovedRunKeyPath, kRunKeyPath, KnownFolder::Startup},
    {kLocalMachine, kApprovedRun32KeyPath, kRun32KeyPath, KnownFolder::Startup},
    {kCurrentUser, kApprovedFolderKeyPath, {}, KnownFolder::Startup},
    {kLocalMachine, kApprovedFolderKeyPath, {}, KnownFolder::CommonStartup},
};

std::string Hex(const std::vector<std::uint8_t>& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : data) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

} // namespace

void FindOrphanApprovals(Registry& reg, System& sys,
                         const std::function<bool(const OrphanApproval&)>& report) {
    for (const auto& g : kGoverned) {
        std::string approvedPath(g.approvedKeyPath);
        RegKey approved(reg, reg.OpenKeyRead(RootHandle(g.root), approvedPath));
        if (!approved) continue;
        // The entry's own place: the Run key (absent means no entry), or the startup folder.
        RegKey run;
        std::optional<std::string> folder;
        if (!g.runKey.empty()) {
            run = RegKey(reg, reg.OpenKeyRead(RootHandle(g.root), g.runKey));
        } else {
            folder = sys.GetKnownFolder(g.folder);
            if (!folder || folder->empty()) continue;
        }
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        for (std::uint32_t i = 0;
             EnumValueWithin(reg, approved.get(), i, name, kNameChars, type, data, kDataChars);
             ++i) {
            bool present = false;
            std::string place;
            if (folder) {
                place = *folder;
                if (place.back() != '\\') place += '\\';
                place += name;
                present = sys.Exists(place);
            } else {
                // Registry names compare without regard to case, as the lookup does.
                present = run && reg.ReadValueWhole(run.get(), name).has_value();
            }
            if (present) continue;
            std::string lookedFor =
                folder ? "file looked for: " + place
                       : "value looked for: " + std::string(RootAbbreviation(g.root)) +
                             std::string(g.runKey) + "\\" + name;
            if (!report({g.root, approvedPath, name, Hex(data), lookedFor + ": not found"})) return;
        }
    }
}

std::optional<std::string> StoredValueName(Registry& reg, RootKey root, std::string_view keyPath,
                                           std::string_view name) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(root), keyPath));
    if (!key) return std::nullopt;
    auto info = reg.QueryKeyInfo(key.get());
    if (!info) return std::nullopt;
    std::string stored;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    for (std::uint32_t i = 0; reg.EnumValue(key.get(), i, stored, info->maxValueNameChars + 1, type,
                                            data, info->maxValueDataBytes + 1);
         ++i)
        if (NamesEqual(stored, name)) return stored;
    return std::nullopt;
}

std::optional<ApprovalValue> RunValueApproval(Registry& reg, RootKey root,
                                              std::string_view runKeyPath, std::string_view name) {
    for (const auto& g : kGoverned) {
        if (g.root != root || g.runKey.empty() || !NamesEqual(g.runKey, runKeyPath)) continue;
        std::string approvedPath(g.approvedKeyPath);
        auto stored = StoredValueName(reg, root, approvedPath, name);
        if (!stored) return std::nullopt;
        return ApprovalValue{root, std::move(approvedPath), std::move(*stored)};
    }
    return std::nullopt;
}

} // namespace zt
