// The export file format, byte for byte, and what an export reports as complete.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "backup/RegFileWriter.h"
#include "support/seams.h"
#include "tests/backup/common/backup_test_util.h"

namespace zt {
namespace {

using test::Bytes;

// The stored form of `data`: string types as UTF-16LE units, one per byte given.
std::string Stored(std::uint32_t type, const std::string& data) {
    if (!IsStringType(type)) return data;
    std::string out;
    for (char c : data) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string StoredUnits(std::u16string_view units) {
    std::string out;
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::string LineOf(RegFileForm form, std::string_view name, std::uint32_t type,
                   const std::string& stored) {
    std::string out;
    EXPECT_TRUE(AppendValueLine(out, form, name, type,
                                reinterpret_cast<const std::uint8_t*>(stored.data()),
                                stored.size()));
    return out;
}

std::string Line(std::string_view name, std::uint32_t type, const std::string& data) {
    return LineOf(RegFileForm::Regedit4, name, type, Stored(type, data));
}

std::string Line5(std::string_view name, std::uint32_t type, const std::string& stored) {
    return LineOf(RegFileForm::Unicode5, name, type, stored);
}

std::string Sequence(int count, int first = 0) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += static_cast<char>(first + i);
    return s;
}

TEST(ValueLine, NamesAreQuotedWithBackslashesDoubledFirst) {
    EXPECT_EQ(FormatValueName(""), "@");
    EXPECT_EQ(FormatValueName("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(Line("", kRegSz, std::string("C:\\Temp", 8)), "@=\"C:\\\\Temp\"\r\n");
    // Control characters other than line breaks pass unchanged.
    EXPECT_EQ(Line("t\x01\tx", kRegSz, std::string("a\x02\tb\x1b", 6)),
              "\"t\x01\tx\"=\"a\x02\tb\x1b\"\r\n");
}

TEST(ValueLine, EveryTypeNumber) {
    EXPECT_EQ(Line("n", kRegNone, ""), "\"n\"=hex(0):\r\n");
    EXPECT_EQ(Line("n", kRegNone, Bytes({1, 0xab})), "\"n\"=hex(0):01,ab\r\n");
    EXPECT_EQ(Line("s", kRegSz, std::string("x\0", 2)), "\"s\"=\"x\"\r\n");
    EXPECT_EQ(Line("e", kRegExpandSz, std::string("%A%\0", 4)), "\"e\"=hex(2):25,41,25,00\r\n");
    EXPECT_EQ(Line("b", kRegBinary, ""), "\"b\"=hex:\r\n");
    EXPECT_EQ(Line("b", kRegBinary, Bytes({0, 0xff})), "\"b\"=hex:00,ff\r\n");
    EXPECT_EQ(Line("d", kRegDword, Bytes({0xff, 0, 0, 0})), "\"d\"=dword:000000ff\r\n");
    EXPECT_EQ(Line("d", kRegDword, Bytes({0x78, 0x56, 0x34, 0x12})), "\"d\"=dword:12345678\r\n");
    EXPECT_EQ(Line("x", kRegDwordBigEndian, Bytes({0, 0, 0, 1})), "\"x\"=hex(5):00,00,00,01\r\n");
    EXPECT_EQ(Line("x", kRegLink, Bytes({0x41, 0})), "\"x\"=hex(6):41,00\r\n");
    EXPECT_EQ(Line("m", kRegMultiSz, std::string("a\0b\0\0", 5)),
              "\"m\"=hex(7):61,00,62,00,00\r\n");
    EXPECT_EQ(Line("x", kRegResourceList, Bytes({9})), "\"x\"=hex(8):09\r\n");
    EXPECT_EQ(Line("x", kRegFullResourceDescriptor, Bytes({9})), "\"x\"=hex(9):09\r\n");
    // The editor reads the type in hexadecimal: hex(11) would come back as type 17.
    EXPECT_EQ(Line("x", kRegResourceRequirementsList, Bytes({9})), "\"x\"=hex(a):09\r\n");
    EXPECT_EQ(Line("q", kRegQword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})),
              "\"q\"=hex(b):01,02,03,04,05,06,07,08\r\n");
    EXPECT_EQ(Line("x", 0x20000, Bytes({1})), "\"x\"=hex(20000):01\r\n");
}

TEST(ValueLine, DataTheShortFormsCannotCarryGoesAsBytes) {
    // A line break, bytes after the first NUL, no terminating NUL, no data at all.
    EXPECT_EQ(Line("s", kRegSz, std::string("a\nb\0", 4)), "\"s\"=hex(1):61,0a,62,00\r\n");
    EXPECT_EQ(Line("s", kRegSz, std::string("a\rb\0", 4)), "\"s\"=hex(1):61,0d,62,00\r\n");
    EXPECT_EQ(Line("s", kRegSz, std::string("a\0b\0", 4)), "\"s\"=hex(1):61,00,62,00\r\n");
    EXPECT_EQ(Line("s", kRegSz, "ab"), "\"s\"=hex(1):61,62\r\n");
    EXPECT_EQ(Line("s", kRegSz, ""), "\"s\"=hex(1):\r\n");
    // A DWORD whose size is not four bytes keeps its bytes.
    EXPECT_EQ(Line("d", kRegDword, Bytes({1, 2})), "\"d\"=hex(4):01,02\r\n");
    EXPECT_EQ(Line("d", kRegDword, ""), "\"d\"=hex(4):\r\n");
}

TEST(ValueLine, ByteListsWrapBeforeAByteOnceTheLinePasses76) {
    std::string forty = Line("Data", kRegBinary, Sequence(40));
    EXPECT_EQ(
        forty,
        "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n");
    EXPECT_EQ(forty.find("\r\n"), 78u);

    std::string sixty = Line("", kRegBinary, Sequence(60));
    EXPECT_EQ(sixty,
              "@=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\r\n"
              "  18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\r\n"
              "  31,32,33,34,35,36,37,38,39,3a,3b\r\n");

    std::string name(70, 'n');
    EXPECT_EQ(Line(name, kRegBinary, Bytes({1, 2})), "\"" + name + "\"=hex:\\\r\n  01,02\r\n");
    // One name character less still leaves the first byte on the first line.
    EXPECT_EQ(Line(std::string(69, 'n'), kRegBinary, Bytes({1})),
              "\"" + std::string(69, 'n') + "\"=hex:01\r\n");
}

TEST(ValueLine, StringDataOnlyA500FileCarries) {
    const std::u16string cyrillic = u"\u0417\u0430\u043f\u0443\u0441\u043a"; // Запуск
    std::string text = StoredUnits(cyrillic + u'\0');
    auto fits = [](std::string_view name, std::uint32_t type, const std::string& stored) {
        return FitsRegedit4(name, type, reinterpret_cast<const std::uint8_t*>(stored.data()),
                            stored.size());
    };
    EXPECT_TRUE(fits("a", kRegSz, Stored(kRegSz, std::string("x\0", 2))));
    EXPECT_TRUE(fits("a", kRegBinary, "\xff\xfe"));
    EXPECT_FALSE(fits("\xc3\xa9", kRegDword, "\1\0\0\0"));      // é in the name
    EXPECT_FALSE(fits("a", kRegSz, text));                      // non-ASCII text
    EXPECT_TRUE(fits("a", kRegExpandSz, Stored(kRegSz, "ab"))); // ASCII units, no zero after them
    EXPECT_FALSE(fits("a", kRegSz, StoredUnits(u"\xe9")));      // no zero after a non-ASCII one
    EXPECT_FALSE(fits("a", kRegMultiSz, Stored(kRegSz, "a") + '\0')); // an odd byte

    // Text, names and quotes as they are; expandable and multi-strings as UTF-16LE bytes.
    EXPECT_EQ(Line5("\xd0\x97\"", kRegSz, text),
              "\"\xd0\x97\\\"\"=\"\xd0\x97\xd0\xb0\xd0\xbf\xd1\x83\xd1\x81\xd0\xba\"\r\n");
    EXPECT_EQ(Line5("e", kRegExpandSz, Stored(kRegSz, std::string("%A%\0", 4))),
              "\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n");
    EXPECT_EQ(Line5("m", kRegMultiSz, StoredUnits(std::u16string(u"\u4e2d\0\0", 3))),
              "\"m\"=hex(7):2d,4e,00,00,00,00\r\n");
    // What the quoted form would alter goes as the stored bytes: an unpaired surrogate, no
    // terminating zero, an odd byte, a zero inside.
    EXPECT_EQ(Line5("s", kRegSz, StoredUnits(std::u16string(u"a\xd800\0", 3))),
              "\"s\"=hex(1):61,00,00,d8,00,00\r\n");
    EXPECT_EQ(Line5("s", kRegSz, StoredUnits(u"ab")), "\"s\"=hex(1):61,00,62,00\r\n");
    EXPECT_EQ(Line5("s", kRegSz, StoredUnits(u"a") + std::string("\0\x01", 2)),
              "\"s\"=hex(1):61,00,00,01\r\n");
    EXPECT_EQ(Line5("s", kRegSz, StoredUnits(std::u16string(u"a\0b\0", 4))),
              "\"s\"=hex(1):61,00,00,00,62,00,00,00\r\n");
    // A surrogate pair is one character of the text.
    EXPECT_EQ(Line5("s", kRegSz, StoredUnits(std::u16string(u"\U0001F600\0", 3))),
              "\"s\"=\"\xf0\x9f\x98\x80\"\r\n");
}

TEST(ValueLine, NamesTheEditorCannotReadBackAreRefused) {
    std::string out = "kept";
    for (RegFileForm form : {RegFileForm::Regedit4, RegFileForm::Unicode5}) {
        EXPECT_FALSE(AppendValueLine(out, form, "a\nb", kRegDword,
                                     reinterpret_cast<const std::uint8_t*>("\0\0\0\0"), 4));
        EXPECT_FALSE(AppendValueLine(out, form, "a\rb", kRegBinary, nullptr, 0));
        EXPECT_FALSE(AppendValueLine(out, form, "lone \xed\xa0\x80", kRegBinary, nullptr, 0));
    }
    // Nor does a REGEDIT4 file take what does not fit it.
    EXPECT_FALSE(AppendValueLine(out, RegFileForm::Regedit4, "\xc3\xa9", kRegBinary, nullptr, 0));
    EXPECT_EQ(out, "kept");
}

class WriterTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = test::MakeRegistry();
    std::unique_ptr<System> sys = test::MakeSystem();
    test::ScratchKey scratch{*reg};
    std::string folder = test::ScratchFolder(*sys);
    std::string file = folder + "\\out.reg";

    void Set(const std::string& sub, std::string_view name, std::uint32_t type,
             const std::string& data) {
        RegKey k(*reg, scratch.Create(sub));
        ASSERT_TRUE(k);
        ASSERT_TRUE(reg->WriteValue(k.get(), name, type, data.data(),
                                    static_cast<std::uint32_t>(data.size())));
    }
    std::string Full(const std::string& sub = {}) {
        return "HKEY_CURRENT_USER\\" + scratch.path() + (sub.empty() ? "" : "\\" + sub);
    }
    std::string Sub(const std::string& sub) { return scratch.path() + "\\" + sub; }
    std::string Content() { return test::ReadFileText(*sys, file).value_or("<missing>"); }
};

TEST_F(WriterTest, GoldenSample) {
    std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    Set("Sample", "", kRegSz, run + '\0');
    Set("Sample", "Count", kRegDword, Bytes({42, 0, 0, 0}));
    Set("Sample", "Data", kRegBinary, Sequence(40));
    RegKey(*reg, scratch.Create("Sample\\Sub"));
    {
        CRegFileWriter w(*reg, *sys);
        w.Open(file);
        EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Sample")));
        w.Close();
        EXPECT_EQ(w.fileName(), file);
    }
    EXPECT_EQ(
        Content(),
        "REGEDIT4\r\n"
        "\r\n"
        "[" +
            Full("Sample") +
            "]\r\n"
            "@=\"Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run\"\r\n"
            "\"Count\"=dword:0000002a\r\n"
            "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
            "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
            "\r\n"
            "[" +
            Full("Sample\\Sub") +
            "]\r\n"
            "\r\n");
}

TEST_F(WriterTest, EmptyKeyValuesAndLargeData) {
    RegKey(*reg, scratch.Create("Empty"));
    std::string big(5000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    Set("Big", "blob", kRegBinary, big);
    Set("Big", "tail", kRegDword, Bytes({1, 0, 0, 0}));
    CRegFileWriter w(*reg, *sys);
    w.Open(file);
    EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Empty")));
    EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Big")));
    EXPECT_TRUE(w.ExportValue(kCurrentUser, Sub("Big"), "blob"));
    EXPECT_TRUE(w.ExportValue(kCurrentUser, Sub("Big"), "tail"));
    w.Close();

    std::string blobLine = Line("blob", kRegBinary, big);
    std::string expected = "REGEDIT4\r\n\r\n[" + Full("Empty") + "]\r\n" + "\r\n[" + Full("Big") +
                           "]\r\n" + blobLine + "\"tail\"=dword:00000001\r\n" + "\r\n[" +
                           Full("Big") + "]\r\n" + blobLine + "\r\n[" + Full("Big") +
                           "]\r\n\"tail\"=dword:00000001\r\n\r\n";
    EXPECT_EQ(Content(), expected);
    // 5000 bytes: 22 on the first line, 25 on each further one.
    EXPECT_EQ(std::count(blobLine.begin(), blobLine.end(), '\n'), 1 + (5000 - 22 + 24) / 25);
}

TEST_F(WriterTest, NothingThereIsCompleteAndWritesNothing) {
    RegKey(*reg, scratch.Create("Here"));
    CRegFileWriter w(*reg, *sys);
    w.Open(file);
    EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Gone")));
    EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Gone\\Deeper")));
    EXPECT_TRUE(w.ExportValue(kCurrentUser, Sub("Here"), "missing"));
    EXPECT_TRUE(w.ExportValue(kCurrentUser, Sub("Gone"), "missing"));
    w.Close();
    EXPECT_EQ(Content(), "REGEDIT4\r\n\r\n");
}

TEST_F(WriterTest, WhatTheFileCannotHoldMakesTheExportIncomplete) {
    Set("Names", "fine", kRegDword, Bytes({1, 0, 0, 0}));
    Set("Names", "line\nbreak", kRegDword, Bytes({2, 0, 0, 0}));
    Set("KeyName\\sub\nkey", "v", kRegDword, Bytes({3, 0, 0, 0}));
    Set("Plain", "v", kRegDword, Bytes({4, 0, 0, 0}));

    CRegFileWriter w(*reg, *sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("Names")));
    EXPECT_FALSE(w.ExportValue(kCurrentUser, Sub("Names"), "line\nbreak"));
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("KeyName")));
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("KeyName\\sub\nkey")));
    EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("Plain")));
    w.Close();
    // A kept-back export leaves nothing behind, not even its readable part: the file holds
    // exactly what may be deleted.
    EXPECT_EQ(Content(), "REGEDIT4\r\n\r\n[" + Full("Plain") + "]\r\n\"v\"=dword:00000004\r\n\r\n");
}

TEST_F(WriterTest, TheFirstNonAsciiExportRewritesTheFileAs500) {
    Set("A", "d", kRegDword, Bytes({1, 0, 0, 0}));
    Set("A", "e", kRegExpandSz, std::string("%X%\0", 4));
    const std::string name = "\xd0\x97\xd0\xb0\xd0\xbf\xd1\x83\xd1\x81\xd0\xba"; // Запуск
    const std::string path =
        "C:\\\xc5\x81\xc3\xb3\x64\xc5\xba\\\xf0\x9f\x98\x80.exe"; // C:\Łódź\😀.exe
    Set("\xe5\xb7\xa5\xe5\x85\xb7", name, kRegSz, path + '\0');   // 工具
    Set("Z", "z", kRegDword, Bytes({2, 0, 0, 0}));
    const std::string lone = "bad \xed\xa0\x80"; // an unpaired surrogate
    Set("Lone", lone, kRegDword, Bytes({3, 0, 0, 0}));

    CRegFileWriter w(*reg, *sys);
    w.Open(file);
    ASSERT_TRUE(w.ExportKey(kCurrentUser, Sub("A")));
    const std::string blockA = "\r\n[" + Full("A") + "]\r\n\"d\"=dword:00000001\r\n";
#ifndef _WIN32 // the platform shares no open backup file
    EXPECT_EQ(Content(), "REGEDIT4\r\n" + blockA + "\"e\"=hex(2):25,58,25,00\r\n");
#endif
    // A name the file cannot hold keeps its export back, whatever the form, and says why.
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("Lone")));
    EXPECT_FALSE(w.ExportValue(kCurrentUser, Sub("Lone"), lone));
    EXPECT_NE(w.keptBackCause().find("surrogate"), std::string::npos) << w.keptBackCause();
    EXPECT_EQ(w.form(), RegFileForm::Regedit4);

    ASSERT_TRUE(w.ExportKey(kCurrentUser, Sub("\xe5\xb7\xa5\xe5\x85\xb7")));
    EXPECT_TRUE(w.keptBackCause().empty());
    EXPECT_EQ(w.form(), RegFileForm::Unicode5);
    ASSERT_TRUE(w.ExportValue(kCurrentUser, Sub("Z"), "z"));
    w.Close();
    // Everything before the switch is kept, in the lines of the new form.
    const std::string expected =
        "Windows Registry Editor Version 5.00\r\n" + blockA +
        "\"e\"=hex(2):25,00,58,00,25,00,00,00\r\n\r\n[" + Full("\xe5\xb7\xa5\xe5\x85\xb7") +
        "]\r\n\"" + name +
        "\"=\"C:\\\\\xc5\x81\xc3\xb3\x64\xc5\xba\\\\\xf0\x9f\x98\x80.exe\"\r\n\r\n[" + Full("Z") +
        "]\r\n\"z\"=dword:00000002\r\n\r\n";
    EXPECT_EQ(test::Utf16FileText(Content()).value_or("<not UTF-16>"), expected);
}

TEST_F(WriterTest, PathsBeyondTheBufferMakeTheExportIncomplete) {
    // Nest keys until the full path passes 1003 characters.
    // One level per call: the platform limits the path of a single create.
    std::string sub = "Deep";
    RegKey level(*reg, scratch.Create(sub));
    while (Full(sub).size() < CRegFileWriter::kSubkeyPathChars + 40) {
        std::string name(60, 'k');
        level = RegKey(*reg, reg->CreateKey(level.get(), name));
        ASSERT_TRUE(level);
        sub += "\\" + name;
    }
    ASSERT_TRUE(reg->WriteDword(level.get(), "v", 1));
    CRegFileWriter w(*reg, *sys);
    w.Open(file);
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("Deep")));
    w.Close();
    EXPECT_EQ(Content(), "REGEDIT4\r\n\r\n");
}

TEST_F(WriterTest, OpenWhileOpenFinishesTheFirstFile) {
    Set("K", "v", kRegDword, Bytes({5, 0, 0, 0}));
    std::string second = folder + "\\second.reg";
    {
        CRegFileWriter w(*reg, *sys);
        w.Open(file);
        EXPECT_TRUE(w.ExportValue(kCurrentUser, Sub("K"), "v"));
        w.Open(second);
        EXPECT_TRUE(w.ExportKey(kCurrentUser, Sub("K")));
        // Destruction finishes the second.
    }
    std::string block = "\r\n[" + Full("K") + "]\r\n\"v\"=dword:00000005\r\n";
    EXPECT_EQ(Content(), "REGEDIT4\r\n" + block + "\r\n");
    EXPECT_EQ(test::ReadFileText(*sys, second).value_or(""), "REGEDIT4\r\n" + block + "\r\n");
}

TEST_F(WriterTest, FileErrorsCarryTheFileName) {
    CRegFileWriter w(*reg, *sys);
    std::string bad = folder + "\\no such folder\\x.reg";
    try {
        w.Open(bad);
        FAIL() << "no error for " << bad;
    } catch (const FileError& e) {
        EXPECT_EQ(e.fileName(), bad);
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos);
    }
    EXPECT_FALSE(w.IsOpen());
    // Without an open file nothing reaches a file, so nothing may be deleted.
    Set("K", "v", kRegDword, Bytes({5, 0, 0, 0}));
    EXPECT_FALSE(w.ExportKey(kCurrentUser, Sub("K")));
    EXPECT_FALSE(w.ExportValue(kCurrentUser, Sub("K"), "v"));
}

} // namespace
} // namespace zt
