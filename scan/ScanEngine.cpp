#include "scan/ScanEngine.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "scan/OrphanApprovals.h"
#include "settings/SettingsStore.h"

namespace zt {

namespace {

constexpr std::string_view kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::uint32_t kFolderBuffer = 260;

std::string Lower(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && NamesEqual(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && NamesEqual(s.substr(s.size() - suffix.size()), suffix);
}

bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

std::string FontsFolder(Registry& reg, System& sys) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kShellFoldersKey));
    char buf[kFolderBuffer];
    if (key && reg.ReadValue(key.get(), "Fonts", buf, sizeof buf)) {
        // A value filling the whole buffer has no terminating zero inside it.
        std::string text(buf, strnlen(buf, sizeof buf));
        return text + "\\";
    }
    std::string windows = sys.WindowsFolder();
    if (windows.size() >= kFolderBuffer) windows.clear();
    return windows + "\\Fonts\\";
}

std::string Decimal(std::int64_t n) {
    return std::to_string(n);
}

} // namespace

std::string DataText(const std::vector<std::uint8_t>& data) {
    std::size_t n = 0;
    while (n < data.size() && data[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(data.data()), n);
}

ScanEngine::ScanEngine(Registry& registry, System& system, ScanSink& sink)
    : registry_(registry), system_(system), sink_(sink), judge_(registry, system) {
    for (auto& c : categoryEnabled)
        c.store(true);
    fontsFolder = FontsFolder(registry, system);
    std::string sysFolder = system.SystemFolder();
    if (!sysFolder.empty()) systemFolderPrefix_ = Lower(sysFolder) + "\\";
    std::string windows = system.WindowsFolder();
    if (!windows.empty()) wowSystemFolder_ = windows + "\\SysWOW64";
    valueData_.reserve(kValueDataBytes);
}

void ScanEngine::LoadSwitches(const SettingsStore& settings) {
    for (int i = 0; i < kScanCategoryCount; ++i)
        categoryEnabled[i].store(settings.ReadInt(kScanCategories[i].settingsKey, 1) != 0);
}

void ScanEngine::SetAllCategories(bool on) {
    for (auto& c : categoryEnabled)
        c.store(on);
}

void ScanEngine::BeginScan() {
    stopRequested.store(false);
    findingsAdded = 0;
    visitCounter = kStatusEveryKeys - 1;
    depth = 0;
    inClsidTree = false;
    wowNesting_ = 0;
}

void ScanEngine::RequestStop() {
    stopAcknowledged.Reset();
    stopRequested.store(true);
}

void ScanEngine::RunScan() {
    judge_.SetCaching(true);
    classKeyMissing_.clear();
    sink_.EnableClean(false);

    if (Enabled(kCategoryFileAssociation) || Enabled(kCategoryClsid)) {
        area = 1;
        currentRoot = kClassesRoot;
        depth = 0;
        WalkKey(RootHandle(kClassesRoot), std::string(), std::string_view());
    }
    for (int i = 2; i < kScanCategoryCount; ++i)
        if (Enabled(i)) RunCategory(i);

    int n = findingsAdded;
    sink_.RefreshCheckAll();
    char line[100];
    std::snprintf(line, sizeof line, "%d invalid items found in the registry:\n", n);
    sink_.SetStatus(line);
    sink_.SetScanCaption("&Scan");
    stopRequested.store(true);
    // A stop that came after the worker's last check point is acknowledged here.
    stopAcknowledged.Set();
    sink_.EnableClean(true);
    char total[100];
    std::snprintf(total, sizeof total, "Total found %d invalide items", n);
    judge_.SetCaching(false);
    classKeyMissing_.clear();
    sink_.ScanFinished(n, total);
}

void ScanEngine::RunCategory(int index) {
    const auto& category = kScanCategories[index];
    for (const auto& start : category.starts) {
        depth = 0;
        // A 32-bit twin's start key already lies below Wow6432Node.
        wowNesting_ = Contains(Lower(start.path), "\\wow6432node\\") ? 1 : 0;
        area = category.area;
        currentRoot = start.root;
        RegKey key(registry_, registry_.OpenKeyRead(RootHandle(start.root), start.path));
        if (!key) continue;
        WalkKey(key.get(), std::string(start.path), start.name);
    }
    if (category.area == 6) ReportOrphanApprovals();
}

void ScanEngine::ReportOrphanApprovals() {
    FindOrphanApprovals(registry_, system_, [this](const OrphanApproval& orphan) {
        if (stopRequested.load()) {
            stopAcknowledged.Set();
            return false;
        }
        currentRoot = orphan.root;
        ReportFinding(orphan.keyPath, orphan.valueName, orphan.valueText, kOrphanApprovalReason,
                      FindingKind::Value);
        return true;
    });
}

void ScanEngine::WalkKey(HKey key, const std::string& path, std::string_view name) {
    ++visitCounter;
    ++depth;
    if (stopRequested.load()) {
        stopAcknowledged.Set();
        return;
    }
    if (visitCounter == kStatusEveryKeys) {
        sink_.SetStatus(path);
        visitCounter = 0;
    }

    bool hadValues = false;
    if (area == 1)
        CheckClassesRootKey(key, path, name);
    else
        ScanValues(key, path, name, hadValues);

    std::string child;
    std::uint32_t index = 0;
    for (; registry_.EnumKey(key, index, child, kKeyNameChars); ++index) {
        if (NamesEqual(child, "VirtualStore")) continue;
        std::string childPath = path.empty() ? child : path + "\\" + child;
        // A cut path would name another key, which cleaning would then delete.
        if (childPath.size() >= kPathBufferBytes) continue;
        if (Excluded(path, child)) continue;
        RegKey childKey(registry_, registry_.OpenKeyRead(key, child));
        if (!childKey) continue;
        bool wow = NamesEqual(child, "Wow6432Node");
        wowNesting_ += wow;
        WalkKey(childKey.get(), childPath, child);
        wowNesting_ -= wow;
        --depth;
    }
    if (index == 0 && !hadValues && area == 5 && depth == 2 && !name.empty() && name.front() == '.')
        ReportFinding(path, {}, {}, "NO SUBKEY/VALUE WITH THIS KEY", FindingKind::Key);
}

bool ScanEngine::Excluded(std::string_view parentPath, std::string_view child) {
    if (area == 1 && depth == 1) {
        inClsidTree = false;
        if (NamesEqual(child, "TypeLib")) return true;
        if (NamesEqual(child, "Interface") && !Enabled(kCategoryClsid)) return true;
        if (NamesEqual(child, "AppID")) return true;
        // The 32-bit classes: their class keys are not ours to judge from the 64-bit view.
        if (NamesEqual(child, "Wow6432Node")) return true;
        if (NamesEqual(child, "CLSID")) {
            inClsidTree = true;
            return !Enabled(kCategoryClsid);
        }
        return false;
    }
    if (area == 3) {
        if (depth == 1 && NamesEqual(child, "Classes")) return true;
        if (depth == 2 && NamesEqual(child, "Classes") &&
            NamesEqual(parentPath, "Software\\Wow6432Node"))
            return true;
        if (depth == 5 && NamesEqual(child, "UserData")) return true;
    }
    return false;
}

void ScanEngine::ReportFinding(std::string_view path, std::string_view valueName,
                               std::string_view valueText, std::string_view reason,
                               FindingKind kind) {
    if (stopRequested.load()) return;
    ScanRow row;
    row.path.reserve(path.size() + valueName.size() + 8);
    row.path = RootAbbreviation(currentRoot);
    row.path += path;
    row.path += '\\';
    row.path += valueName;
    // The path text would not fit its buffer; a cut one names a different entry.
    if (row.path.size() >= kPathBufferBytes) return;
    row.number = std::to_string(findingsAdded + 1);
    row.finding.root = currentRoot;
    row.finding.keyPath = std::string(path);
    row.finding.valueName = std::string(valueName);
    row.finding.kind = kind;
    row.valueText = valueText.empty() ? std::string("[None]") : std::string(valueText);
    row.reason = std::string(reason);
    sink_.AddFinding(std::move(row));
    ++findingsAdded;
}

bool ScanEngine::Missing(std::string_view s) {
    if (!judge_.IsPathMissing(s)) return false;
    if (wowNesting_ == 0 || systemFolderPrefix_.empty() || wowSystemFolder_.empty()) return true;
    auto drive = FindDrivePrefix(s);
    if (!drive) return true;
    std::string_view p = s.substr(*drive);
    if (!StartsWithNoCase(p, systemFolderPrefix_)) return true;
    std::string alternative = wowSystemFolder_ + "\\";
    alternative += p.substr(systemFolderPrefix_.size());
    return judge_.IsPathMissing(alternative);
}

bool ScanEngine::ClassKeyMissing(std::string_view name) {
    std::string k = Lower(name);
    if (auto it = classKeyMissing_.find(k); it != classKeyMissing_.end()) return it->second;
    RegKey key(registry_, registry_.OpenKeyRead(RootHandle(kClassesRoot), name));
    bool missing = !key;
    classKeyMissing_.emplace(std::move(k), missing);
    return missing;
}

bool ScanEngine::IsClsidMissing(std::string_view value) {
    if (value.empty()) return true;
    std::string keyPath = "CLSID\\";
    if (value.front() == '{') {
        keyPath += value;
    } else {
        keyPath += '{';
        keyPath += value;
        keyPath += '}';
    }
    return ClassKeyMissing(keyPath);
}

bool ScanEngine::IsProgIdMissing(std::string_view name) {
    return ClassKeyMissing(name);
}

void ScanEngine::ReferenceCheck(HKey key, std::string_view path) {
    auto value = registry_.ReadValueWhole(key, {});
    if (!value) {
        ReportFinding(path, {}, {}, "Missing CLSID: Empty Reference", FindingKind::Key);
        return;
    }
    std::string text = DataText(value->data);
    if (IsClsidMissing(text)) ReportFinding(path, {}, text, "Missing CLSID", FindingKind::Key);
}

void ScanEngine::CheckClassesRootKey(HKey key, std::string_view path, std::string_view name) {
    if (Enabled(kCategoryClsid)) {
        if (depth >= 3 && NamesEqual(name, "PersistentHandler")) {
            ReferenceCheck(key, path);
        } else if (depth == 3 && !inClsidTree && NamesEqual(name, "CLSID")) {
            ReferenceCheck(key, path);
        } else if (depth == 4 && Contains(name, "ProxyStubClsid")) {
            ReferenceCheck(key, path);
        } else if (depth >= 3 && Contains(name, "InprocServer")) {
            if (auto value = registry_.ReadValueWhole(key, {})) {
                std::string text = DataText(value->data);
                if (Missing(text))
                    ReportFinding(path, {}, text, "Missing File", FindingKind::Value);
            }
        }
    }
    if (!Enabled(kCategoryFileAssociation)) return;
    if (depth >= 5 && depth <= 7 && NamesEqual(name, "command")) {
        if (auto value = registry_.ReadValueWhole(key, {})) {
            std::string text = DataText(value->data);
            if (Missing(text)) ReportFinding(path, {}, text, "Missing File", FindingKind::Key);
        } else if (depth == 5) {
            ReportFinding(path, {}, {}, "Empty Key", FindingKind::Key);
        }
    }
    if (depth == 2 && !name.empty() && name.front() == '.') {
        // This rule reads the default into 260 bytes: a value of 260 bytes or more is
        // unreadable to it, so such a key is never reported.
        constexpr std::size_t kDefaultBytes = 260;
        auto value = registry_.ReadValueWhole(key, {});
        if (value && value->data.size() < kDefaultBytes) {
            std::string text = DataText(value->data);
            if (ClassKeyMissing(text))
                ReportFinding(path, {}, text, "Missing File Assosication", FindingKind::Key);
        }
    }
}

void ScanEngine::ScanValues(HKey key, std::string_view path, std::string_view name,
                            bool& hadValues) {
    if (stopRequested.load()) {
        stopAcknowledged.Set();
        return;
    }
    std::uint32_t type = 0;
    for (std::uint32_t index = 0; registry_.EnumValue(key, index, valueName_, kValueNameChars, type,
                                                      valueData_, kValueDataBytes);
         ++index) {
        hadValues = true;
        if (stopRequested.load()) {
            stopAcknowledged.Set();
            return;
        }
        const std::string& vname = valueName_;
        switch (area) {
        case 2:
        case 3:
            if (type == kRegSz && depth > 2) {
                std::string data = DataText(valueData_);
                // The cheap shape tests first; the outcome is the same in any order.
                if (Contains(data, ".") && LooksLikeFilePath(data) && Missing(data))
                    ReportFinding(path, vname, data, "Missing File", FindingKind::Value);
            }
            break;
        case 4:
            if (type == kRegDword && vname.size() > 4 && EndsWithNoCase(vname, ".dll") &&
                Missing(vname)) {
                std::uint32_t number = 0;
                for (std::size_t i = 0; i < valueData_.size() && i < 4; ++i)
                    number |= static_cast<std::uint32_t>(valueData_[i]) << (8 * i);
                ReportFinding(path, vname, Decimal(static_cast<std::int32_t>(number)),
                              "Missing DLL Entry", FindingKind::Value);
            }
            break;
        case 5:
            if (type == kRegSz && NamesEqual(name, "OpenWithList") && vname.size() == 1) {
                std::string data = DataText(valueData_);
                if (judge_.IsAppPathMissing(data))
                    ReportFinding(path, vname, data, "Invalid Program path", FindingKind::Value);
            } else if (type == kRegNone && NamesEqual(name, "OpenWithProgids") &&
                       IsProgIdMissing(vname)) {
                ReportFinding(path, {}, DataText(valueData_), "Invalid Progid", FindingKind::Key);
                return;
            }
            break;
        case 6:
            if (type == kRegSz && depth == 1) {
                std::string data = DataText(valueData_);
                if (Missing(data))
                    ReportFinding(path, vname, data, "Invalid File", FindingKind::Value);
            }
            break;
        case 7:
            if (type == kRegExpandSz &&
                (NamesEqual(name, ".Current") || NamesEqual(name, ".Default"))) {
                std::string data = DataText(valueData_);
                if (Missing(judge_.ExpandEnvironment(data))) {
                    ReportFinding(path, vname, data, "Invalid Sound", FindingKind::Value);
                    return;
                }
            }
            break;
        case 8:
            if (type == kRegSz) {
                std::string data = DataText(valueData_);
                if (NamesEqual(vname, "DisplayIcon") && Missing(data)) {
                    ReportFinding(path, {}, data, "Invalid File", FindingKind::Key);
                } else if (NamesEqual(vname, "UninstallString") && valueData_.size() > 1 &&
                           LooksLikeFilePath(data) && Missing(data)) {
                    ReportFinding(path, vname, data, "Invalid File", FindingKind::Value);
                }
            } else if (type == kRegExpandSz && NamesEqual(vname, "UninstallString")) {
                std::string data = DataText(valueData_);
                if (Missing(judge_.ExpandEnvironment(data))) {
                    ReportFinding(path, vname, data, "Invalid File", FindingKind::Value);
                    return;
                }
            }
            break;
        case 9:
            if (type == kRegSz) {
                std::string data = DataText(valueData_);
                bool missing = FindDrivePrefix(data) ? Missing(data) : Missing(fontsFolder + data);
                if (missing)
                    ReportFinding(path, vname, data, "Invalid Font File", FindingKind::Value);
            }
            break;
        case 10:
            if (type == kRegSz) {
                std::string data = DataText(valueData_);
                std::string file = data;
                if (file.empty() || file.back() != '\\') file += '\\';
                file += vname;
                if (Missing(file))
                    ReportFinding(path, vname, data, "Invalid Path", FindingKind::Value);
            }
            break;
        case 11:
            if (type == kRegSz && vname.empty()) {
                std::string data = DataText(valueData_);
                if (Missing(data))
                    ReportFinding(path, {}, data, "Invalid App Path", FindingKind::Key);
            }
            break;
        case 12:
            if (type == kRegSz) {
                std::string data = DataText(valueData_);
                bool missing = FindDrivePrefix(data) ? Missing(data) : !judge_.SearchProgram(data);
                if (missing)
                    ReportFinding(path, vname, data, "Invalid System Driver", FindingKind::Value);
            }
            break;
        default:
            break;
        }
    }
}

} // namespace zt
