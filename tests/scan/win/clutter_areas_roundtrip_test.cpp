// The MUI cache, Compatibility Assistant store, installer folders and type libraries on the
// real registry and files of the test prefix: live and dead entries planted (names in several
// scripts, one past MAX_PATH), judged by the console scan, cleaned, restored and compared with
// the prefix's own regedit.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "seams/Unicode.h"
#include "support/captured_cli.h"
#include "support/planted_scan.h"
#include "support/win_files.h"

namespace zt {
namespace {

using Json = nlohmann::json;
using test::Long;
using test::MakeFolders;
using test::RemoveAll;
using test::SetValue;

void SetText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& t) {
    test::SetText(root, key, name, REG_SZ, t);
}

const std::wstring kBase = L"C:\\zt-clutter";
const std::wstring kMui =
    L"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
const std::wstring kStore = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\"
                            L"Compatibility Assistant\\Store";
const std::wstring kFolders = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::wstring kComponent = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\"
                                L"UserData\\S-1-5-18\\Components\\5A7E00C1ZTCLUTTER";
const std::wstring kLibDead = L"TypeLib\\{5A7E0000-0000-4000-8000-00000000C1D0}";
const std::wstring kLibHalf = L"TypeLib\\{5A7E0000-0000-4000-8000-00000000C1D1}";
const char* kAreas = "CheckMuiCache,CheckCompatibilityStore,CheckInstallerFolders,"
                     "CheckTypeLibraries";

void MakeFile(const std::wstring& path) {
    MakeFolders(path.substr(0, path.rfind(L'\\')));
    HANDLE f = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << FromWide(path);
    CloseHandle(f);
}

bool ValueThere(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    bool there = RegQueryValueExW(k, name.empty() ? nullptr : name.c_str(), nullptr, nullptr,
                                  nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(k);
    return there;
}

void DeleteValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    RegDeleteValueW(k, name.c_str());
    RegCloseKey(k);
}

// One planted entry: a value, or a key when `name` is empty and it is a type library version.
struct Planted {
    HKEY root;
    std::wstring key;
    std::wstring name;
    bool dead;
    std::string Where() const {
        const char* abbrev = root == HKEY_CLASSES_ROOT   ? "HKCR\\"
                             : root == HKEY_CURRENT_USER ? "HKCU\\"
                                                         : "HKLM\\";
        return abbrev + FromWide(key) + "\\" + FromWide(name);
    }
};

class ClutterRoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const HKEY cu = HKEY_CURRENT_USER, lm = HKEY_LOCAL_MACHINE, cr = HKEY_CLASSES_ROOT;
        std::wstring longFolder = kBase + L"\\long";
        for (int i = 0; longFolder.size() < 290; ++i)
            longFolder += L"\\длинный путь " + std::to_wstring(i);
        const std::wstring live = kBase + L"\\Программы 工具", gone = kBase + L"\\Gone 😀 Łódź";
        const std::wstring liveExe = live + L"\\приложение.exe",
                           longExe = longFolder + L"\\app.exe";
        MakeFile(liveExe);
        MakeFile(longExe);
        MakeFile(live + L"\\lib32.tlb");

        // MUI cache: the program's path is the value's name, before a known suffix.
        for (const auto& [program, dead] :
             std::vector<std::pair<std::wstring, bool>>{{liveExe, false},
                                                        {longExe, false},
                                                        {gone + L"\\程序.exe", true},
                                                        {longFolder + L"\\gone é.exe", true}}) {
            for (const wchar_t* suffix : {L".FriendlyAppName", L".ApplicationCompany"}) {
                SetText(cu, kMui, program + suffix, L"Ζ " + program.substr(program.rfind('\\')));
                planted_.push_back({cu, kMui, program + suffix, dead});
            }
        }
        SetText(cu, kMui, gone + L"\\no-suffix.exe", L"not judged");
        planted_.push_back({cu, kMui, gone + L"\\no-suffix.exe", false});

        // Compatibility Assistant store: names are program paths, data is binary.
        const BYTE data[] = {0x53, 0x41, 0x43, 0x50, 0x01, 0x00};
        for (const auto& [name, dead] :
             std::vector<std::pair<std::wstring, bool>>{{liveExe, false},
                                                        {gone + L"\\setup ü.exe", true},
                                                        {longExe, false},
                                                        {L"SIGN.MEDIA=5A7E00 setup.exe", false}}) {
            SetValue(cu, kStore, name, REG_BINARY, data, sizeof data);
            planted_.push_back({cu, kStore, name, dead});
        }

        // Installer folders: with and without a trailing backslash; one a component still
        // lies in; Windows Installer's rollback folder, kept on purpose.
        const std::wstring held = gone + L"\\Held\\";
        SetText(lm, kComponent, L"5A7E00C1PRODUCT", held + L"bin\\held.dll");
        for (const auto& [name, dead] :
             std::vector<std::pair<std::wstring, bool>>{{live + L"\\", false},
                                                        {longFolder, false},
                                                        {gone + L"\\Data\\", true},
                                                        {gone + L"\\Ελληνικά", true},
                                                        {held, false},
                                                        {L"C:\\Config.Msi\\", false}}) {
            SetText(lm, kFolders, name, L"");
            planted_.push_back({lm, kFolders, name, dead});
        }

        // Type libraries: every file gone (the version key is the finding), and one whose
        // win32 file is there while its win64 file is gone.
        SetText(cr, kLibDead + L"\\1.0", L"", L"ZtClutter dead library");
        SetText(cr, kLibDead + L"\\1.0\\0\\win32", L"", gone + L"\\lib32.tlb");
        SetText(cr, kLibDead + L"\\1.0\\0\\win64", L"", gone + L"\\lib64.dll\\2");
        SetText(cr, kLibDead + L"\\1.0\\FLAGS", L"", L"0");
        SetText(cr, kLibHalf + L"\\1.0\\0\\win32", L"", live + L"\\lib32.tlb");
        SetText(cr, kLibHalf + L"\\1.0\\0\\win64", L"", gone + L"\\lib64.tlb");
        planted_.push_back({cr, kLibDead + L"\\1.0", L"", true});
        planted_.push_back({cr, kLibHalf + L"\\1.0", L"", false});
    }

    void TearDown() override {
        for (const auto& p : planted_)
            if (!p.name.empty()) DeleteValue(p.root, p.key, p.name);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kLibDead.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kLibHalf.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kComponent.c_str());
        RemoveAll(kBase);
    }

    // The planted entries the console scan of the four areas reports, by PATH text.
    std::map<std::string, Json> Found() {
        test::CapturedCli cli;
        EXPECT_EQ(cli::RunScanCommand(cli.ctx, {"--json", "--categories", kAreas}), cli::kExitOk)
            << cli.Err();
        std::vector<std::string> paths;
        for (const auto& p : planted_)
            paths.push_back(p.Where());
        return test::FindingsAt(Json::parse(cli.Out()), paths);
    }

    // The keys holding the planted entries, as the prefix's regedit exports them.
    std::vector<std::string> Export() {
        return test::ExportKeys({L"HKEY_CURRENT_USER\\" + kMui, L"HKEY_CURRENT_USER\\" + kStore,
                                 L"HKEY_LOCAL_MACHINE\\" + kFolders,
                                 L"HKEY_CLASSES_ROOT\\" + kLibDead,
                                 L"HKEY_CLASSES_ROOT\\" + kLibHalf});
    }

    std::vector<Planted> planted_;
};

TEST_F(ClutterRoundTripTest, DeadEntriesFoundCleanedAndRestoredExactly) {
    auto found = Found();
    std::string ids;
    for (const auto& p : planted_) {
        auto it = found.find(p.Where());
        EXPECT_EQ(it != found.end(), p.dead)
            << (p.dead ? "not reported: " : "live entry reported: ") << p.Where();
        if (it == found.end() || !p.dead) continue;
        ids += (ids.empty() ? "" : ",") + it->second.at("id").get<std::string>();
    }
    ASSERT_FALSE(ids.empty());

    const auto before = Export();
    std::string backup;
    {
        test::CapturedCli cli;
        EXPECT_EQ(cli::RunCleanCommand(cli.ctx,
                                       {"--yes", "--json", "--categories", kAreas, "--only", ids}),
                  cli::kExitOk)
            << cli.Err() << cli.Out();
        Json out = Json::parse(cli.Out());
        EXPECT_EQ(out.at("cleaned").get<std::size_t>(), found.size()) << out.dump(1);
        EXPECT_TRUE(out.at("keptBack").empty()) << out.dump(1);
        ASSERT_TRUE(out.at("backupFile").is_string()) << out.dump(1);
        backup = out.at("backupFile").get<std::string>();
    }
    for (const auto& p : planted_) {
        const bool there = p.name.empty() ? ValueThere(p.root, p.key + L"\\0\\win32", L"")
                                          : ValueThere(p.root, p.key, p.name);
        EXPECT_EQ(there, !p.dead) << p.Where();
    }
    EXPECT_TRUE(Found().empty()) << "a second scan finds what the cleaning removed";

    {
        test::CapturedCli cli;
        EXPECT_EQ(cli::RunRestoreCommand(cli.ctx, {"--json", backup}), cli::kExitOk)
            << cli.Err() << cli.Out();
    }
    const auto after = Export();
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(before[i] == after[i]) << "export " << i << " differs after the restore";
    EXPECT_EQ(Found().size(), found.size()) << "the restored entries are found again";
}

} // namespace
} // namespace zt
