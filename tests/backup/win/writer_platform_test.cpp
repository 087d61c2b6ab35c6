// What only the real registry and editor can show: names and text in every script through the
// editor and back, and a replay that has finished when the restore returns.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "backup/BackupStore.h"
#include "backup/RegFileWriter.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"
#include "support/seams.h"
#include "support/win_process.h"
#include "tests/backup/common/backup_test_util.h"

namespace zt {
namespace {

std::wstring Wide(const std::string& s) {
    return ToWide(s);
}

class WriterOnWindows : public ::testing::Test {
  protected:
    Win32Registry reg;
    Win32System sys;
    test::ScratchKey scratch{reg};
    std::string file = test::ScratchFolder(sys) + "\\out.reg";

    void CreateWide(const std::wstring& sub, const wchar_t* valueName = nullptr) {
        std::wstring path = Wide(scratch.path()) + L"\\" + sub;
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        DWORD one = 1;
        if (valueName) {
            ASSERT_EQ(RegSetValueExW(k, valueName, 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
                      ERROR_SUCCESS);
        }
        RegCloseKey(k);
    }
};

// The keys as the system's own editor exports them (its 5.00 form, UTF-16).
std::string EditorExport(const std::string& key, const std::string& file) {
    DeleteFileW(ToWide(file).c_str());
    EXPECT_TRUE(test::RunAndWait("regedit.exe /e \"" + file + "\" \"" + key + "\"", 60000));
    std::ifstream in(std::filesystem::path(ToWide(file)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(WriterOnWindows, NamesAndTextInEveryScriptComeBackThroughTheEditor) {
    // Cyrillic, CJK and emoji key names; value names and data in several scripts, the upper
    // half of code page 1252, an expandable path, a multi-string and a lone surrogate.
    const std::wstring top = L"Uni";
    CreateWide(top + L"\\\x041f\x0440\x043e\x0433\x0440\x0430\x043c\x043c\x0430"); // Программа
    CreateWide(top + L"\\\x5de5\x5177\\\xd83d\xde00", L"\x0417\x0430\x043f\x0443\x0441\x043a");
    std::wstring path = Wide(scratch.path()) + L"\\" + top;
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    auto set = [&](const wchar_t* name, DWORD type, std::wstring_view data) {
        ASSERT_EQ(RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    set(L"D\x00e9marrage", REG_SZ, std::wstring_view(L"D\x00e9marrage.exe", 14));
    set(L"\x0417\x0430\x043f\x0443\x0441\x043a", REG_SZ,
        std::wstring_view(L"C:\\\x041f\\\x5de5\x5177\\\xd83d\xde00\\tool.exe", 20));
    set(L"Path", REG_EXPAND_SZ, std::wstring_view(L"%ZTUNI%\\\x0141\x00f3\x0064\x017a.exe", 17));
    set(L"\x03b1\x03b2\x0301", REG_MULTI_SZ, std::wstring_view(L"\x03a9\0\x20ac\x00ff\0", 6));
    set(L"lone", REG_SZ, std::wstring_view(L"a\xd800z", 4));
    set(L"plain", REG_SZ, std::wstring_view(L"ascii", 6));
    RegCloseKey(k);

    const std::string key = "HKEY_CURRENT_USER\\" + scratch.path() + "\\Uni";
    const std::string folder = test::ScratchFolder(sys);
    const std::string before = EditorExport(key, folder + "\\before.reg");
    ASSERT_GT(before.size(), 100u);

    {
        CRegFileWriter w(reg, sys);
        w.Open(file);
        ASSERT_TRUE(w.ExportKey(kCurrentUser, scratch.path() + "\\Uni")) << w.keptBackCause();
        EXPECT_EQ(w.form(), RegFileForm::Unicode5);
        w.Close();
    }
    // Written in UTF-16, so no code page alters a name: line for line the editor's own export,
    // but for the text with a lone surrogate, which goes as its exact bytes.
    auto ours = test::Utf16FileText(*test::ReadFileText(sys, file));
    auto theirs = test::Utf16FileText(before);
    ASSERT_TRUE(ours && theirs);
    auto lone = theirs->find("\"lone\"=");
    ASSERT_NE(lone, std::string::npos);
    theirs->replace(lone, theirs->find("\r\n", lone) - lone,
                    "\"lone\"=hex(1):61,00,00,d8,7a,00,00,00");
    EXPECT_EQ(*ours, *theirs);

    ASSERT_TRUE(reg.DeleteKeyTree(RootHandle(kCurrentUser), scratch.path() + "\\Uni"));
    RestoreReport report = RestoreBackupFile(reg, sys, file);
    EXPECT_EQ(report.result, RestoreResult::Restored) << RestoreMessage(report);
    EXPECT_EQ(report.keys, 4);
    EXPECT_EQ(report.values, 7);
    EXPECT_EQ(EditorExport(key, folder + "\\after.reg"), before);
}

TEST_F(WriterOnWindows, AValueAboveTwoThousandBytesIsExportedWhole) {
    std::string big(4321, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i % 251);
    {
        RegKey k(reg, scratch.Create("Big"));
        ASSERT_TRUE(reg.WriteValue(k.get(), "blob", kRegBinary, big.data(), 4321));
    }
    CRegFileWriter w(reg, sys);
    w.Open(file);
    EXPECT_TRUE(w.ExportValue(kCurrentUser, scratch.path() + "\\Big", "blob"));
    EXPECT_TRUE(w.ExportKey(kCurrentUser, scratch.path() + "\\Big"));
    w.Close();
    std::string line;
    AppendValueLine(line, RegFileForm::Regedit4, "blob", kRegBinary,
                    reinterpret_cast<const std::uint8_t*>(big.data()), big.size());
    std::string text = *test::ReadFileText(sys, file);
    auto first = text.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(line, first + line.size()), std::string::npos);
}

TEST_F(WriterOnWindows, RestoreHasReplayedTheFileWhenItReturns) {
    std::string path = test::ScratchFolder(sys) + "\\with space.reg";
    test::PlantFile(sys, path,
                    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + scratch.path() +
                        "\\Back]\r\n\"v\"=dword:00000007\r\n\r\n");
    RestoreReport report = RestoreBackupFile(reg, sys, path);
    ASSERT_EQ(report.result, RestoreResult::Restored);
    EXPECT_EQ(report.keys + report.values, 2);
    RegKey k(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), scratch.path() + "\\Back"));
    std::uint32_t v = 0;
    EXPECT_TRUE(k && reg.ReadDword(k.get(), "v", v));
    EXPECT_EQ(v, 7u);
    EXPECT_TRUE(sys.Exists(path)) << "the caller removes the file";
}

TEST_F(WriterOnWindows, BackupFolderIsInApplicationData) {
    std::string folder = GetBackupFolder(sys);
    auto appData = sys.GetKnownFolder(KnownFolder::AppData);
    ASSERT_TRUE(appData);
    EXPECT_EQ(folder, *appData + "\\Morvane\\Zentrove");
    EXPECT_TRUE(sys.IsDirectory(folder));
    std::string name = MakeBackupFileName(sys);
    EXPECT_EQ(name.rfind(folder + "\\", 0), 0u);
    EXPECT_EQ(name.size(), folder.size() + 1 + 17 + 4);
}

} // namespace
} // namespace zt
