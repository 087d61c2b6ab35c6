// Cleaning a value costs the same number of registry calls however many values share its key.
#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "cleaning/Cleaning.h"
#include "platform/memory/MemoryRegistry.h"
#include "tests/cleaning/common/cleaning_fixture.h"

namespace zt::test {
namespace {

// Forwards to the in-memory registry and counts every call.
struct CountingRegistry : Registry {
    MemoryRegistry inner;
    long calls = 0;

    HKey OpenKey(HKey p, std::string_view s, Access a) override {
        ++calls;
        return inner.OpenKey(p, s, a);
    }
    Status OpenKeyStatus(HKey p, std::string_view s, Access a, HKey& out) override {
        ++calls;
        return inner.OpenKeyStatus(p, s, a, out);
    }
    HKey CreateKey(HKey p, std::string_view s) override {
        ++calls;
        return inner.CreateKey(p, s);
    }
    void CloseKey(HKey k) override { inner.CloseKey(k); }
    bool ReadValue(HKey k, std::string_view n, void* b, std::uint32_t s, std::uint32_t* t,
                   std::uint32_t* d) override {
        ++calls;
        return inner.ReadValue(k, n, b, s, t, d);
    }
    std::optional<RegValue> ReadValueWhole(HKey k, std::string_view n) override {
        ++calls;
        return inner.ReadValueWhole(k, n);
    }
    std::optional<RegValue> ReadValueStored(HKey k, std::string_view n) override {
        ++calls;
        return inner.ReadValueStored(k, n);
    }
    Status WriteValueStored(HKey k, std::string_view n, std::uint32_t t, const void* d,
                            std::uint32_t s) override {
        ++calls;
        return inner.WriteValueStored(k, n, t, d, s);
    }
    Status WriteValue(HKey k, std::string_view n, std::uint32_t t, const void* d,
                      std::uint32_t s) override {
        ++calls;
        return inner.WriteValue(k, n, t, d, s);
    }
    bool EnumKey(HKey k, std::uint32_t i, std::string& n, std::uint32_t b) override {
        ++calls;
        return inner.EnumKey(k, i, n, b);
    }
    bool EnumValue(HKey k, std::uint32_t i, std::string& n, std::uint32_t nb, std::uint32_t& t,
                   std::vector<std::uint8_t>& d, std::uint32_t db) override {
        ++calls;
        return inner.EnumValue(k, i, n, nb, t, d, db);
    }
    bool EnumValueStored(HKey k, std::uint32_t i, std::string& n, std::uint32_t nb,
                         std::uint32_t& t, std::vector<std::uint8_t>& d,
                         std::uint32_t db) override {
        ++calls;
        return inner.EnumValueStored(k, i, n, nb, t, d, db);
    }
    std::optional<KeyInfo> QueryKeyInfo(HKey k) override {
        ++calls;
        return inner.QueryKeyInfo(k);
    }
    Status DeleteValue(HKey k, std::string_view n) override {
        ++calls;
        return inner.DeleteValue(k, n);
    }
    Status DeleteKeyTree(HKey p, std::string_view s) override {
        ++calls;
        return inner.DeleteKeyTree(p, s);
    }
};

// Registry calls spent cleaning 20 values, the last ones written, of a key that holds
// `values` of them.
long CallsToClean20Of(int values) {
    CountingRegistry reg;
    RedirectedSystem sys;
    sys.AddFolder("C:\\Scratch");
    sys.appData = "C:\\Scratch";
    const std::string path = "Software\\Cost";
    RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), path));
    for (int i = 0; i < values; ++i)
        EXPECT_TRUE(reg.WriteDword(key.get(), "C:\\gone\\lib" + std::to_string(i) + ".dll", 1));
    FindingVector list;
    for (int i = 0; i < 20; ++i)
        list.Add(ScanFinding{kLocalMachine, path,
                             "C:\\gone\\lib" + std::to_string(values - 1 - i * 7) + ".dll",
                             FindingKind::Value});
    CRegFileWriter writer(reg, sys);
    ScriptedPrompt prompt;
    RecordingSink sink;
    reg.calls = 0;
    CleanOutcome out = CleanTicked(CleaningContext{reg, sys, writer, prompt, sink}, list);
    EXPECT_EQ(out.processed, 20);
    return reg.calls;
}

TEST(CleaningCost, RegistryCallsPerValueDoNotGrowWithTheKey) {
    long small = CallsToClean20Of(140);
    long large = CallsToClean20Of(2000);
    EXPECT_GT(small, 0);
    EXPECT_EQ(large, small);
}

} // namespace
} // namespace zt::test
