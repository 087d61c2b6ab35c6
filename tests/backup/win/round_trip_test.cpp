// Random key trees are exported, deleted and replayed with the system's own registry editor;
// what comes back must equal what was there, byte for byte and type for type.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "backup/RegFileWriter.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "support/seams.h"
#include "support/win_process.h"

namespace zt {
namespace {

using Value = std::pair<std::uint32_t, std::vector<std::uint8_t>>; // type, data

struct Node {
    std::map<std::string, Value> values;
    std::map<std::string, Node> keys;
};

bool operator==(const Node& a, const Node& b) {
    return a.values == b.values && a.keys == b.keys;
}

class TreeMaker {
  public:
    explicit TreeMaker(unsigned seed) : rng_(seed) {}

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    // Key names take no backslash: it separates them.
    std::string KeyName(int maxLen) {
        std::string s = Name(maxLen);
        for (auto& c : s)
            if (c == '\\') c = '/';
        return s;
    }

    std::string Name(int maxLen) {
        static const char kChars[] = "abcXYZ019 \"\\'[]=@;,.-_?#{}()\t\x01\x1f\x7f\x80\xe9\xff";
        std::string s;
        int len = Pick(0, maxLen);
        for (int i = 0; i < len; ++i)
            s += kChars[Pick(0, sizeof kChars - 2)];
        return s;
    }

    std::string Data(std::uint32_t type) {
        int size;
        switch (Pick(0, 9)) {
        case 0:
            size = 0;
            break;
        case 1:
            size = Pick(2001, 6000);
            break;
        case 2:
        case 3:
            size = Pick(41, 400);
            break;
        default:
            size = Pick(1, 40);
            break;
        }
        std::string d(size, '\0');
        bool text = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
        for (auto& c : d) {
            if (text && Pick(0, 3) != 0)
                c = static_cast<char>(Pick(0x20, 0x7e));
            else
                c = static_cast<char>(Pick(0, 255));
        }
        // The editor ends string data it imports with a zero (verification allows for that).
        if (text && size > 0) d.back() = '\0';
        if (type == kRegDword && Pick(0, 3) != 0) d.resize(4);
        if (type == kRegQword && Pick(0, 3) != 0) d.resize(8);
        return d;
    }

    // Creates a tree below `key` and returns what it holds.
    Node Make(Registry& reg, HKey key, int depth) {
        Node node;
        int values = Pick(0, 5);
        for (int i = 0; i < values; ++i) {
            std::string name = Pick(0, 8) == 0 ? std::string() : Name(12) + "%" + std::to_string(i);
            std::uint32_t type = static_cast<std::uint32_t>(Pick(0, 11));
            std::string data = Data(type);
            EXPECT_TRUE(reg.WriteValue(key, name, type, data.data(),
                                       static_cast<std::uint32_t>(data.size())));
            node.values[name] = Value{type, std::vector<std::uint8_t>(data.begin(), data.end())};
        }
        int subkeys = depth <= 0 ? 0 : Pick(0, 3);
        for (int i = 0; i < subkeys; ++i) {
            std::string name = KeyName(10) + "#" + std::to_string(i);
            RegKey sub(reg, reg.CreateKey(key, name));
            EXPECT_TRUE(sub) << name;
            if (!sub) continue;
            node.keys[name] = Make(reg, sub.get(), depth - 1);
        }
        return node;
    }

  private:
    std::mt19937 rng_;
};

// Reads back what the registry holds below `key` through the same ANSI interface.
Node Read(Registry& reg, HKey key, std::size_t& keys, std::size_t& values) {
    Node node;
    ++keys;
    auto info = reg.QueryKeyInfo(key);
    if (!info) return node;
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    for (std::uint32_t i = 0; i < info->values; ++i) {
        if (!reg.EnumValue(key, i, name, info->maxValueNameChars + 1, type, data,
                           info->maxValueDataBytes + 2))
            continue;
        node.values[name] = Value{type, data};
        ++values;
    }
    for (std::uint32_t i = 0; i < info->subkeys; ++i) {
        if (!reg.EnumKey(key, i, name, 256)) continue;
        RegKey sub(reg, reg.OpenKeyRead(key, name));
        if (sub) node.keys[name] = Read(reg, sub.get(), keys, values);
    }
    return node;
}

TEST(RoundTrip, RandomTreesComeBackThroughTheEditor) {
    Win32Registry reg;
    Win32System sys;
    test::ScratchKey scratch(reg);
    unsigned seed = static_cast<unsigned>(GetTickCount());
    if (const char* s = std::getenv("ZT_ROUNDTRIP_SEED"))
        seed = static_cast<unsigned>(std::atoi(s));
    std::printf("round trip seed %u (ZT_ROUNDTRIP_SEED repeats it)\n", seed);
    TreeMaker maker(seed);

    const int kTrees = 200;
    std::vector<std::string> paths;
    for (int t = 0; t < kTrees; ++t) {
        std::string path = scratch.path() + "\\T" + std::to_string(t) + " " + maker.KeyName(8);
        RegKey top(reg, reg.CreateKey(RootHandle(kCurrentUser), path));
        ASSERT_TRUE(top);
        // Every tenth tree is a deep chain.
        if (t % 10 == 9) {
            RegKey at(reg, reg.CreateKey(top.get(), "chain"));
            for (int d = 0; d < 24; ++d)
                at = RegKey(reg,
                            reg.CreateKey(at.get(), maker.KeyName(6) + "~" + std::to_string(d)));
            EXPECT_TRUE(reg.WriteDword(at.get(), "bottom", 1));
        }
        maker.Make(reg, top.get(), t % 7 == 0 ? 5 : 3);
        paths.push_back(path);
    }

    // What the registry holds is the reference (it may already differ from what was asked
    // for, e.g. a value written twice under one name).
    std::vector<Node> before;
    std::size_t keys = 0, values = 0;
    for (const auto& p : paths) {
        RegKey k(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), p));
        ASSERT_TRUE(k);
        before.push_back(Read(reg, k.get(), keys, values));
    }

    std::string file = test::ScratchFolder(sys) + "\\round trip.reg";
    {
        CRegFileWriter w(reg, sys);
        w.Open(file);
        for (const auto& p : paths)
            EXPECT_TRUE(w.ExportKey(kCurrentUser, p)) << p;
        w.Close();
    }
    for (const auto& p : paths)
        ASSERT_TRUE(reg.DeleteKeyTree(RootHandle(kCurrentUser), p));
    ASSERT_TRUE(test::ImportRegFile(file, INFINITE));

    std::size_t keysAfter = 0, valuesAfter = 0;
    int differing = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        RegKey k(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), paths[i]));
        Node after = k ? Read(reg, k.get(), keysAfter, valuesAfter) : Node{};
        if (!k || !(after == before[i])) {
            ++differing;
            ADD_FAILURE() << "tree " << i << " differs after the replay: " << paths[i];
        }
    }
    std::printf("round trip: %d trees, %zu keys, %zu values compared; %zu keys, %zu values back; "
                "%d trees differ\n",
                kTrees, keys, values, keysAfter, valuesAfter, differing);
    EXPECT_EQ(keysAfter, keys);
    EXPECT_EQ(valuesAfter, values);
    EXPECT_GE(values, 500u);
}

} // namespace
} // namespace zt
