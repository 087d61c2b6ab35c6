// Cleaning benchmark: one key holding 2,000 and then 20,000 dead shared-DLL values, and 5,000
// dead App Paths keys, each scanned and cleaned as the console tool's `clean` command does
// (the cleaning timed on its own). Beside each, the
// limit measured in the same run: a bare loop that reads each entry, writes it to a file and
// deletes it. Prints the time per finding of both and their ratio.
// Run with tools/bench clean.
#include <windows.h>

#include <chrono>
#include <utility>
#include <cstdio>
#include <string>

#include "backup/RegFileWriter.h"
#include "cleaning/Cleaning.h"
#include "cli/CliContext.h"
#include "cli/ScanOptions.h"
#include "tests/support/wine_guard.h"

namespace {

using namespace zt;
using Clock = std::chrono::steady_clock;

constexpr const char* kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

std::string DllName(int i) {
    return "C:\\zt-bench-gone\\lib" + std::to_string(i) + ".dll";
}
std::string AppKey(int i) {
    return std::string(kAppPaths) + "\\ztbenchgone" + std::to_string(i) + ".exe";
}

void PlantValues(Registry& reg, int n) {
    RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), kSharedDlls));
    for (int i = 0; i < n; ++i)
        (void)reg.WriteDword(key.get(), DllName(i), 1);
}

void PlantKeys(Registry& reg, int n) {
    for (int i = 0; i < n; ++i) {
        RegKey key(reg, reg.CreateKey(RootHandle(kLocalMachine), AppKey(i)));
        (void)reg.WriteString(key.get(), "", "C:\\zt-bench-gone\\app" + std::to_string(i) + ".exe");
    }
}

struct YesPrompt : UserPrompt {
    int Ask(std::string_view, std::string_view, PromptButtons) override { return kAnswerOk; }
};
struct NoSink : CleaningSink {};

// The console tool's `clean`, in two timed halves: its scan, then its cleaning of every
// finding. Seconds of each.
std::pair<double, double> ScanAndClean(cli::CliContext& ctx, const char* category, int expected) {
    cli::ScanOptions options;
    std::string why;
    cli::ParseScanOptions({"--yes", "--categories", category}, true, options, why);
    cli::CollectingScanSink scanSink;
    auto t = Clock::now();
    cli::RunConsoleScan(ctx, options, scanSink);
    double scan = Seconds(t);
    FindingVector list;
    for (auto it = scanSink.rows.rbegin(); it != scanSink.rows.rend(); ++it)
        list.Add(it->finding);
    YesPrompt prompt;
    NoSink sink;
    CRegFileWriter writer(ctx.registry, ctx.system);
    t = Clock::now();
    CleanOutcome out =
        CleanTicked(CleaningContext{ctx.registry, ctx.system, writer, prompt, sink}, list);
    double clean = Seconds(t);
    if (out.processed != expected)
        std::printf("  (cleaned %d of %d findings)\n", out.processed, expected);
    return {scan, clean};
}

// The bare limit: read, write to a file, delete; per entry.
double BareValues(cli::CliContext& ctx, int n) {
    auto file = ctx.system.CreateOutFile("C:\\zt-bench-bare.reg");
    auto t = Clock::now();
    RegKey key(ctx.registry, ctx.registry.OpenKeyAllAccess(RootHandle(kLocalMachine), kSharedDlls));
    for (int i = 0; i < n; ++i) {
        std::string name = DllName(i);
        auto v = ctx.registry.ReadValueWhole(key.get(), name);
        std::string line = "\"" + name + "\"=dword:" + std::to_string(v ? v->data.size() : 0);
        ctx.system.WriteOutFile(file, line.data(), line.size());
        (void)ctx.registry.DeleteValue(key.get(), name);
    }
    double s = Seconds(t);
    ctx.system.CloseOutFile(file);
    return s / n;
}

double BareKeys(cli::CliContext& ctx, int n) {
    auto file = ctx.system.CreateOutFile("C:\\zt-bench-bare.reg");
    auto t = Clock::now();
    for (int i = 0; i < n; ++i) {
        std::string path = AppKey(i);
        {
            RegKey key(ctx.registry, ctx.registry.OpenKeyRead(RootHandle(kLocalMachine), path));
            auto v = ctx.registry.ReadValueWhole(key.get(), "");
            std::string block = "[" + path + "]\r\n@=" + std::to_string(v ? v->data.size() : 0);
            ctx.system.WriteOutFile(file, block.data(), block.size());
        }
        (void)ctx.registry.DeleteKeyTree(RootHandle(kLocalMachine), path);
    }
    double s = Seconds(t);
    ctx.system.CloseOutFile(file);
    return s / n;
}

struct Result {
    double scan = 0, clean = 0, perFinding = 0, bare = 0;
};

Result Measure(cli::CliContext& ctx, const char* category, int n, bool keys, bool print = true) {
    Result r;
    keys ? PlantKeys(ctx.registry, n) : PlantValues(ctx.registry, n);
    auto [scan, clean] = ScanAndClean(ctx, category, n);
    r.scan = scan;
    r.clean = clean;
    r.perFinding = clean / n;
    keys ? PlantKeys(ctx.registry, n) : PlantValues(ctx.registry, n);
    r.bare = keys ? BareKeys(ctx, n) : BareValues(ctx, n);
    if (!print) return r;
    std::printf("%-26s %6d  scan %7.2f s  clean %7.2f s  per finding %6.3f ms  bare loop "
                "%6.3f ms  ratio %.2fx\n",
                keys ? "dead App Paths keys" : "dead values in one key", n, r.scan, r.clean,
                r.perFinding * 1000, r.bare * 1000, r.perFinding / r.bare);
    std::fflush(stdout);
    return r;
}

} // namespace

int main() {
    if (!zt::test::RunsInMarkedWinePrefix()) return 3;
    cli::CliContext ctx;
    // The first run pays for caches and the backup folder; it is not counted.
    Measure(ctx, "4", 500, false, false);
    Result small = Measure(ctx, "4", 2000, false);
    Result large = Measure(ctx, "4", 20000, false);
    Measure(ctx, "11", 5000, true);
    std::printf("per finding at 20,000 / at 2,000: %.2fx (target at most 1.5x)\n",
                large.perFinding / small.perFinding);
    return 0;
}
