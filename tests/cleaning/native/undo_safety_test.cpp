// What a cleaning run leaves in its backup file: everything it has deleted, at every moment
// it could be killed, and classes-root findings under the physical key they live in.
#include <gtest/gtest.h>

#include <map>

#include "backup/BackupStore.h"
#include "backup/RegFileReader.h"
#include "cleaning/Cleaning.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace zt {

bool operator==(const RegValue& a, const RegValue& b) {
    return a.type == b.type && a.data == b.data;
}

namespace {

using Tree = std::map<std::string, std::map<std::string, RegValue>>; // lower path -> values

std::string Lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void Collect(Registry& reg, HKey key, const std::string& path, Tree& out) {
    auto& values = out[Lower(path)];
    auto info = reg.QueryKeyInfo(key);
    ASSERT_TRUE(info);
    for (std::uint32_t i = 0; i < info->values; ++i) {
        std::string name;
        RegValue v;
        ASSERT_TRUE(reg.EnumValue(key, i, name, 20000, v.type, v.data, 1 << 20));
        values[Lower(name)] = v;
    }
    for (std::uint32_t i = 0; i < info->subkeys; ++i) {
        std::string name;
        ASSERT_TRUE(reg.EnumKey(key, i, name, 300));
        RegKey sub(reg, reg.OpenKeyRead(key, name));
        Collect(reg, sub.get(), path + "\\" + name, out);
    }
}

Tree Snapshot(Registry& reg, RootKey root, const std::string& subkey) {
    Tree t;
    RegKey k(reg, reg.OpenKeyRead(RootHandle(root), subkey));
    if (k) Collect(reg, k.get(), std::string(RootFullName(root)) + "\\" + subkey, t);
    return t;
}

// What the registry editor does with the file.
void Replay(Registry& reg, const std::string& text) {
    RegFile f = ParseRegFile(text);
    ASSERT_TRUE(f.ok) << f.errorLine << ": " << f.reason;
    for (const auto& b : f.blocks) {
        RegKey k(reg, reg.CreateKey(RootHandle(b.root), b.subkey));
        for (const auto& v : b.values)
            EXPECT_TRUE(reg.WriteValueStored(k.get(), v.name, v.type, v.data.data(),
                                             static_cast<std::uint32_t>(v.data.size())));
    }
}

struct Quiet : UserPrompt {
    int Ask(std::string_view, std::string_view, PromptButtons) override { return kAnswerOk; }
};
struct NoSink : CleaningSink {};

// Before every deletion, the file as it stands (what a kill at that moment leaves) must
// parse and must bring back everything the deletion is about to remove.
class KillCheckingRegistry : public MemoryRegistry {
  public:
    MemorySystem* sys = nullptr;
    std::string file;
    int checks = 0;

    Status OpenKeyStatus(HKey parent, std::string_view subkey, Access access, HKey& out) override {
        Status s = MemoryRegistry::OpenKeyStatus(parent, subkey, access, out);
        if (out != kNoKey) opened_[out] = {parent, std::string(subkey)};
        return s;
    }
    Status DeleteKeyTree(HKey parent, std::string_view subkey) override {
        Check(parent, std::string(subkey), nullptr);
        return MemoryRegistry::DeleteKeyTree(parent, subkey);
    }
    Status DeleteValue(HKey key, std::string_view name) override {
        auto [parent, subkey] = opened_.at(key);
        Check(parent, subkey, &name);
        return MemoryRegistry::DeleteValue(key, name);
    }

  private:
    void Check(HKey parent, const std::string& subkey, const std::string_view* valueName) {
        ++checks;
        MemoryRegistry restored;
        Replay(restored, sys->FileContent(file).value_or(""));
        RegKey here(*this, MemoryRegistry::OpenKey(parent, subkey, Access::Read));
        RegKey back(restored, restored.OpenKeyRead(parent, subkey));
        ASSERT_TRUE(here && back) << "deleted before it reached the file: " << subkey;
        if (valueName) {
            auto v = restored.ReadValueWhole(back.get(), *valueName);
            ASSERT_TRUE(v) << subkey;
            EXPECT_EQ(*v, *ReadValueWhole(here.get(), *valueName)) << subkey;
            return;
        }
        Tree doomed, again;
        Collect(*this, here.get(), "X", doomed);
        Collect(restored, back.get(), "X", again);
        for (const auto& [path, values] : doomed)
            for (const auto& [name, v] : values)
                EXPECT_EQ(again[path][name], v) << path << " " << name;
    }

    std::map<HKey, std::pair<HKey, std::string>> opened_;
};

TEST(UndoSafety, EveryDeletionIsInTheFileBeforeItHappensAndTheFileRestoresAll) {
    KillCheckingRegistry reg;
    MemorySystem sys;
    sys.SetKnownFolder(KnownFolder::AppData, "C:\\AppData");
    sys.AddFolder("C:\\AppData");
    reg.sys = &sys;
    const std::string base = "Software\\Doomed";
    FindingVector list;
    for (int i = 0; i < 30; ++i) {
        std::string key = base + "\\k" + std::to_string(i);
        RegKey k(reg, reg.CreateKey(RootHandle(kCurrentUser), key + "\\sub\\deeper"));
        std::string blob(static_cast<std::size_t>(i * 150), static_cast<char>(i));
        EXPECT_TRUE(reg.WriteValue(k.get(), "blob", kRegBinary, blob.data(),
                                   static_cast<std::uint32_t>(blob.size())));
        RegKey top(reg, reg.OpenKeyAllAccess(RootHandle(kCurrentUser), key));
        EXPECT_TRUE(reg.WriteString(top.get(), "", "text \"quoted\" \\ back"));
        EXPECT_TRUE(reg.WriteDword(top.get(), "n", static_cast<std::uint32_t>(i)));
        if (i % 3 == 0)
            list.Add({kCurrentUser, key, "n", FindingKind::Value});
        else
            list.Add({kCurrentUser, key, {}, FindingKind::Key});
    }
    // Kept back: its block must not reach the file at all.
    RegKey odd(reg, reg.CreateKey(RootHandle(kCurrentUser), base + "\\odd"));
    EXPECT_TRUE(reg.WriteDword(odd.get(), "line\nbreak", 1));
    EXPECT_TRUE(reg.WriteDword(odd.get(), "plain", 2));
    list.Add({kCurrentUser, base + "\\odd", {}, FindingKind::Key});

    Tree before = Snapshot(reg, kCurrentUser, base);
    CRegFileWriter writer(reg, sys);
    Quiet prompt;
    NoSink sink;
    reg.file = MakeBackupFileName(sys);
    CleanOutcome out = CleanTicked(CleaningContext{reg, sys, writer, prompt, sink}, list);
    ASSERT_EQ(out.backupFile, reg.file);
    EXPECT_EQ(out.processed, 30);
    EXPECT_EQ(out.keptBack, 1);
    EXPECT_EQ(reg.checks, 30);

    std::string text = *sys.FileContent(out.backupFile);
    EXPECT_EQ(text.find("odd"), std::string::npos);
    Replay(reg, text);
    EXPECT_EQ(Snapshot(reg, kCurrentUser, base), before);
}

TEST(UndoSafety, ClassesRootFindingsGoToThePerUserKeyFirst) {
    MemoryRegistry reg;
    reg.MergeClassesRoot(true);
    MemorySystem sys;
    sys.SetKnownFolder(KnownFolder::AppData, "C:\\AppData");
    sys.AddFolder("C:\\AppData");
    auto plant = [&](RootKey root, const std::string& key, const std::string& text) {
        RegKey k(reg, reg.CreateKey(RootHandle(root), "Software\\Classes\\" + key));
        EXPECT_TRUE(reg.WriteString(k.get(), "v", text));
    };
    plant(kCurrentUser, ".both", "user");
    plant(kLocalMachine, ".both", "machine");
    plant(kLocalMachine, ".machine", "machine");
    plant(kLocalMachine, ".val", "machine");
    // The merged view finds the per-user key first.
    RegKey merged(reg, reg.OpenKeyRead(RootHandle(kClassesRoot), ".both"));
    char seen[16] = {};
    ASSERT_TRUE(static_cast<Registry&>(reg).ReadValue(merged.get(), "v", seen, sizeof seen));
    EXPECT_STREQ(seen, "user");
    merged.Reset();

    FindingVector list;
    list.Add({kClassesRoot, ".both", {}, FindingKind::Key});
    list.Add({kClassesRoot, ".machine", {}, FindingKind::Key});
    list.Add({kClassesRoot, ".val", "v", FindingKind::Value});
    Tree userBefore = Snapshot(reg, kCurrentUser, "Software\\Classes");
    Tree machineBefore = Snapshot(reg, kLocalMachine, "Software\\Classes");
    CRegFileWriter writer(reg, sys);
    Quiet prompt;
    NoSink sink;
    CleanOutcome out = CleanTicked(CleaningContext{reg, sys, writer, prompt, sink}, list);
    EXPECT_EQ(out.processed, 3);

    // Only the per-user .both went; the machine's one now shows through.
    EXPECT_FALSE(
        RegKey(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), "Software\\Classes\\.both")));
    EXPECT_TRUE(
        RegKey(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), "Software\\Classes\\.both")));
    std::string text = *sys.FileContent(out.backupFile);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Classes\\.both]"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.machine]"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.val]"), std::string::npos);
    EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos);

    Replay(reg, text);
    EXPECT_EQ(Snapshot(reg, kCurrentUser, "Software\\Classes"), userBefore);
    EXPECT_EQ(Snapshot(reg, kLocalMachine, "Software\\Classes"), machineBefore);
}

} // namespace
} // namespace zt
