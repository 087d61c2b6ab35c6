// Names and paths in every script, on the real registry and files of the test prefix: planted
// through the wide API, judged by the scan, cleaned, restored and compared with the prefix's
// own regedit; and the temporary folder measured and emptied.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "diskclean/FolderWalk.h"
#include "platform/win32/Win32System.h"
#include "scan/ScanCategories.h"
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
using test::SetText;
using test::SetValue;

const std::wstring kBase = L"C:\\zt-uni";
const std::wstring kLodz = L"C:\\Łódź"; // outside code page 1252
const std::wstring kCv = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::wstring kNtCv = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kProgId = L"ZtUni.Документ";

// Folders in each script (combining marks, the upper half of code page 1252); LongFolder
// takes the path past MAX_PATH.
const std::wstring kCyrCjkEmoji = kBase + L"\\Программы\\工具\\😀";
const std::wstring kGreek = kBase + L"\\Ελληνικά";
const std::wstring kCombining = kBase + L"\\Ame\u0301lie\u0308 A\u030a";
const std::wstring kCp1252 = kBase + L"\\Démarrage Œuvre € ÿ ‰";
std::wstring LongFolder() {
    std::wstring path = kBase + L"\\long";
    for (int i = 0; path.size() < 290; ++i)
        path += L"\\длинный путь " + std::to_wstring(i);
    return path;
}

void MakeFile(const std::wstring& path, const std::string& content = "zt") {
    HANDLE f = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << FromWide(path);
    DWORD written = 0;
    WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    // Three days old, past the disk cleaner's rule for recent files.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 3ULL * 24 * 3600 * 10000000;
    FILETIME old{t.LowPart, t.HighPart};
    SetFileTime(f, &old, &old, &old);
    CloseHandle(f);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every scan area by its switch name.
std::string AllAreas() {
    std::string list;
    for (const auto& c : kScanCategories) {
        if (!list.empty()) list += ',';
        list += c.settingsKey;
    }
    return list;
}

struct Planted {
    Planted(HKEY r, std::wstring k, std::wstring n, DWORD t, std::wstring d, std::wstring f = {},
            bool b = false, bool kf = false, std::wstring o = {})
        : root(r), key(std::move(k)), name(std::move(n)), type(t), data(std::move(d)),
          file(std::move(f)), breaks(b), keyFinding(kf), owned(std::move(o)) {}
    HKEY root;
    std::wstring key;
    std::wstring name; // empty: the default value
    DWORD type;
    std::wstring data;
    std::wstring file;  // the file the data names, created in the first step
    bool breaks;        // its file is deleted in the second step
    bool keyFinding;    // a finding names the key, not the value
    std::wstring owned; // the key this test made (removed at the end); empty: value only

    // The finding's PATH text as the scan shows it.
    std::string Where() const {
        const char* abbrev = root == HKEY_CLASSES_ROOT   ? "HKCR"
                             : root == HKEY_CURRENT_USER ? "HKCU"
                                                         : "HKLM";
        return std::string(abbrev) + "\\" + FromWide(key) + "\\" +
               (keyFinding ? std::string() : FromWide(name));
    }
    std::wstring RootName() const {
        return root == HKEY_CLASSES_ROOT   ? L"HKEY_CLASSES_ROOT"
               : root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER"
                                           : L"HKEY_LOCAL_MACHINE";
    }
};

class UnicodeRoundTripTest : public ::testing::Test {
  protected:
    // One planted entry; `file` defaults to the data when that is a path.
    void Add(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
             const std::wstring& data, unsigned flags = 0, const std::wstring& owned = {},
             const std::wstring& file = {}) {
        entries_.emplace_back(root, key, name, type, data, file, (flags & kBreaks) != 0,
                              (flags & kKeyFinding) != 0, owned);
    }
    static constexpr unsigned kBreaks = 1, kKeyFinding = 2;

    void SetUp() override {
        SetEnvironmentVariableW(L"ZTUNI", kLodz.c_str());
        const HKEY cr = HKEY_CLASSES_ROOT, cu = HKEY_CURRENT_USER, lm = HKEY_LOCAL_MACHINE;
        const std::wstring run = kCv + L"\\Run", uninstall = kCv + L"\\Uninstall";
        const std::wstring appPaths = kCv + L"\\App Paths", fonts = kNtCv + L"\\Fonts";
        const std::wstring drivers = kNtCv + L"\\Drivers32";
        const std::wstring clsid = L"CLSID\\{5A7E0000-0000-4000-8000-0000000000C1}";
        const std::wstring longFolder = LongFolder();
        const std::wstring user = L"Software\\ZentroveTest\\Unicode Программа";
        const std::wstring system = L"Software\\ZtUni 工具";
        const std::wstring ext =
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.ztюни";
        const std::wstring sounds = L"AppEvents\\Schemes\\Apps\\ZtUni";
        const std::wstring lodzApp = uninstall + L"\\ZtUni Łódź";
        const std::wstring brokenApp = uninstall + L"\\Программа 😀";
        const std::wstring looseApp = uninstall + L"\\ZtUni Жёлтый";
        const std::wstring goodTool = appPaths + L"\\ztuni-工具.exe";
        const std::wstring brokenTool = appPaths + L"\\ztuni-сломан.exe";

        // COM/CLSID and File Associations, in the classes root. The extension names its class
        // in another letter case of its script: the registry still finds it.
        Add(cr, clsid + L"\\InprocServer32", L"", REG_SZ, kCyrCjkEmoji + L"\\com-сервер.dll",
            kBreaks, clsid);
        Add(cr, kProgId + L"\\CLSID", L"", REG_SZ, L"{5A7E0000-0000-4000-8000-0000000000C1}", 0,
            kProgId);
        Add(cr, kProgId + L"\\shell\\open\\command", L"", REG_SZ,
            L"\"" + kGreek + L"\\αρχείο.exe\" \"%1\"", kBreaks | kKeyFinding, kProgId,
            kGreek + L"\\αρχείο.exe");
        Add(cr, L".ztюни", L"", REG_SZ, L"ZTUNI.доКУМЕНТ", kKeyFinding, L".ztюни");
        // User and System Software Settings.
        Add(cu, user + L"\\Ελληνικά", L"Путь 😀", REG_SZ, kCombining + L"\\настройки.dat", kBreaks,
            user);
        Add(cu, user + L"\\Ελληνικά", L"Ruta ÿé", REG_SZ, kCp1252 + L"\\datos.dat", 0, user);
        Add(lm, system + L"\\Ελληνικά", L"Файл", REG_SZ, longFolder + L"\\сист.dat", kBreaks,
            system);
        Add(lm, system + L"\\Ελληνικά", L"Lodz", REG_SZ, kLodz + L"\\app.dat", 0, system);
        // Shared DLLs: the path is the value's name.
        Add(lm, kCv + L"\\SharedDlls", kCyrCjkEmoji + L"\\общая.dll", REG_DWORD, L"", kBreaks);
        Add(lm, kCv + L"\\SharedDlls", longFolder + L"\\long.dll", REG_DWORD, L"");
        // File Extensions: a program known by its App Paths key, the class in the list.
        Add(cu, ext + L"\\OpenWithList", L"a", REG_SZ, L"ztuni-工具.exe", 0, ext);
        Add(cu, ext + L"\\OpenWithProgids", kProgId, REG_NONE, L"", kKeyFinding, ext);
        // Startup, with two names outside the code page that once shared one id.
        Add(cu, run, L"Запуск", REG_SZ, L"\"" + kCyrCjkEmoji + L"\\запуск.exe\" /min", kBreaks, {},
            kCyrCjkEmoji + L"\\запуск.exe");
        Add(cu, run, L"Привет", REG_SZ, kGreek + L"\\привет.exe", kBreaks);
        Add(cu, run, L"Москва", REG_SZ, kGreek + L"\\москва.exe", kBreaks);
        Add(cu, run, L"Démarrage", REG_SZ, kCp1252 + L"\\démarrage.exe");
        Add(lm, run, L"ZtUni 工具", REG_SZ, longFolder + L"\\tray.exe");
        // Sound events, one through a variable holding a name outside the code page.
        Add(cu, sounds + L"\\Событие\\.Current", L"", REG_EXPAND_SZ, L"%ZTUNI%\\звук ♫.wav",
            kBreaks, sounds, kLodz + L"\\звук ♫.wav");
        Add(cu, sounds + L"\\Évènement\\.Current", L"", REG_EXPAND_SZ, kCp1252 + L"\\son.wav", 0,
            sounds);
        // Uninstall: %ZTUNI%\uninst.exe with ZTUNI=C:\Łódź and the file present stays.
        Add(lm, lodzApp, L"UninstallString", REG_EXPAND_SZ, L"%ZTUNI%\\uninst.exe", 0, lodzApp,
            kLodz + L"\\uninst.exe");
        Add(lm, brokenApp, L"DisplayIcon", REG_SZ, kCyrCjkEmoji + L"\\значок.ico",
            kBreaks | kKeyFinding, brokenApp);
        Add(lm, looseApp, L"DisplayIcon", REG_SZ, kGreek + L"\\ж.ico", kBreaks | kKeyFinding,
            looseApp);
        // Fonts, Help, App Paths (one past MAX_PATH), Drivers32.
        Add(lm, fonts, L"ZtUni Шрифт 字体 (TrueType)", REG_SZ, kCyrCjkEmoji + L"\\шрифт.ttf",
            kBreaks);
        Add(lm, fonts, L"ZtUni Police é (TrueType)", REG_SZ, kCp1252 + L"\\police.ttf");
        Add(lm, L"SOFTWARE\\Microsoft\\Windows\\Help", L"справка-工具.hlp", REG_SZ, kGreek, kBreaks,
            {}, kGreek + L"\\справка-工具.hlp");
        Add(lm, L"SOFTWARE\\Microsoft\\Windows\\Html Help", L"aide-é̈.chm", REG_SZ,
            kCombining + L"\\", 0, {}, kCombining + L"\\aide-é̈.chm");
        Add(lm, goodTool, L"", REG_SZ, longFolder + L"\\工具.exe", kKeyFinding, goodTool);
        Add(lm, brokenTool, L"", REG_SZ, kCombining + L"\\сломан.exe", kBreaks | kKeyFinding,
            brokenTool);
        Add(lm, drivers, L"msacm.ztуни", REG_SZ, kCyrCjkEmoji + L"\\кодек.acm", kBreaks);
        Add(lm, drivers, L"vidc.ztελ", REG_SZ, longFolder + L"\\vid.dll");

        for (const auto& folder : {kCyrCjkEmoji, kGreek, kCombining, kCp1252, longFolder, kLodz})
            MakeFolders(folder);
        for (auto& e : entries_) {
            if (e.file.empty() && e.type != REG_DWORD && e.type != REG_NONE &&
                e.data.find(L':') == 1)
                e.file = e.data;
            if (e.type == REG_DWORD) e.file = e.name;
            if (!e.file.empty()) MakeFile(e.file);
            if (e.type == REG_DWORD) {
                DWORD one = 1;
                SetValue(e.root, e.key, e.name, REG_DWORD, &one, sizeof one);
            } else if (e.type == REG_NONE) {
                SetValue(e.root, e.key, e.name, REG_NONE, nullptr, 0);
            } else {
                SetText(e.root, e.key, e.name, e.type, e.data);
            }
        }
        // Data the backup must give back unit for unit, in the trees of key findings. A string
        // without its terminator may instead be kept back (looseApp), never altered.
        exact_ = {brokenApp + L"\\Δεδομένα", looseApp};
        mayKeepBack_ = Planted(lm, looseApp, L"", 0, L"", {}, true, true).Where();
        const std::wstring tree = exact_[0];
        const wchar_t multi[] = L"一\0二 😀\0e\u0301\0";
        SetValue(lm, tree, L"多行", REG_MULTI_SZ, multi, sizeof multi);
        SetText(lm, tree, L"Ёмкость", REG_EXPAND_SZ, L"%ZTUNI%\\ё€");
        const wchar_t unterminated[] = {L'Ж', L'€', L'z'};
        SetValue(lm, looseApp, L"ÿŒ", REG_SZ, unterminated, sizeof unterminated);
        const BYTE odd[] = {0x16, 0x04, 0x41};
        SetValue(lm, looseApp, L"Нечёт", REG_EXPAND_SZ, odd, sizeof odd);
        const wchar_t lone[] = {L'a', 0xD800, L'b', 0xDC00, 0};
        SetValue(lm, tree, L"孤", REG_SZ, lone, sizeof lone);
        const BYTE bytes[] = {0xff, 0xfe, 0x00, 0xd8, 0x80};
        SetValue(lm, tree, L"Данные", REG_BINARY, bytes, sizeof bytes);
    }

    void TearDown() override {
        for (const auto& e : entries_) {
            if (!e.owned.empty()) {
                RegDeleteTreeW(e.root, e.owned.c_str());
            } else {
                HKEY k = nullptr;
                if (RegOpenKeyExW(e.root, e.key.c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
                    RegDeleteValueW(k, e.name.c_str());
                    RegCloseKey(k);
                }
            }
        }
        RemoveAll(kBase);
        RemoveAll(kLodz);
        SetEnvironmentVariableW(L"ZTUNI", nullptr);
    }

    // zentrove-cli's scan of every area, in process.
    Json ScanAll() {
        test::CapturedCli cli;
        EXPECT_EQ(cli::RunScanCommand(cli.ctx, {"--json", "--categories", AllAreas()}),
                  cli::kExitOk)
            << cli.Err();
        return Json::parse(cli.Out());
    }
    // Findings by PATH text, for the planted entries only.
    std::map<std::string, Json> PlantedFindings(const Json& scan) {
        std::vector<std::string> paths;
        for (const auto& e : entries_)
            paths.push_back(e.Where());
        return test::FindingsAt(scan, paths);
    }
    // The planted keys as the prefix's regedit exports them, one file each.
    std::vector<std::string> Export() {
        std::set<std::wstring> keys;
        for (const auto& e : entries_)
            keys.insert(e.RootName() + L"\\" + (e.owned.empty() ? e.key : e.owned));
        return test::ExportKeys({keys.begin(), keys.end()});
    }

    std::vector<Planted> entries_;
    std::vector<std::wstring> exact_; // below HKLM, compared value by value as stored
    std::string mayKeepBack_;
    std::set<std::string> kept_;
};

// Name -> type and data of every value of HKLM\`key`, exactly as stored.
std::map<std::wstring, std::pair<DWORD, std::string>> Stored(const std::wstring& key) {
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        char data[4096];
        DWORD chars = 16384, size = sizeof data, type = 0;
        if (RegEnumValueW(k, i, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &size) != ERROR_SUCCESS)
            break;
        values[std::wstring(name, chars)] = {type, std::string(data, size)};
    }
    RegCloseKey(k);
    return values;
}

TEST_F(UnicodeRoundTripTest, EveryAreaJudgedCleanedAndRestoredExactly) {
    // Every file exists: nothing planted is reported.
    for (const auto& [where, f] : PlantedFindings(ScanAll()))
        ADD_FAILURE() << "valid entry reported: " << where << " (" << f.dump() << ")";

    for (const auto& e : entries_) {
        if (e.breaks) {
            ASSERT_TRUE(DeleteFileW(Long(e.file).c_str())) << FromWide(e.file);
        }
    }
    auto found = PlantedFindings(ScanAll());
    std::string ids;
    for (const auto& e : entries_) {
        auto it = found.find(e.Where());
        if (!e.breaks) {
            EXPECT_TRUE(it == found.end()) << "valid entry reported: " << e.Where();
            continue;
        }
        if (it == found.end()) {
            ADD_FAILURE() << "missing file not reported: " << e.Where();
            continue;
        }
        EXPECT_EQ(it->second.at("value").get<std::string>(),
                  e.type == REG_DWORD ? "1" : FromWide(e.data))
            << e.Where();
        if (!ids.empty()) ids += ',';
        ids += it->second.at("id").get<std::string>();
    }
    const std::string run = "HKCU\\" + FromWide(kCv) + "\\Run\\";
    const auto privet = found.find(run + "Привет");
    const auto moskva = found.find(run + "Москва");
    ASSERT_TRUE(privet != found.end() && moskva != found.end());
    EXPECT_NE(privet->second.at("id"), moskva->second.at("id"));

    const auto before = Export();
    std::vector<std::map<std::wstring, std::pair<DWORD, std::string>>> stored;
    for (const auto& key : exact_)
        stored.push_back(Stored(key));
    std::string backup;
    {
        test::CapturedCli cli;
        const int rc = cli::RunCleanCommand(
            cli.ctx, {"--yes", "--json", "--categories", AllAreas(), "--only", ids});
        Json out = Json::parse(cli.Out());
        std::set<std::string> ours;
        for (const auto& [where, f] : found)
            ours.insert(f.at("id").get<std::string>());
        for (const auto& kept : out.at("keptBack"))
            if (ours.count(kept.value("id", ""))) kept_.insert(kept.at("id").get<std::string>());
        // A finding kept back makes the run incomplete.
        EXPECT_EQ(rc, kept_.empty() ? cli::kExitOk : cli::kExitFailed) << cli.Err();
        EXPECT_EQ(out.at("cleaned").get<int>() + static_cast<int>(kept_.size()),
                  static_cast<int>(found.size()))
            << out.dump(1);
        EXPECT_TRUE(out.at("notDeleted").empty()) << out.dump(1);
        ASSERT_TRUE(out.at("backupFile").is_string()) << out.dump(1);
        backup = out.at("backupFile").get<std::string>();
    }
    // Gone, apart from what stays valid (the uninstaller found through C:\Łódź first of all)
    // and what was kept back: only a key holding data a backup cannot carry may be.
    for (const auto& e : entries_) {
        HKEY k = nullptr;
        bool present = RegOpenKeyExW(e.root, e.key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS &&
                       RegQueryValueExW(k, e.name.empty() ? nullptr : e.name.c_str(), nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        if (k) RegCloseKey(k);
        const auto it = found.find(e.Where());
        const bool kept = it != found.end() && kept_.count(it->second.at("id").get<std::string>());
        EXPECT_TRUE(!kept || e.Where() == mayKeepBack_) << "kept back: " << e.Where();
        EXPECT_EQ(present, !e.breaks || kept) << e.Where();
    }
    // Names outside the code page are kept as the system's editor keeps them: UTF-16 with BOM.
    const std::string file = test::ReadBytes(ToWide(backup));
    const std::wstring head = L"\xfeffWindows Registry Editor Version 5.00";
    ASSERT_GE(file.size(), head.size() * 2);
    EXPECT_EQ(
        file.compare(0, head.size() * 2,
                     std::string(reinterpret_cast<const char*>(head.data()), head.size() * 2)),
        0);

    {
        test::CapturedCli cli;
        EXPECT_EQ(cli::RunRestoreCommand(cli.ctx, {"--json", backup}), cli::kExitOk)
            << cli.Err() << cli.Out();
        Json out = Json::parse(cli.Out());
        EXPECT_EQ(out.at("verified"), out.at("keys").get<int>() + out.at("values").get<int>());
    }
    const auto after = Export();
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(before[i] == after[i]) << "export " << i << " differs after the restore";
    for (std::size_t i = 0; i < exact_.size(); ++i) {
        auto now = Stored(exact_[i]);
        for (const auto& [name, value] : stored[i]) {
            auto it = now.find(name);
            EXPECT_TRUE(it != now.end() && it->second == value)
                << FromWide(exact_[i]) << " value " << FromWide(name) << " (type " << value.first
                << ", " << value.second.size() << " bytes) came back as "
                << (it == now.end() ? std::string("nothing")
                                    : "type " + std::to_string(it->second.first) + ", " +
                                          std::to_string(it->second.second.size()) + " bytes");
        }
        EXPECT_EQ(now.size(), stored[i].size()) << FromWide(exact_[i]);
    }
}

TEST(UnicodeTempFolder, FilesInEveryScriptAndPastMaxPathAreMeasuredAndDeleted) {
    Win32System sys;
    const std::wstring top = ToWide(sys.GetTempFolder()) + L"zt-uni Ωμέγα";
    std::wstring deep = top;
    while (deep.size() < 300)
        deep += L"\\глубоко 深い";
    RemoveAll(top);
    MakeFolders(deep);
    const std::vector<std::wstring> files = {top + L"\\файл.tmp",   top + L"\\临时.tmp",
                                             top + L"\\😀🚀.tmp",     top + L"\\Łódź.tmp",
                                             top + L"\\αρχείο.tmp", top + L"\\e\u0301\u0308.tmp",
                                             top + L"\\é€ÿŒ.tmp",   deep + L"\\глубоко.tmp"};
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        MakeFile(files[i], std::string(100 + i, 'x'));
        bytes += 100 + i;
    }
    JunkWalkRules rules;
    rules.keepChangedSince = static_cast<std::int64_t>(std::time(nullptr)) - 24 * 3600;
    JunkTally measured = MeasureJunkFolder(sys, FromWide(top), rules);
    EXPECT_EQ(measured.files, files.size());
    EXPECT_EQ(measured.bytes, bytes);
    EXPECT_EQ(measured.unreadable, 0u);
    JunkTally emptied = EmptyJunkFolder(sys, FromWide(top), rules);
    EXPECT_EQ(emptied.files, files.size());
    EXPECT_TRUE(emptied.Complete())
        << emptied.filesLeft << " left, " << emptied.unreadable << " unreadable";
    for (const auto& f : files)
        EXPECT_FALSE(Exists(f)) << FromWide(f);
    EXPECT_FALSE(Exists(deep.substr(0, deep.find(L'\\', top.size() + 1))));
    RemoveAll(top);
}

} // namespace
} // namespace zt
