#include "scan/AreaRules.h"

#include <cstdint>

#include "scan/InstallerComponents.h"
#include "scan/OrphanApprovals.h"
#include "scan/PathJudge.h"
#include "scan/ScanCategories.h"

namespace zt {

namespace {

bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

bool StartsWithDot(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

// Below HKEY_CLASSES_ROOT\CLSID, where a "CLSID" key is a class, not a reference to one.
bool InClsidTree(std::string_view path) {
    return NamesEqual(path.substr(0, path.find('\\')), "CLSID");
}

bool IsClsidMissing(KeyScan& key, std::string_view value) {
    if (value.empty()) return true;
    std::string keyPath = "CLSID\\";
    if (value.front() == '{') {
        keyPath += value;
    } else {
        keyPath += '{';
        keyPath += value;
        keyPath += '}';
    }
    return key.ClassKeyMissing(keyPath);
}

// A key whose default value names a class: it must name one that exists.
void CheckClsidReference(KeyScan& key) {
    auto text = key.DefaultText();
    if (!text) {
        key.Note("default value: none");
        key.Report({}, {}, kReasonEmptyClsidReference, FindingKind::Key);
        return;
    }
    if (IsClsidMissing(key, *text)) key.Report({}, *text, kReasonMissingClsid, FindingKind::Key);
}

// A little-endian DWORD from the first bytes of the data, as a signed decimal.
std::string DwordText(std::span<const std::uint8_t> data) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < data.size() && i < 4; ++i)
        number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    return std::to_string(static_cast<std::int32_t>(number));
}

// Binary data as a backup file writes it ("hex:53,41,43"), so a change of any byte shows.
std::string HexText(std::span<const std::uint8_t> data) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "hex:";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i) text += ',';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

// A type library's file as its platform key gives it: variables expanded, and a resource
// number after the module ("...\x.dll\3") taken off.
std::string TypeLibFile(KeyScan& key, const std::string& text) {
    std::string file =
        text.find('%') == std::string::npos ? text : key.Judge().ExpandEnvironment(text);
    auto slash = file.rfind('\\');
    if (slash != std::string::npos && slash + 1 < file.size() &&
        file.find_first_not_of("0123456789", slash + 1) == std::string::npos &&
        file.find('.') < slash)
        file.resize(slash);
    return file;
}

// A 32-bit module named in the system folder lives in the 32-bit system folder.
bool Missing32(KeyScan& key, const std::string& file) {
    if (!key.Missing(file)) return false;
    System& sys = key.Judge().system();
    const std::string systemFolder = sys.SystemFolder() + "\\";
    auto drive = FindDrivePrefix(file);
    std::string_view p = std::string_view(file).substr(drive.value_or(0));
    if (!drive || systemFolder.size() < 2 || !StartsWithNoCase(p, systemFolder)) return true;
    return key.Missing(sys.WindowsFolder() + "\\SysWOW64\\" +
                       std::string(p.substr(systemFolder.size())));
}

} // namespace

void CheckComReferences(KeyScan& key) {
    const int depth = key.Depth();
    std::string_view name = key.Name();
    if (depth >= 3 && NamesEqual(name, "PersistentHandler")) {
        CheckClsidReference(key);
    } else if (depth == 3 && NamesEqual(name, "CLSID") && !InClsidTree(key.Path())) {
        CheckClsidReference(key);
    } else if (depth == 4 && Contains(name, "ProxyStubClsid")) {
        CheckClsidReference(key);
    } else if (depth >= 3 && Contains(name, "InprocServer")) {
        if (auto text = key.DefaultText())
            if (key.Missing(*text)) key.Report({}, *text, kReasonMissingFile, FindingKind::Value);
    }
}

void CheckFileAssociations(KeyScan& key) {
    const int depth = key.Depth();
    std::string_view name = key.Name();
    if (depth >= 5 && depth <= 7 && NamesEqual(name, "command")) {
        if (auto text = key.DefaultText()) {
            if (key.Missing(*text)) key.Report({}, *text, kReasonMissingFile, FindingKind::Key);
        } else if (depth == 5) {
            key.Note("default value: none");
            key.Report({}, {}, kReasonEmptyKey, FindingKind::Key);
        }
    }
    if (depth == 2 && StartsWithDot(name)) {
        // This rule reads the default into 260 characters: a value of 260 or more is
        // unreadable to it, so such a key is never reported.
        constexpr std::size_t kDefaultChars = 260;
        if (auto text = key.DefaultText(kDefaultChars))
            if (key.ClassKeyMissing(*text))
                key.Report({}, *text, kReasonMissingAssociation, FindingKind::Key);
    }
}

bool SkipClassesRootChild(const KeyScan& parent, std::string_view child) {
    if (parent.Depth() != 1) return false;
    if (NamesEqual(child, "TypeLib") || NamesEqual(child, "AppID")) return true;
    if (NamesEqual(child, "Interface") || NamesEqual(child, "CLSID"))
        return !parent.Enabled(kCategoryClsid);
    // The 32-bit classes: their class keys are not ours to judge from the 64-bit view.
    return NamesEqual(child, "Wow6432Node");
}

void CheckSoftwareFilePaths(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz || key.Depth() <= 2) continue;
        std::string data = v.Text();
        // The cheap shape tests first; the outcome is the same in any order.
        if (Contains(data, ".") && LooksLikeFilePath(data) && key.Missing(data))
            key.Report(v.name, data, kReasonMissingFile, FindingKind::Value);
    }
}

bool SkipSystemSoftwareChild(const KeyScan& parent, std::string_view child) {
    switch (parent.Depth()) {
    case 1:
        return NamesEqual(child, "Classes");
    case 2:
        return NamesEqual(child, "Classes") && NamesEqual(parent.Path(), "Software\\Wow6432Node");
    case 5:
        return NamesEqual(child, "UserData");
    default:
        return false;
    }
}

void CheckSharedDllCounts(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type == kRegDword && v.name.size() > 4 && EndsWithNoCase(v.name, ".dll") &&
            key.Missing(v.name))
            key.Report(v.name, DwordText(v.data), kReasonMissingDll, FindingKind::Value);
    }
}

void CheckFileExtensionLists(KeyScan& key) {
    std::string_view name = key.Name();
    for (ScanValue v; key.NextValue(v);) {
        if (v.type == kRegSz && NamesEqual(name, "OpenWithList") && Utf16Length(v.name) == 1) {
            std::string data = v.Text();
            if (key.AppPathMissing(data))
                key.Report(v.name, data, kReasonInvalidProgramPath, FindingKind::Value);
        } else if (v.type == kRegNone && NamesEqual(name, "OpenWithProgids") &&
                   key.ClassKeyMissing(v.name)) {
            key.Report({}, v.Text(), kReasonInvalidProgid, FindingKind::Key);
            return;
        }
    }
    if (key.Depth() == 2 && StartsWithDot(name) && !key.HadValues() && key.HoldsNothing()) {
        key.Note("values and subkeys: none");
        key.Report({}, {}, kReasonEmptyExtension, FindingKind::Key);
    }
}

void CheckStartupCommands(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if ((v.type != kRegSz && v.type != kRegExpandSz) || key.Depth() != 1) continue;
        std::string data = v.Text();
        bool missing = v.type == kRegSz ? key.Missing(data) : key.MissingExpanded(data);
        if (missing) key.Report(v.name, data, kReasonInvalidFile, FindingKind::Value);
    }
}

void CheckOrphanApprovals(AreaScan& area) {
    FindOrphanApprovals(area.registry(), area.system(), [&area](const OrphanApproval& orphan) {
        return area.Report(orphan.root, orphan.keyPath, orphan.valueName, orphan.valueText,
                           kOrphanApprovalReason, FindingKind::Value, orphan.lookedFor);
    });
}

void CheckEventSounds(KeyScan& key) {
    std::string_view name = key.Name();
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegExpandSz ||
            !(NamesEqual(name, ".Current") || NamesEqual(name, ".Default")))
            continue;
        std::string data = v.Text();
        if (key.MissingExpanded(data)) {
            key.Report(v.name, data, kReasonInvalidSound, FindingKind::Value);
            return;
        }
    }
}

void CheckUninstallEntries(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz && v.type != kRegExpandSz) continue;
        std::string data = v.Text();
        if (v.type == kRegSz && NamesEqual(v.name, "DisplayIcon")) {
            if (key.Missing(data)) key.Report({}, data, kReasonInvalidFile, FindingKind::Key);
        } else if (NamesEqual(v.name, "UninstallString") ||
                   NamesEqual(v.name, "QuietUninstallString")) {
            if (!key.CommandMissing(data, v.type == kRegExpandSz)) continue;
            key.Report(v.name, data, kReasonInvalidFile, FindingKind::Value);
            // An expandable uninstaller's report ends the key, as it always has.
            if (v.type == kRegExpandSz) return;
        }
    }
}

void CheckFontFiles(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz) continue;
        std::string data = v.Text();
        bool missing =
            FindDrivePrefix(data) ? key.Missing(data) : key.Missing(key.FontsFolder() + data);
        if (missing) key.Report(v.name, data, kReasonInvalidFont, FindingKind::Value);
    }
}

void CheckHelpFiles(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz) continue;
        std::string data = v.Text();
        std::string file = data;
        if (file.empty() || file.back() != '\\') file += '\\';
        file += v.name;
        if (key.Missing(file)) key.Report(v.name, data, kReasonInvalidHelpPath, FindingKind::Value);
    }
}

void CheckAppPathDefault(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz || !v.name.empty()) continue;
        std::string data = v.Text();
        if (key.Missing(data)) key.Report({}, data, kReasonInvalidAppPath, FindingKind::Key);
    }
}

void CheckDriverFiles(KeyScan& key) {
    for (ScanValue v; key.NextValue(v);) {
        if (v.type != kRegSz) continue;
        std::string data = v.Text();
        bool missing = FindDrivePrefix(data) ? key.Missing(data) : key.ProgramMissing(data);
        if (missing) key.Report(v.name, data, kReasonInvalidDriver, FindingKind::Value);
    }
}

void CheckMuiCacheNames(KeyScan& key) {
    if (key.Depth() != 1) return;
    for (ScanValue v; key.NextValue(v);) {
        for (std::string_view suffix : kMuiCacheSuffixes) {
            if (v.name.size() <= suffix.size() || !EndsWithNoCase(v.name, suffix)) continue;
            if (key.Missing(v.name.substr(0, v.name.size() - suffix.size())))
                key.Report(v.name, v.Text(), kReasonInvalidMuiCache, FindingKind::Value);
            break;
        }
    }
}

void CheckCompatibilityStore(KeyScan& key) {
    if (key.Depth() != 1) return;
    for (ScanValue v; key.NextValue(v);)
        if (key.Missing(v.name))
            key.Report(v.name, HexText(v.data), kReasonInvalidCompatibility, FindingKind::Value);
}

void CheckInstallerFolders(KeyScan& key) {
    if (key.Depth() != 1) return;
    // Read at the first missing folder, once for the whole key.
    std::optional<InstallerComponentPaths> components;
    for (ScanValue v; key.NextValue(v);) {
        std::string_view folder = v.name;
        while (folder.size() > 3 && folder.back() == '\\')
            folder.remove_suffix(1);
        // The judgement leans on files; a folder that is there is asked for as a folder too.
        if (!key.Missing(folder) || key.Judge().system().Exists(folder)) continue;
        if (!components) components = InstallerComponentPaths::Read(key.Judge().registry());
        if (components->Holds(folder)) continue;
        key.Report(v.name, v.Text(), kReasonInvalidInstallerFolder, FindingKind::Value);
    }
}

void CheckTypeLibFiles(KeyScan& key) {
    if (key.Depth() != 3) return;
    std::vector<std::string> files;
    for (const std::string& locale : key.SubkeyNames()) {
        for (std::string_view platform : {"win32", "win64"}) {
            auto text = key.SubkeyDefaultText(locale + "\\" + std::string(platform));
            if (!text) continue;
            std::string file = TypeLibFile(key, *text);
            // One file there (or a name not judged) keeps the whole version.
            if (platform == "win32" ? !Missing32(key, file) : !key.Missing(file)) return;
            files.push_back(std::move(file));
        }
    }
    if (files.empty()) return;
    std::string looked = "type library files looked for: " + files.front();
    for (std::size_t i = 1; i < files.size(); ++i)
        looked += "; " + files[i];
    key.Note(looked + ": none found");
    key.Report({}, files.front(), kReasonInvalidTypeLib, FindingKind::Key);
}

bool SkipTypeLibChild(const KeyScan& parent, std::string_view /*child*/) {
    return parent.Depth() >= 3;
}

} // namespace zt
