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

namespace zt {
namespace {

using Json = nlohmann::json;

const std::wstring kBase = L"C:\\zt-uni";
const std::wstring kLodz = L"C:\\\u0141\u00f3d\u017a"; // C:\Łódź, outside code page 1252
const std::wstring kCv = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::wstring kNtCv = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kProgId = L"ZtUni.\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442"; // Документ

// Folders in each script; the last one takes the path past MAX_PATH.
const std::wstring kCyrCjkEmoji = kBase + L"\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c"
                                          L"\u044b\\\u5de5\u5177\\\U0001F600";
const std::wstring kGreek = kBase + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac";
const std::wstring kCombining = kBase + L"\\Ame\u0301lie\u0308 A\u030a";
const std::wstring kCp1252 = kBase + L"\\D\u00e9marrage \u0152uvre \u20ac \u00ff \u2030";
std::wstring LongFolder() {
    std::wstring path = kBase + L"\\long";
    for (int i = 0; path.size() < 290; ++i)
        path += L"\\\u0434\u043b\u0438\u043d\u043d\u044b\u0439 \u043f\u0443\u0442\u044c " +
                std::to_wstring(i);
    return path;
}

std::wstring Long(const std::wstring& path) {
    return path.size() >= MAX_PATH ? L"\\\\?\\" + path : path;
}

void MakeFolders(const std::wstring& path) {
    for (std::size_t pos = 3; pos != std::wstring::npos;) {
        pos = path.find(L'\\', pos + 1);
        CreateDirectoryW(Long(path.substr(0, pos)).c_str(), nullptr);
    }
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

void RemoveAll(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveAll(path + L"\\" + name);
            else
                DeleteFileW(Long(path + L"\\" + name).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(Long(path).c_str());
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

// Starts a command line and waits for it (the prefix's regedit).
bool RunWide(std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    for (DWORD n = 0; ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0;)
        bytes.append(buf, n);
    CloseHandle(f);
    return bytes;
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

void SetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
              const void* data, DWORD bytes) {
    HKEY k = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
        ERROR_SUCCESS)
        << FromWide(key);
    EXPECT_EQ(RegSetValueExW(k, name.empty() ? nullptr : name.c_str(), 0, type,
                             static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(k);
}
void SetText(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
             const std::wstring& text) {
    SetValue(root, key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
}

class UnicodeRoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"ZTUNI", kLodz.c_str());
        const std::wstring run = kCv + L"\\Run", uninstall = kCv + L"\\Uninstall";
        const std::wstring appPaths = kCv + L"\\App Paths",
                           clsid = L"CLSID\\{5A7E0000-0000-4000-8000-0000000000C1}";
        const std::wstring longFolder = LongFolder();
        const std::wstring userKey = L"Software\\ZentroveTest\\Unicode "
                                     L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430";
        const std::wstring systemKey = L"Software\\ZtUni \u5de5\u5177";
        const std::wstring extKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileE"
                                    L"xts\\.zt\u044e\u043d\u0438";
        const std::wstring brokenApp = L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430"
                                       L" \U0001F600";
        entries_ = {
            // COM/CLSID and File Associations: the classes root.
            {HKEY_CLASSES_ROOT,
             clsid + L"\\InprocServer32",
             L"",
             REG_SZ,
             kCyrCjkEmoji + L"\\com-\u0441\u0435\u0440\u0432\u0435\u0440.dll",
             {},
             true,
             false,
             clsid},
            {HKEY_CLASSES_ROOT,
             kProgId + L"\\CLSID",
             L"",
             REG_SZ,
             L"{5A7E0000-0000-4000-8000-0000000000C1}",
             {},
             false,
             false,
             kProgId},
            {HKEY_CLASSES_ROOT, kProgId + L"\\shell\\open\\command", L"", REG_SZ,
             L"\"" + kGreek + L"\\\u03b1\u03c1\u03c7\u03b5\u03af\u03bf.exe\" \"%1\"",
             kGreek + L"\\\u03b1\u03c1\u03c7\u03b5\u03af\u03bf.exe", true, true, kProgId},
            // The class named in another letter case of its script is still found.
            {HKEY_CLASSES_ROOT,
             L".zt\u044e\u043d\u0438",
             L"",
             REG_SZ,
             L"ZTUNI.\u0434\u043e\u041a\u0423\u041c\u0415\u041d\u0422",
             {},
             false,
             true,
             L".zt\u044e\u043d\u0438"},
            // User and System Software Settings.
            {HKEY_CURRENT_USER,
             userKey + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
             L"\u041f\u0443\u0442\u044c \U0001F600",
             REG_SZ,
             kCombining + L"\\\u043d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438.dat",
             {},
             true,
             false,
             userKey},
            {HKEY_CURRENT_USER,
             userKey + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
             L"Ruta \u00ff\u00e9",
             REG_SZ,
             kCp1252 + L"\\datos.dat",
             {},
             false,
             false,
             userKey},
            {HKEY_LOCAL_MACHINE,
             systemKey + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
             L"\u0424\u0430\u0439\u043b",
             REG_SZ,
             longFolder + L"\\\u0441\u0438\u0441\u0442.dat",
             {},
             true,
             false,
             systemKey},
            {HKEY_LOCAL_MACHINE,
             systemKey + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
             L"Lodz",
             REG_SZ,
             kLodz + L"\\app.dat",
             {},
             false,
             false,
             systemKey},
            // Shared DLLs: the path is the value's name.
            {HKEY_LOCAL_MACHINE,
             kCv + L"\\SharedDlls",
             kCyrCjkEmoji + L"\\\u043e\u0431\u0449\u0430\u044f.dll",
             REG_DWORD,
             L"",
             {},
             true},
            {HKEY_LOCAL_MACHINE,
             kCv + L"\\SharedDlls",
             longFolder + L"\\long.dll",
             REG_DWORD,
             L"",
             {},
             false},
            // File Extensions: a program known by its App Paths key, the class in its list.
            {HKEY_CURRENT_USER,
             extKey + L"\\OpenWithList",
             L"a",
             REG_SZ,
             L"ztuni-\u5de5\u5177.exe",
             {},
             false,
             false,
             extKey},
            {HKEY_CURRENT_USER,
             extKey + L"\\OpenWithProgids",
             kProgId,
             REG_NONE,
             L"",
             {},
             false,
             false,
             extKey},
            // Startup: two names outside the code page that once shared one id.
            {HKEY_CURRENT_USER, run, L"\u0417\u0430\u043f\u0443\u0441\u043a", REG_SZ,
             L"\"" + kCyrCjkEmoji + L"\\\u0437\u0430\u043f\u0443\u0441\u043a.exe\" /min",
             kCyrCjkEmoji + L"\\\u0437\u0430\u043f\u0443\u0441\u043a.exe", true},
            {HKEY_CURRENT_USER,
             run,
             L"\u041f\u0440\u0438\u0432\u0435\u0442",
             REG_SZ,
             kGreek + L"\\\u043f\u0440\u0438\u0432\u0435\u0442.exe",
             {},
             true},
            {HKEY_CURRENT_USER,
             run,
             L"\u041c\u043e\u0441\u043a\u0432\u0430",
             REG_SZ,
             kGreek + L"\\\u043c\u043e\u0441\u043a\u0432\u0430.exe",
             {},
             true},
            {HKEY_CURRENT_USER,
             run,
             L"D\u00e9marrage",
             REG_SZ,
             kCp1252 + L"\\d\u00e9marrage.exe",
             {},
             false},
            {HKEY_LOCAL_MACHINE,
             run,
             L"ZtUni \u5de5\u5177",
             REG_SZ,
             longFolder + L"\\tray.exe",
             {},
             false},
            // Sound events, through the variable that holds a name outside the code page.
            {HKEY_CURRENT_USER,
             L"AppEvents\\Schemes\\Apps\\ZtUni\\\u0421\u043e\u0431\u044b\u0442\u0438\u0435\\"
             L".Current",
             L"", REG_EXPAND_SZ, L"%ZTUNI%\\\u0437\u0432\u0443\u043a \u266b.wav",
             kLodz + L"\\\u0437\u0432\u0443\u043a \u266b.wav", true, false,
             L"AppEvents\\Schemes\\Apps\\ZtUni"},
            {HKEY_CURRENT_USER,
             L"AppEvents\\Schemes\\Apps\\ZtUni\\\u00c9v\u00e9nement\\.Current",
             L"",
             REG_EXPAND_SZ,
             kCp1252 + L"\\son.wav",
             {},
             false,
             false,
             L"AppEvents\\Schemes\\Apps\\ZtUni"},
            // Uninstall: %ZTUNI%\uninst.exe with ZTUNI=C:\Łódź and the file present stays.
            {HKEY_LOCAL_MACHINE, uninstall + L"\\ZtUni \u0141\u00f3d\u017a", L"UninstallString",
             REG_EXPAND_SZ, L"%ZTUNI%\\uninst.exe", kLodz + L"\\uninst.exe", false, false,
             uninstall + L"\\ZtUni \u0141\u00f3d\u017a"},
            {HKEY_LOCAL_MACHINE,
             uninstall + L"\\" + brokenApp,
             L"DisplayIcon",
             REG_SZ,
             kCyrCjkEmoji + L"\\\u0437\u043d\u0430\u0447\u043e\u043a.ico",
             {},
             true,
             true,
             uninstall + L"\\" + brokenApp},
            // Fonts, Help, App Paths (past MAX_PATH), Drivers32.
            {HKEY_LOCAL_MACHINE,
             kNtCv + L"\\Fonts",
             L"ZtUni \u0428\u0440\u0438\u0444\u0442 \u5b57\u4f53 (TrueType)",
             REG_SZ,
             kCyrCjkEmoji + L"\\\u0448\u0440\u0438\u0444\u0442.ttf",
             {},
             true},
            {HKEY_LOCAL_MACHINE,
             kNtCv + L"\\Fonts",
             L"ZtUni Police \u00e9 (TrueType)",
             REG_SZ,
             kCp1252 + L"\\police.ttf",
             {},
             false},
            {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\Help",
             L"\u0441\u043f\u0440\u0430\u0432\u043a\u0430-\u5de5\u5177.hlp", REG_SZ, kGreek,
             kGreek + L"\\\u0441\u043f\u0440\u0430\u0432\u043a\u0430-\u5de5\u5177.hlp", true},
            {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\Html Help",
             L"aide-\u00e9\u0308.chm", REG_SZ, kCombining + L"\\",
             kCombining + L"\\aide-\u00e9\u0308.chm", false},
            {HKEY_LOCAL_MACHINE,
             appPaths + L"\\ztuni-\u5de5\u5177.exe",
             L"",
             REG_SZ,
             longFolder + L"\\\u5de5\u5177.exe",
             {},
             false,
             true,
             appPaths + L"\\ztuni-\u5de5\u5177.exe"},
            {HKEY_LOCAL_MACHINE,
             appPaths + L"\\ztuni-\u0441\u043b\u043e\u043c\u0430\u043d.exe",
             L"",
             REG_SZ,
             kCombining + L"\\\u0441\u043b\u043e\u043c\u0430\u043d.exe",
             {},
             true,
             true,
             appPaths + L"\\ztuni-\u0441\u043b\u043e\u043c\u0430\u043d.exe"},
            {HKEY_LOCAL_MACHINE,
             kNtCv + L"\\Drivers32",
             L"msacm.zt\u0443\u043d\u0438",
             REG_SZ,
             kCyrCjkEmoji + L"\\\u043a\u043e\u0434\u0435\u043a.acm",
             {},
             true},
            {HKEY_LOCAL_MACHINE,
             kNtCv + L"\\Drivers32",
             L"vidc.zt\u03b5\u03bb",
             REG_SZ,
             longFolder + L"\\vid.dll",
             {},
             false},
        };
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
        // Data the backup must give back unit for unit, in the tree of a key finding.
        const std::wstring tree = uninstall + L"\\" + brokenApp +
                                  L"\\\u0394\u03b5\u03b4\u03bf"
                                  L"\u03bc\u03ad\u03bd\u03b1";
        const wchar_t multi[] = L"\u4e00\0\u4e8c \U0001F600\0\u00e9\u0301\0";
        SetValue(HKEY_LOCAL_MACHINE, tree, L"\u591a\u884c", REG_MULTI_SZ, multi, sizeof multi);
        SetText(HKEY_LOCAL_MACHINE, tree, L"\u0401\u043c\u043a\u043e\u0441\u0442\u044c",
                REG_EXPAND_SZ, L"%ZTUNI%\\\u0451\u20ac");
        const wchar_t unterminated[] = {L'\u0416', L'\u20ac', L'z'};
        SetValue(HKEY_LOCAL_MACHINE, tree, L"\u00ff\u0152", REG_SZ, unterminated,
                 sizeof unterminated);
        const wchar_t lone[] = {L'a', 0xD800, L'b', 0xDC00, 0};
        SetValue(HKEY_LOCAL_MACHINE, tree, L"\u5b64", REG_SZ, lone, sizeof lone);
        const BYTE bytes[] = {0xff, 0xfe, 0x00, 0xd8, 0x80};
        SetValue(HKEY_LOCAL_MACHINE, tree, L"\u0414\u0430\u043d\u043d\u044b\u0435", REG_BINARY,
                 bytes, sizeof bytes);
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
        std::map<std::string, Json> found;
        for (const auto& f : scan.at("findings"))
            for (const auto& e : entries_)
                if (NamesEqual(f.at("path").get<std::string>(), e.Where())) found[e.Where()] = f;
        return found;
    }
    // The planted keys as the prefix's regedit exports them, one file each.
    std::vector<std::string> Export() {
        std::set<std::wstring> keys;
        for (const auto& e : entries_)
            keys.insert(e.RootName() + L"\\" + (e.owned.empty() ? e.key : e.owned));
        std::vector<std::string> files;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::wstring file = std::wstring(temp) + L"zt-uni-export.reg";
        for (const auto& key : keys) {
            DeleteFileW(file.c_str());
            EXPECT_TRUE(RunWide(L"regedit.exe /e \"" + file + L"\" \"" + key + L"\""));
            files.push_back(ReadBytes(file));
            EXPECT_FALSE(files.back().empty()) << "regedit exported nothing of " << FromWide(key);
        }
        DeleteFileW(file.c_str());
        return files;
    }

    std::vector<Planted> entries_;
};

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
    const auto privet = found.find(run + "\u041f\u0440\u0438\u0432\u0435\u0442");
    const auto moskva = found.find(run + "\u041c\u043e\u0441\u043a\u0432\u0430");
    ASSERT_TRUE(privet != found.end() && moskva != found.end());
    EXPECT_NE(privet->second.at("id"), moskva->second.at("id"));

    const auto before = Export();
    std::string backup;
    {
        test::CapturedCli cli;
        ASSERT_EQ(cli::RunCleanCommand(
                      cli.ctx, {"--yes", "--json", "--categories", AllAreas(), "--only", ids}),
                  cli::kExitOk)
            << cli.Err();
        Json out = Json::parse(cli.Out());
        EXPECT_EQ(out.at("cleaned").get<int>(), static_cast<int>(found.size())) << out.dump(1);
        EXPECT_TRUE(out.at("notDeleted").empty()) << out.dump(1);
        ASSERT_TRUE(out.at("backupFile").is_string()) << out.dump(1);
        backup = out.at("backupFile").get<std::string>();
    }
    // Gone, apart from what stays valid: the uninstaller found through C:\Łódź first of all.
    EXPECT_TRUE(PlantedFindings(ScanAll()).empty());
    for (const auto& e : entries_) {
        HKEY k = nullptr;
        bool present = RegOpenKeyExW(e.root, e.key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS &&
                       RegQueryValueExW(k, e.name.empty() ? nullptr : e.name.c_str(), nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        if (k) RegCloseKey(k);
        EXPECT_EQ(present, !e.breaks) << e.Where();
    }
    // Names outside the code page are kept as the system's editor keeps them: UTF-16 with BOM.
    const std::string file = ReadBytes(ToWide(backup));
    const std::wstring head = L"\xfeffWindows Registry Editor Version 5.00";
    ASSERT_GE(file.size(), head.size() * 2);
    EXPECT_EQ(
        file.compare(0, head.size() * 2,
                     std::string(reinterpret_cast<const char*>(head.data()), head.size() * 2)),
        0);

    {
        test::CapturedCli cli;
        ASSERT_EQ(cli::RunRestoreCommand(cli.ctx, {"--json", backup}), cli::kExitOk)
            << cli.Err() << cli.Out();
        Json out = Json::parse(cli.Out());
        EXPECT_EQ(out.at("verified"), out.at("keys").get<int>() + out.at("values").get<int>());
    }
    const auto after = Export();
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(before[i] == after[i]) << "export " << i << " differs after the restore";
}

TEST(UnicodeTempFolder, FilesInEveryScriptAndPastMaxPathAreMeasuredAndDeleted) {
    Win32System sys;
    const std::wstring top = ToWide(sys.GetTempFolder()) + L"zt-uni \u03a9\u03bc\u03ad\u03b3\u03b1";
    std::wstring deep = top;
    while (deep.size() < 300)
        deep += L"\\\u0433\u043b\u0443\u0431\u043e\u043a\u043e \u6df1\u3044";
    RemoveAll(top);
    MakeFolders(deep);
    const std::vector<std::wstring> files = {top + L"\\\u0444\u0430\u0439\u043b.tmp",
                                             top + L"\\\u4e34\u65f6.tmp",
                                             top + L"\\\U0001F600\U0001F680.tmp",
                                             top + L"\\\u0141\u00f3d\u017a.tmp",
                                             top + L"\\\u03b1\u03c1\u03c7\u03b5\u03af\u03bf.tmp",
                                             top + L"\\e\u0301\u0308.tmp",
                                             top + L"\\\u00e9\u20ac\u00ff\u0152.tmp",
                                             deep + L"\\\u0433\u043b\u0443\u0431\u043e\u043a"
                                                    L"\u043e.tmp"};
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
