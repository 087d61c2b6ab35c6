// Export benchmark: a synthetic tree of 110,100 keys with mixed values below
// HKCU\Software\ZentroveExportBench, exported by CRegFileWriter and, in the same run, by
// the system's own `regedit /e`; prints both times and the ratio.
// Run with tools/bench export; the tree is built once per bench prefix.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "backup/RegFileWriter.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "tests/support/wine_guard.h"

namespace {

using namespace zt;
using Clock = std::chrono::steady_clock;

constexpr const char* kBenchKey = "Software\\ZentroveExportBench";
constexpr int kVendors = 100, kApps = 100, kLeaves = 10; // 100 + 10,000 + 100,000 keys
constexpr std::uint32_t kLayoutVersion = 1;

struct Counts {
    long keys = 0, values = 0;
};

void AddValues(Registry& reg, HKey key, int seed, Counts& c) {
    std::string text = "C:\\Program Files\\Vendor " + std::to_string(seed % 97) + "\\app.exe";
    switch (seed % 5) {
    case 0:
        break; // an empty key
    case 1:
        (void)reg.WriteValue(key, "", kRegSz, text.c_str(),
                             static_cast<std::uint32_t>(text.size() + 1));
        (void)reg.WriteDword(key, "Count", static_cast<std::uint32_t>(seed));
        c.values += 2;
        break;
    case 2: {
        std::string bin(16 + seed % 120, '\0');
        for (std::size_t i = 0; i < bin.size(); ++i)
            bin[i] = static_cast<char>(seed + i * 13);
        (void)reg.WriteValue(key, "Data \"quoted\"", kRegBinary, bin.data(),
                             static_cast<std::uint32_t>(bin.size()));
        std::string ex = "%SystemRoot%\\system32\\x" + std::to_string(seed) + ".dll";
        (void)reg.WriteValue(key, "Path", kRegExpandSz, ex.c_str(),
                             static_cast<std::uint32_t>(ex.size() + 1));
        c.values += 2;
        break;
    }
    case 3: {
        std::string multi = "first\0second\0third " + std::to_string(seed) + '\0';
        multi += '\0';
        (void)reg.WriteValue(key, "List", kRegMultiSz, multi.data(),
                             static_cast<std::uint32_t>(multi.size()));
        std::uint64_t q = 0x0102030405060708ull * static_cast<std::uint64_t>(seed);
        (void)reg.WriteValue(key, "Stamp", kRegQword, &q, 8);
        (void)reg.WriteValue(key, "Name\\With\\Slashes", kRegSz, text.c_str(),
                             static_cast<std::uint32_t>(text.size() + 1));
        c.values += 3;
        break;
    }
    case 4:
        if (seed % 500 == 4) {
            std::string big(3000, 'z');
            (void)reg.WriteValue(key, "Big", kRegBinary, big.data(), 3000);
        } else {
            (void)reg.WriteDword(key, "Flag", 1);
        }
        c.values += 1;
        break;
    }
}

Counts Build(Registry& reg) {
    Counts c;
    RegKey top(reg, reg.CreateKey(RootHandle(kCurrentUser), kBenchKey));
    int seed = 0;
    for (int v = 0; v < kVendors; ++v) {
        RegKey vendor(reg, reg.CreateKey(top.get(), "Vendor " + std::to_string(v)));
        AddValues(reg, vendor.get(), seed++, c);
        ++c.keys;
        for (int a = 0; a < kApps; ++a) {
            RegKey app(reg, reg.CreateKey(vendor.get(), "App" + std::to_string(a)));
            AddValues(reg, app.get(), seed++, c);
            ++c.keys;
            for (int l = 0; l < kLeaves; ++l) {
                RegKey leaf(reg, reg.CreateKey(app.get(), "Settings" + std::to_string(l)));
                AddValues(reg, leaf.get(), seed++, c);
                ++c.keys;
            }
        }
    }
    (void)reg.WriteDword(top.get(), "LayoutVersion", kLayoutVersion);
    return c;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return -1;
    return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

} // namespace

int main() {
    if (!zt::test::RunsInMarkedWinePrefix()) return 3;
    Win32Registry reg;
    Win32System sys;

    std::uint32_t layout = 0;
    {
        RegKey top(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kBenchKey));
        if (top) reg.ReadDword(top.get(), "LayoutVersion", layout);
    }
    if (layout != kLayoutVersion) {
        (void)reg.DeleteKeyTree(RootHandle(kCurrentUser), kBenchKey);
        auto start = Clock::now();
        Counts c = Build(reg);
        std::printf("built %ld keys, %ld values in %.1f s\n", c.keys + 1, c.values + 1,
                    Seconds(start));
    }

    std::string folder = sys.GetTempFolder();
    std::string ours = folder + "zt-bench-export-ours.reg";
    std::string theirs = folder + "zt-bench-export-regedit.reg";
    DeleteFileA(ours.c_str());
    DeleteFileA(theirs.c_str());

    // A warm-up walk, then three rounds of each, alternating, so load from elsewhere on the
    // machine hits both alike; the best time of each counts.
    auto runOurs = [&](bool& complete) {
        auto start = Clock::now();
        CRegFileWriter w(reg, sys);
        w.Open(ours);
        complete = w.ExportKey(kCurrentUser, kBenchKey);
        w.Close();
        return Seconds(start);
    };
    auto runEditor = [&]() -> double {
        std::string cmd =
            "regedit.exe /e \"" + theirs + "\" \"HKEY_CURRENT_USER\\" + kBenchKey + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        auto start = Clock::now();
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return -1;
        WaitForSingleObject(pi.hProcess, INFINITE);
        double s = Seconds(start);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return s;
    };
    bool complete = false;
    runOurs(complete);
    double oursSeconds = 1e9, theirsSeconds = 1e9;
    for (int round = 0; round < 3; ++round) {
        double o = runOurs(complete);
        double t = runEditor();
        if (t < 0) {
            std::fprintf(stderr, "cannot start regedit: %lu\n", GetLastError());
            return 1;
        }
        std::printf("round %d: ours %.2f s, regedit %.2f s\n", round + 1, o, t);
        oursSeconds = std::min(oursSeconds, o);
        theirsSeconds = std::min(theirsSeconds, t);
    }

    std::string text;
    {
        FILE* f = std::fopen(ours.c_str(), "rb");
        char buf[1 << 16];
        std::size_t n;
        while (f && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        if (f) std::fclose(f);
    }
    long keys = 0;
    for (std::size_t p = 0; (p = text.find("\r\n[", p)) != std::string::npos; ++p)
        ++keys;

    std::printf("export of HKCU\\%s: %ld keys\n", kBenchKey, keys);
    std::printf("  CRegFileWriter : %7.2f s  %8.0f keys/s  %lld bytes  complete=%s\n", oursSeconds,
                keys / oursSeconds, FileSize(ours), complete ? "yes" : "no");
    std::printf("  regedit /e     : %7.2f s  %8.0f keys/s  %lld bytes (UTF-16)\n", theirsSeconds,
                keys / theirsSeconds, FileSize(theirs));
    std::printf("  ratio ours/regedit (best of 3 each): %.2f (below 1 is faster)\n",
                oursSeconds / theirsSeconds);
    DeleteFileA(ours.c_str());
    DeleteFileA(theirs.c_str());
    return complete && keys >= 100000 ? 0 : 1;
}
