// Scan benchmark: a synthetic registry of more than 100,000 keys across HKCR and
// HKLM\Software with about 1% dangling references; times a raw walk (open, enumerate
// subkeys and values) and a full scan of the same keys, and prints keys/s and the ratio.
// Run with tools/bench scan; the registry is built once per bench prefix.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "scan/ScanEngine.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "tests/support/wine_guard.h"

namespace {

using namespace zt;
using Clock = std::chrono::steady_clock;

constexpr int kClasses = 20000;    // CLSID\{..} + InprocServer32: 40,000 keys
constexpr int kProgIds = 5000;     // ProgId, CLSID, shell, open, command: 25,000 keys
constexpr int kExtensions = 5000;  // .ext -> ProgId: 5,000 keys
constexpr int kVendors = 100;      // Software\ZentroveBench\VendorN\AppM\Settings\...
constexpr int kAppsPerVendor = 60; // 100 * 60 * 5 = 30,000 keys
constexpr int kTypeLibs = 3000;    // TypeLib\{..}\1.0\0\win32: 12,000 keys
constexpr int kNamedValues = 3000; // MUI cache, Compatibility store and installer folder values
constexpr std::uint32_t kLayoutVersion = 3;
constexpr const char* kBenchKey = "Software\\ZentroveBench";

// Every hundredth reference dangles.
bool Dangling(int i) {
    return i % 100 == 37;
}

std::vector<std::string> RealFiles() {
    char sys[MAX_PATH] = {};
    GetSystemDirectoryA(sys, MAX_PATH);
    std::vector<std::string> files;
    for (const char* name :
         {"shell32.dll", "kernel32.dll", "user32.dll", "ole32.dll", "gdi32.dll", "advapi32.dll",
          "comctl32.dll", "oleaut32.dll", "msvcrt.dll", "ntdll.dll", "rpcrt4.dll", "shlwapi.dll",
          "wininet.dll", "urlmon.dll", "version.dll", "winmm.dll"}) {
        std::string path = std::string(sys) + "\\" + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) files.push_back(path);
    }
    return files;
}

std::string Guid(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "{B3AC0000-0000-4000-8000-%012d}", i);
    return buf;
}

void SetString(Registry& reg, HKey key, const char* name, const std::string& text) {
    (void)reg.WriteValue(key, name, kRegSz, text.c_str(),
                         static_cast<std::uint32_t>(text.size() + 1));
}

struct Built {
    int keys = 0;
    int references = 0; // strings naming a file or a class
    int dangling = 0;
};

Built BuildRegistry(Registry& reg, const std::vector<std::string>& files) {
    Built b;
    HKey cr = RootHandle(kClassesRoot);
    auto file = [&](int i, const char* ext) {
        if (Dangling(i)) {
            ++b.dangling;
            return "C:\\ZentroveBench\\gone\\file" + std::to_string(i) + ext;
        }
        return files[i % files.size()];
    };
    for (int i = 0; i < kClasses; ++i) {
        RegKey clsid(reg, reg.CreateKey(cr, "CLSID\\" + Guid(i)));
        SetString(reg, clsid.get(), "", "Bench class " + std::to_string(i));
        RegKey inproc(reg, reg.CreateKey(clsid.get(), "InprocServer32"));
        SetString(reg, inproc.get(), "", file(i, ".dll"));
        SetString(reg, inproc.get(), "ThreadingModel", "Both");
        b.keys += 2;
        b.references += 1;
    }
    for (int i = 0; i < kProgIds; ++i) {
        std::string progId = "ZentroveBench.Doc" + std::to_string(i);
        RegKey key(reg, reg.CreateKey(cr, progId));
        SetString(reg, key.get(), "", "Bench document");
        RegKey clsid(reg, reg.CreateKey(key.get(), "CLSID"));
        // Dangling class references point past the classes that exist.
        SetString(reg, clsid.get(), "", Guid(Dangling(i + 1) ? kClasses + i : i));
        b.dangling += Dangling(i + 1);
        RegKey command(reg, reg.CreateKey(key.get(), "shell\\open\\command"));
        SetString(reg, command.get(), "", "\"" + file(i + 2, ".exe") + "\" \"%1\"");
        b.keys += 5;
        b.references += 2;
    }
    for (int i = 0; i < kExtensions; ++i) {
        RegKey ext(reg, reg.CreateKey(cr, ".zb" + std::to_string(i)));
        bool dangling = Dangling(i + 3);
        b.dangling += dangling;
        SetString(reg, ext.get(), "",
                  "ZentroveBench." + std::string(dangling ? "Gone" : "Doc") +
                      std::to_string(i % kProgIds));
        ++b.keys;
        ++b.references;
    }
    RegKey bench(reg, reg.CreateKey(RootHandle(kLocalMachine), kBenchKey));
    int n = 0;
    for (int v = 0; v < kVendors; ++v) {
        RegKey vendor(reg, reg.CreateKey(bench.get(), "Vendor" + std::to_string(v)));
        ++b.keys;
        for (int a = 0; a < kAppsPerVendor; ++a, ++n) {
            RegKey app(reg, reg.CreateKey(vendor.get(), "App" + std::to_string(a)));
            SetString(reg, app.get(), "Version", "1.0." + std::to_string(a));
            int k = 0;
            for (const char* sub : {"Settings", "Recent", "Plugins", "Window"}) {
                RegKey child(reg, reg.CreateKey(app.get(), sub));
                SetString(reg, child.get(), "Path", file(n * 4 + k++, ".dat"));
                ++b.references;
                SetString(reg, child.get(), "Name", "value " + std::to_string(n));
                (void)reg.WriteDword(child.get(), "Count", static_cast<std::uint32_t>(n));
                ++b.keys;
            }
            ++b.keys;
        }
    }
    // The areas whose value names are paths, and type libraries.
    auto made = [&](RootKey root, std::string_view path) {
        return RegKey(reg, reg.CreateKey(RootHandle(root), path));
    };
    RegKey mui = made(kCurrentUser, "Software\\Classes\\Local Settings\\Software\\Microsoft\\"
                                    "Windows\\Shell\\MuiCache");
    RegKey store = made(kCurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\"
                                      "AppCompatFlags\\Compatibility Assistant\\Store");
    RegKey folders =
        made(kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders");
    RegKey components = made(kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                            "Installer\\UserData\\S-1-5-18\\Components");
    for (int i = 0; i < kNamedValues; ++i) {
        const std::string program = file(i, ".exe");
        SetString(reg, mui.get(), (program + ".FriendlyAppName").c_str(), "Bench program");
        (void)reg.WriteDword(store.get(), file(i + 1, ".exe"), 1);
        const std::string folder =
            Dangling(i + 2) ? "C:\\ZentroveBench\\gone\\folder" + std::to_string(i) + "\\"
                            : "C:\\ZentroveBench\\";
        b.dangling += Dangling(i + 2);
        SetString(reg, folders.get(), folder.c_str(), "");
        RegKey component(reg, reg.CreateKey(components.get(), "ZB" + std::to_string(i)));
        SetString(reg, component.get(), "P", files[i % files.size()]);
        b.references += 3;
        ++b.keys;
    }
    for (int i = 0; i < kTypeLibs; ++i) {
        RegKey lib(reg, reg.CreateKey(cr, "TypeLib\\" + Guid(i) + "\\1.0\\0\\win32"));
        SetString(reg, lib.get(), "", file(i + 4, ".tlb"));
        b.keys += 4;
        ++b.references;
    }
    (void)reg.WriteDword(bench.get(), "Layout", kLayoutVersion);
    (void)reg.WriteDword(bench.get(), "Keys", static_cast<std::uint32_t>(b.keys));
    (void)reg.WriteDword(bench.get(), "References", static_cast<std::uint32_t>(b.references));
    (void)reg.WriteDword(bench.get(), "Dangling", static_cast<std::uint32_t>(b.dangling));
    return b;
}

// Open, enumerate values and subkeys, recurse: the registry cost alone, over the keys the
// scan visits (with its exclusions).
struct RawWalker {
    explicit RawWalker(Registry& r) : reg(r) {}
    Registry& reg;
    long keys = 0;
    std::string name;
    std::vector<std::uint8_t> data;

    void Walk(HKey key, int area, int depth) {
        ++keys;
        std::uint32_t type = 0;
        for (std::uint32_t i = 0;
             reg.EnumValue(key, i, name, kValueNameChars, type, data, kValueDataBytes); ++i) {
        }
        std::string child;
        for (std::uint32_t i = 0; reg.EnumKey(key, i, child, kKeyNameChars); ++i) {
            if (NamesEqual(child, "VirtualStore")) continue;
            if (area == 1 && depth == 1 &&
                (NamesEqual(child, "TypeLib") || NamesEqual(child, "AppID") ||
                 NamesEqual(child, "Wow6432Node")))
                continue;
            if (area == 3 && depth == 1 && NamesEqual(child, "Classes")) continue;
            if (area == 3 && depth == 5 && NamesEqual(child, "UserData")) continue;
            if (kScanCategories[area].skip == SkipTypeLibChild && depth >= 3) continue;
            RegKey c(reg, reg.OpenKeyRead(key, child));
            if (c) Walk(c.get(), area, depth + 1);
        }
    }
    void WalkAll() {
        Walk(RootHandle(kClassesRoot), 1, 1);
        for (int i = 2; i < kScanCategoryCount; ++i)
            for (const auto& start : kScanCategories[i].starts) {
                RegKey k(reg, reg.OpenKeyRead(RootHandle(start.root), start.path));
                if (k) Walk(k.get(), i, 1); // area 3 is the system software walk
            }
    }
};

class CountingSink : public ScanSink {
  public:
    void AddFinding(ScanRow) override { ++findings; }
    void ScanProgress(std::string_view) override { ++statuses; }
    void ScanFinished(const ScanSummary& summary) override { count = summary.count; }
    long findings = 0;
    long statuses = 0;
    int count = 0;
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main() {
    std::string why;
    if (!test::InMarkedWinePrefix(why)) {
        std::fprintf(stderr, "refusing to run: %s (use tools/bench scan)\n", why.c_str());
        return 3;
    }
    Win32Registry reg;
    Win32System sys;
    auto files = RealFiles();
    if (files.empty()) {
        std::fprintf(stderr, "no system files found to reference\n");
        return 1;
    }

    std::uint32_t layout = 0, keys = 0, references = 0, dangling = 0;
    {
        RegKey bench(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kBenchKey));
        if (bench) {
            reg.ReadDword(bench.get(), "Layout", layout);
            reg.ReadDword(bench.get(), "Keys", keys);
            reg.ReadDword(bench.get(), "References", references);
            reg.ReadDword(bench.get(), "Dangling", dangling);
        }
    }
    if (layout != kLayoutVersion) {
        std::printf("building the synthetic registry (once per bench prefix)...\n");
        std::fflush(stdout);
        auto t0 = Clock::now();
        Built b = BuildRegistry(reg, files);
        keys = static_cast<std::uint32_t>(b.keys);
        references = static_cast<std::uint32_t>(b.references);
        dangling = static_cast<std::uint32_t>(b.dangling);
        std::printf("built %u keys in %.1f s\n", keys, Seconds(Clock::now() - t0));
    }
    std::printf("synthetic keys: %u (HKCR and HKLM\\Software); references: %u, dangling: %u "
                "(%.2f%%)\n",
                keys, references, dangling, 100.0 * dangling / (references ? references : 1));

    RawWalker raw(reg);
    auto t0 = Clock::now();
    raw.WalkAll();
    double rawSeconds = Seconds(Clock::now() - t0);

    CountingSink sink;
    ScanEngine engine(reg, sys, sink);
    engine.SetAllCategories(true);
    engine.BeginScan();
    t0 = Clock::now();
    engine.RunScan();
    double scanSeconds = Seconds(Clock::now() - t0);

    RawWalker again(reg);
    t0 = Clock::now();
    again.WalkAll();
    double rawSeconds2 = Seconds(Clock::now() - t0);
    double rawBest = std::min(rawSeconds, rawSeconds2);

    // The scan reports its progress once per 200 keys.
    long scanKeys = sink.statuses * kStatusEveryKeys;
    std::printf("raw walk:  %ld keys in %.2f s (%.0f keys/s); again %.2f s\n", raw.keys, rawSeconds,
                raw.keys / rawSeconds, rawSeconds2);
    std::printf("full scan: ~%ld keys in %.2f s (%.0f keys/s), %d findings\n", scanKeys,
                scanSeconds, scanKeys / scanSeconds, sink.count);
    std::printf("ratio scan/raw walk: %.2f (against the faster raw walk; target <= 1.5)\n",
                scanSeconds / rawBest);
    return 0;
}
