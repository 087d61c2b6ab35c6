// What only the real registry and editor can show: names the ANSI interface cannot carry,
// and a replay that has finished when the restore returns.
#include <windows.h>

#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "backup/RegFileWriter.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/seams.h"
#include "tests/backup/common/backup_test_util.h"

namespace zt {
namespace {

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
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

TEST_F(WriterOnWindows, ASubkeyNameOutsideTheCodePageMakesTheExportIncomplete) {
    CreateWide(L"Outer\\plain");
    CreateWide(L"Outer\\\x0416\x4e2d"); // Cyrillic and CJK: no place in code page 1252
    CreateWide(L"Fine\\plain", L"v");
    CRegFileWriter w(reg, sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, scratch.path() + "\\Outer"));
    EXPECT_TRUE(w.ExportKey(kCurrentUser, scratch.path() + "\\Fine"));
    w.Close();
    EXPECT_NE(test::ReadFileText(sys, file)->find("Fine\\plain]\r\n\"v\"=dword:00000001"),
              std::string::npos);
}

TEST_F(WriterOnWindows, AValueNameOutsideTheCodePageMakesTheExportIncomplete) {
    CreateWide(L"Values", L"a\x0416"
                          L"b");
    CRegFileWriter w(reg, sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, scratch.path() + "\\Values"));
    w.Close();
    EXPECT_EQ(test::ReadFileText(sys, file)->find("dword"), std::string::npos);
}

TEST_F(WriterOnWindows, ABestFitLetterInAValueNameMakesTheExportIncomplete) {
    // A conversion with best fit would turn this name into a plain "xa".
    CreateWide(L"Latin", L"x\x0101");
    CRegFileWriter w(reg, sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, scratch.path() + "\\Latin"));
    w.Close();
    EXPECT_EQ(test::ReadFileText(sys, file)->find("\"xa\""), std::string::npos);
}

TEST_F(WriterOnWindows, TextOutsideTheCodePageMakesTheExportIncomplete) {
    CreateWide(L"Text");
    std::wstring path = Wide(scratch.path()) + L"\\Text";
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    const wchar_t text[] = L"C:\\\x65e5\x672c\\app.exe";
    ASSERT_EQ(
        RegSetValueExW(k, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
        ERROR_SUCCESS);
    const wchar_t latin[] = L"caf\x00e9"; // in the code page: exported as usual
    ASSERT_EQ(
        RegSetValueExW(k, L"Fine", 0, REG_SZ, reinterpret_cast<const BYTE*>(latin), sizeof latin),
        ERROR_SUCCESS);
    RegCloseKey(k);
    CRegFileWriter w(reg, sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, scratch.path() + "\\Text"));
    EXPECT_FALSE(w.ExportValue(kCurrentUser, scratch.path() + "\\Text", "Path"));
    EXPECT_TRUE(w.ExportValue(kCurrentUser, scratch.path() + "\\Text", "Fine"));
    w.Close();
    std::string out = *test::ReadFileText(sys, file);
    EXPECT_EQ(out.find("app.exe"), std::string::npos);
    EXPECT_NE(out.find("\"Fine\"=\"caf\xe9\""), std::string::npos);
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
    AppendValueLine(line, "blob", kRegBinary, reinterpret_cast<const std::uint8_t*>(big.data()),
                    big.size());
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
