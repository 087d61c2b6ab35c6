// Reading backup files back, and a restore that trusts only what reads back afterwards.
#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "backup/RegFileReader.h"
#include "backup/RegFileWriter.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {
namespace {

TEST(RegFileParse, GoodAndDamagedFiles) {
    struct Case {
        const char* what;
        std::string text;
        int errorLine; // 0: parses
    };
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n";
    const Case cases[] = {
        {"header only", "REGEDIT4\r\n", 0},
        {"LF line ends and a comment", "REGEDIT4\n; note\n[HKEY_USERS\\x]\n@=\"\"\n", 0},
        {"every form",
         head + "@=\"a\\\\b\\\"c\"\r\n\"n\"=dword:0000002a\r\n\"b\"=hex:\r\n" +
             "\"q\"=hex(b):01,02,\\\r\n  03\r\n\r\n",
         0},
        {"empty file", "", 1},
        {"UTF-16 without a header", std::string("\xff\xfeW\0i\0n\0\r\0\n\0", 12), 1},
        {"UTF-16 of an odd size", std::string("\xff\xfeR\0E\0G\0\r\0\n\0!", 13), 1},
        {"no line end at the end", head + "\"n\"=dword:00000001", 4},
        {"cut inside a byte list", head + "\"b\"=hex:01,02,\\\r\n", 4},
        {"cut after a comma", head + "\"b\"=hex:01,02,\r\n", 4},
        {"one-digit byte", head + "\"b\"=hex:01,2\r\n", 4},
        {"value before any key", "REGEDIT4\r\n\"n\"=dword:00000001\r\n", 2},
        {"unknown root", "REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", 2},
        {"key name too long", "REGEDIT4\r\n[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\r\n",
         2},
        {"empty key name", "REGEDIT4\r\n[HKEY_CURRENT_USER\\a\\\\b]\r\n", 2},
        {"unterminated string", head + "\"n\"=\"abc\r\n", 4},
        {"unknown escape", head + "\"n\"=\"a\\tb\"\r\n", 4},
        {"short dword", head + "\"n\"=dword:\r\n", 4},
        {"NUL in a line", head + std::string("\"n\"=\"a\0\"\r\n", 9), 4},
        {"deletion line", head + "\"n\"=-\r\n", 4},
    };
    for (const auto& c : cases) {
        RegFile f = ParseRegFile(c.text);
        EXPECT_EQ(f.ok, c.errorLine == 0) << c.what;
        EXPECT_EQ(f.errorLine, c.errorLine) << c.what << ": " << f.reason;
    }

    RegFile f = ParseRegFile(cases[2].text);
    ASSERT_EQ(f.blocks.size(), 1u);
    EXPECT_EQ(f.blocks[0].root, kCurrentUser);
    EXPECT_EQ(f.blocks[0].subkey, "Software\\A");
    const auto& v = f.blocks[0].values;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].name, "");
    EXPECT_EQ(v[0].type, kRegSz);
    EXPECT_EQ(std::string(v[0].data.begin(), v[0].data.end()),
              std::string("a\0\\\0b\0\"\0c\0\0\0", 12)); // stored
    EXPECT_EQ(v[1].data, (std::vector<std::uint8_t>{42, 0, 0, 0}));
    EXPECT_TRUE(v[2].data.empty());
    EXPECT_EQ(v[3].type, kRegQword);
    EXPECT_EQ(v[3].data, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(RegFileParse, ReadsBackEveryValueTheWriterWrites) {
    MemoryRegistry reg;
    MemorySystem sys;
    RegKey k(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\T"));
    std::vector<RegValue> planted;
    for (std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 7u, 11u, 0x20000u}) {
        for (std::size_t size : {0, 1, 4, 77, 3000}) {
            RegValue v{type, {}};
            for (std::size_t i = 0; i < size; ++i)
                v.data.push_back(static_cast<std::uint8_t>(i * 31 + type));
            if (type == kRegSz && size) v.data.back() = 0;
            std::string name = "n\"\\" + std::to_string(type) + "_" + std::to_string(size);
            EXPECT_TRUE(reg.WriteValue(k.get(), name, type, v.data.data(),
                                       static_cast<std::uint32_t>(v.data.size())));
            planted.push_back(v);
        }
    }
    // The stored forms only a 5.00 file carries: unterminated, unpaired, non-ASCII.
    const std::string open("\x41\x00\x42\x00", 4), lone("\x00\xd8\x00\x00", 4),
        wide("\x16\x04\x2d\x4e\x00\x00", 6);
    for (std::uint32_t type : {kRegSz, kRegExpandSz, kRegMultiSz})
        for (const std::string* d : {&open, &lone, &wide}) {
            std::string name = "\xd0\x96 " + std::to_string(type) + "_" +
                               std::to_string(d->size()) +
                               std::to_string(static_cast<unsigned char>((*d)[1]));
            EXPECT_TRUE(reg.WriteValueStored(k.get(), name, type, d->data(),
                                             static_cast<std::uint32_t>(d->size())));
            planted.push_back({type, {}});
        }
    for (bool unicode : {false, true}) {
        if (unicode) EXPECT_TRUE(reg.WriteDword(k.get(), "\xc3\xa9", 1));
        CRegFileWriter w(reg, sys);
        w.Open("C:\\t.reg");
        // An ASCII key first, so the switch to 5.00 rewrites what came before it.
        RegKey(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\A"));
        ASSERT_TRUE(w.ExportKey(kCurrentUser, "Software\\A"));
        ASSERT_TRUE(w.ExportKey(kCurrentUser, "Software\\T"));
        w.Close();
        RegFile f = ParseRegFile(*sys.FileContent("C:\\t.reg"));
        ASSERT_TRUE(f.ok) << f.errorLine << " " << f.reason;
        EXPECT_TRUE(f.unicode);
        auto entries = EntriesOf(f);
        ASSERT_EQ(entries.size(), planted.size() + 2 + unicode);
        CompareWithRegistry(reg, entries);
        for (const auto& e : entries)
            EXPECT_EQ(e.state, EntryState::Same) << DescribeEntry(e);
    }
    // Text of an odd size the editor would cut: kept back, with why, and nothing written.
    RegKey odd(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\Odd"));
    ASSERT_TRUE(reg.WriteValueStored(odd.get(), "o", kRegExpandSz, "\x41\x00\x42", 3));
    CRegFileWriter w(reg, sys);
    w.Open("C:\\odd.reg");
    EXPECT_FALSE(w.ExportKey(kCurrentUser, "Software\\Odd"));
    EXPECT_FALSE(w.ExportValue(kCurrentUser, "Software\\Odd", "o"));
    EXPECT_NE(w.keptBackCause().find("odd number of bytes"), std::string::npos);
    w.Close();
    EXPECT_EQ(ParseRegFile(*sys.FileContent("C:\\odd.reg")).blocks.size(), 0u);
}

TEST(RegFileParse, Regedit4InTheCodePageAnd500WithOrWithoutItsMark) {
    MemorySystem sys; // code page 1252
    AnsiDecoder ansi = [&](std::string_view b) { return sys.FromAnsiCodePage(b); };
    const std::string old = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\D\xe9]\r\n"
                            "\"D\xe9marrage\"=\"caf\xe9 \x80\"\r\n\"x\"=hex(2):e9,00\r\n\r\n";
    RegFile f = ParseRegFile(old, ansi);
    ASSERT_TRUE(f.ok) << f.reason;
    EXPECT_FALSE(f.unicode);
    ASSERT_EQ(f.blocks.size(), 1u);
    EXPECT_EQ(f.blocks[0].subkey, "Software\\D\xc3\xa9");
    ASSERT_EQ(f.blocks[0].values.size(), 2u);
    const auto& v = f.blocks[0].values;
    EXPECT_EQ(v[0].name, "D\xc3\xa9marrage");
    EXPECT_EQ(v[0].data, (std::vector<std::uint8_t>{'c', 0, 'a', 0, 'f', 0, 0xe9, 0, ' ', 0, 0xac,
                                                    0x20, 0, 0}));
    EXPECT_EQ(v[1].data, (std::vector<std::uint8_t>{0xe9, 0, 0, 0}));

    // The same in a 5.00 file: UTF-16LE text, string bytes as they are.
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\D\u00e9]\r\n"
        u"\"D\u00e9marrage\"=\"caf\u00e9 \u20ac\"\r\n\"x\"=hex(2):e9,00,00,00\r\n\r\n";
    std::string bytes;
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    for (const std::string& file : {"\xff\xfe" + bytes, bytes}) {
        RegFile u = ParseRegFile(file, ansi);
        ASSERT_TRUE(u.ok) << u.reason;
        EXPECT_TRUE(u.unicode);
        ASSERT_EQ(u.blocks.size(), 1u);
        EXPECT_EQ(u.blocks[0].subkey, f.blocks[0].subkey);
        ASSERT_EQ(u.blocks[0].values.size(), 2u);
        EXPECT_EQ(u.blocks[0].values[0].name, v[0].name);
        EXPECT_EQ(u.blocks[0].values[0].data, v[0].data);
        EXPECT_EQ(u.blocks[0].values[1].data, v[1].data);
    }
}

TEST(RegFileWriterSwitch, AFailedRewriteLeavesTheRegedit4File) {
    MemoryRegistry reg;
    MemorySystem sys;
    RegKey a(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\A"));
    EXPECT_TRUE(reg.WriteDword(a.get(), "v", 1));
    RegKey b(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\B"));
    EXPECT_TRUE(reg.WriteDword(b.get(), "\xc3\xa9", 2));
    CRegFileWriter w(reg, sys);
    w.Open("C:\\t.reg");
    ASSERT_TRUE(w.ExportKey(kCurrentUser, "Software\\A"));
    const std::string before = *sys.FileContent("C:\\t.reg");
    // Room for the REGEDIT4 text again, not for its UTF-16 rewrite.
    sys.freeBytes = 10;
    EXPECT_THROW((void)w.ExportKey(kCurrentUser, "Software\\B"), FileError);
    EXPECT_EQ(*sys.FileContent("C:\\t.reg"), before);
    EXPECT_EQ(w.form(), RegFileForm::Regedit4);
    sys.freeBytes = ~std::uint64_t{0};
    // The writer goes on in its REGEDIT4 file.
    ASSERT_TRUE(w.ExportValue(kCurrentUser, "Software\\A", "v"));
    EXPECT_EQ(*sys.FileContent("C:\\t.reg"),
              before + "\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=dword:00000001\r\n");
}

// A restore against the in-memory registry, with a fake editor that imports the file.
class RestoreTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    MemorySystem sys;
    std::string path = "C:\\backups\\b.reg";
    std::string skipValue; // the fake editor leaves this value out

    void SetUp() override {
        sys.AddFile("C:\\windows\\regedit.exe");
        sys.onExecuteAndWait = [this](const std::string& parameters) {
            EXPECT_EQ(parameters, " /s \"" + path + "\"");
            RegFile f = ParseRegFile(*sys.FileContent(path), [this](std::string_view b) {
                return sys.FromAnsiCodePage(b);
            });
            for (const auto& b : f.blocks) {
                RegKey k(reg, reg.CreateKey(RootHandle(b.root), b.subkey));
                for (const auto& v : b.values)
                    if (v.name != skipValue)
                        EXPECT_TRUE(
                            reg.WriteValueStored(k.get(), v.name, v.type, v.data.data(),
                                                 static_cast<std::uint32_t>(v.data.size())));
            }
        };
    }
    void Plant(const std::string& text) { sys.PlantFile(path, text); }
};

TEST_F(RestoreTest, VerifiedPartialAndRefused) {
    std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\"a\"=dword:00000001\r\n";
    for (int i = 0; i < 12; ++i)
        text += "\"v" + std::to_string(i) + "\"=\"x\"\r\n";
    text += "\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\"a\"=dword:00000002\r\n\r\n";
    Plant(text);

    RestoreReport all = RestoreBackupFile(reg, sys, path);
    EXPECT_EQ(all.result, RestoreResult::Restored);
    EXPECT_EQ(all.keys, 1);
    EXPECT_EQ(all.values, 13); // "a" twice in the file, once as an entry: the last one wins
    EXPECT_EQ(all.verified, 14);
    EXPECT_EQ(RestoreMessage(all), "The item is restored successfully!");
    EXPECT_TRUE(sys.Exists(path)) << "the caller removes the file";

    // The editor leaves "v3" out, and "a" is changed behind its back: 2 of 14 fail.
    (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), "Software\\R");
    skipValue = "v3";
    sys.onExecuteAndWait = [this, editor = sys.onExecuteAndWait](const std::string& p) {
        editor(p);
        RegKey k(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), "Software\\R"));
        EXPECT_TRUE(reg.WriteDword(k.get(), "a", 1));
    };
    RestoreReport part = RestoreBackupFile(reg, sys, path);
    EXPECT_EQ(part.result, RestoreResult::Partial);
    EXPECT_EQ(part.verified, 12);
    ASSERT_EQ(part.failed.size(), 2u);
    EXPECT_EQ(RestoreMessage(part), "2 of 14 entries could not be restored:\n"
                                    "HKEY_CURRENT_USER\\Software\\R: \"a\"\n"
                                    "HKEY_CURRENT_USER\\Software\\R: \"v3\"\n"
                                    "The backup file was kept.");

    // Damaged, header-only, unreadable and missing files never reach the editor.
    sys.executions.clear();
    Plant("REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n\"b\"=hex:01,\\\r\n");
    RestoreReport damaged = RestoreBackupFile(reg, sys, path);
    EXPECT_EQ(damaged.result, RestoreResult::Damaged);
    EXPECT_EQ(RestoreMessage(damaged),
              "The backup file is damaged at line 3 and was not restored.\n"
              "(the file ends inside a byte list)");
    Plant("REGEDIT4\r\n\r\n");
    EXPECT_EQ(RestoreBackupFile(reg, sys, path).result, RestoreResult::NoEntries);
    sys.unreadable.push_back(path);
    EXPECT_EQ(RestoreBackupFile(reg, sys, path).result, RestoreResult::Unreadable);
    EXPECT_EQ(RestoreBackupFile(reg, sys, "C:\\backups\\gone.reg").result,
              RestoreResult::Unreadable);
    sys.AddFolder("C:\\backups\\dir.reg");
    EXPECT_EQ(RestoreBackupFile(reg, sys, "C:\\backups\\dir.reg").result,
              RestoreResult::Unreadable);
    EXPECT_EQ(RestoreBackupFile(reg, sys, "C:\\backups\\b.txt").result, RestoreResult::NotABackup);
    EXPECT_TRUE(sys.executions.empty());
}

TEST_F(RestoreTest, AnEarlier8BitFileIsReadInTheCodePageAndKept) {
    Plant("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\"D\xe9marrage\"=\"x\"\r\n\r\n");
    RestoreReport r = RestoreBackupFile(reg, sys, path);
    EXPECT_EQ(r.result, RestoreResult::RestoredInCodePage);
    EXPECT_EQ(r.verified, 2);
    RegKey k(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), "Software\\R"));
    EXPECT_TRUE(reg.ReadValueWhole(k.get(), "D\xc3\xa9marrage")); // code page 1252
    EXPECT_NE(RestoreMessage(r).find("was kept"), std::string::npos);
    // The same in ASCII depends on no code page.
    Plant("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\"Demarrage\"=\"x\"\r\n\r\n");
    EXPECT_EQ(RestoreBackupFile(reg, sys, path).result, RestoreResult::Restored);
}

TEST_F(RestoreTest, EditorMissingFailingOrStillRunning) {
    Plant("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\R]\r\n\r\n");
    sys.processTimesOut = true;
    RestoreReport late = RestoreBackupFile(reg, sys, path);
    EXPECT_EQ(late.result, RestoreResult::TimedOut);
    EXPECT_NE(RestoreMessage(late).find("after 60 seconds"), std::string::npos);
    sys.processTimesOut = false;
    sys.shellExecuteSucceeds = false;
    EXPECT_EQ(RestoreBackupFile(reg, sys, path).result, RestoreResult::StartFailed);

    MemorySystem bare; // neither editor; the second one alone is taken
    bare.PlantFile(path, *sys.FileContent(path));
    EXPECT_EQ(RestoreBackupFile(reg, bare, path).result, RestoreResult::NoEditor);
    bare.AddFile("C:\\windows\\system32\\regedt32.exe");
    (void)RestoreBackupFile(reg, bare, path); // which editor ran is what counts here
    ASSERT_EQ(bare.executions.size(), 1u);
    EXPECT_EQ(bare.executions[0].file, "REGEDT32.EXE");
}

TEST_F(RestoreTest, PreviewTellsMissingDifferentAndSameAndWritesNothing) {
    RegKey k(reg, reg.CreateKey(RootHandle(kCurrentUser), "Software\\P"));
    EXPECT_TRUE(reg.WriteDword(k.get(), "same", 1));
    EXPECT_TRUE(reg.WriteDword(k.get(), "diff", 1));
    // Text without its zero comes back from the editor with one: the same text. Other text is not.
    EXPECT_TRUE(reg.WriteValueStored(k.get(), "ended", kRegSz, "a\0\0\0", 4));
    EXPECT_TRUE(reg.WriteValueStored(k.get(), "longer", kRegSz, "a\0b\0", 4));
    Plant("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\P]\r\n\"same\"=dword:00000001\r\n"
          "\"diff\"=dword:00000002\r\n\"gone\"=dword:00000003\r\n\"ended\"=hex(1):61\r\n"
          "\"longer\"=hex(1):61\r\n\r\n");
    std::vector<RegFileEntry> entries;
    RestoreReport r = PreviewRestore(reg, sys, path, entries);
    EXPECT_EQ(r.result, RestoreResult::Restored);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].state, EntryState::Same); // the key
    EXPECT_EQ(entries[1].state, EntryState::Same);
    EXPECT_EQ(entries[2].state, EntryState::Different);
    EXPECT_EQ(entries[3].state, EntryState::Missing);
    EXPECT_EQ(entries[4].state, EntryState::Same);
    EXPECT_EQ(entries[5].state, EntryState::Different);
    EXPECT_TRUE(sys.executions.empty());
    std::uint32_t n = 0;
    EXPECT_TRUE(reg.ReadDword(k.get(), "diff", n) && n == 1);
}

} // namespace
} // namespace zt

namespace zt {
namespace {

// A restore of one part: the editor gets a copy holding only that part's key blocks, in the
// file's own encoding, and only that part is read back.
TEST(RestorePartTest, ReplaysOnlyThePartsBlocksOfEitherEncoding) {
    const std::string sid = "S-1-5-21-9-9-9-1001";
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"a\"=\"1\"\r\n"
        "\r\n[HKEY_LOCAL_MACHINE\\Software\\Theirs]\r\n\"b\"=\"2\"\r\n"
        "\r\n[HKEY_USERS\\" +
        sid +
        "_Classes\\.mine]\r\n@=\"3\"\r\n"
        "\r\n[HKEY_USERS\\S-1-5-21-9-9-9-10011\\Software\\Other]\r\n"
        "\"c\"=\"4\"\r\n\r\n";
    std::string wide = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00") + text.substr(8)) {
        wide += c;
        wide += '\0';
    }
    for (const std::string& file : {text, wide}) {
        MemoryRegistry reg;
        MemorySystem sys;
        sys.userSid = sid;
        sys.AddFile("C:\\windows\\regedit.exe");
        sys.PlantFile("C:\\b\\x.reg", file);
        std::vector<RootKey> replayed;
        sys.onExecuteAndWait = [&](const std::string& parameters) {
            std::string copy = parameters.substr(5, parameters.size() - 6); // /s "COPY"
            EXPECT_NE(copy, "C:\\b\\x.reg");
            RegFile replay = ParseRegFile(*sys.FileContent(copy));
            for (const auto& b : replay.blocks) {
                replayed.push_back(b.root);
                RegKey k(reg, reg.CreateKey(RootHandle(b.root), b.subkey));
                for (const auto& v : b.values)
                    EXPECT_TRUE(reg.WriteValueStored(k.get(), v.name, v.type, v.data.data(),
                                                     static_cast<std::uint32_t>(v.data.size())));
            }
        };
        RestoreReport machine =
            RestoreBackupFile(reg, sys, "C:\\b\\x.reg", kEditorTimeoutMs, RestorePart::Machine);
        EXPECT_EQ(machine.result, RestoreResult::Restored);
        EXPECT_EQ(replayed, (std::vector<RootKey>{kLocalMachine, kUsers}));
        EXPECT_EQ(machine.keys + machine.values, 4);
        EXPECT_FALSE(RegKey(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), "Software\\Mine")));

        replayed.clear();
        RestoreReport user =
            RestoreBackupFile(reg, sys, "C:\\b\\x.reg", kEditorTimeoutMs, RestorePart::User);
        EXPECT_EQ(user.result, RestoreResult::Restored);
        EXPECT_EQ(replayed, (std::vector<RootKey>{kCurrentUser, kUsers}));
        EXPECT_EQ(user.verified, 4);
        // The copies go; the file stays for its caller.
        int left = 0;
        sys.EnumDirectory(sys.tempFolder, [&](const DirEntry&) { return ++left, true; });
        EXPECT_EQ(left, 0);
        EXPECT_TRUE(sys.Exists("C:\\b\\x.reg"));
    }
}

} // namespace
} // namespace zt
