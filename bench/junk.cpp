// Measures a folder tree as the disk cleaner measures the user temporary folder, with every
// defence on (each entry checked as itself, links never followed, the protected folders and
// the age rule), and prints the time; with --delete, empties a tree the same way instead.
// Measuring also prints, for comparison only, the walk that takes the listing at its word,
// as the cleaner does where listings mark every link (Windows): under Wine, where they do
// not, the defended walk opens each file to tell a link from a file.
// Usage: bench_junk.exe FOLDER [RUNS] | bench_junk.exe --delete FOLDER.
// tools/bench.d/junk builds the trees and compares with du and rm.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "diskclean/FolderWalk.h"
#include "diskclean/JunkPlaces.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"

namespace {
double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Trusts the listing to mark links to files; not safe under Wine, never used but for a figure.
class ListingTrusted : public zt::Win32System {
  public:
    bool ListingShowsFileLinks() override { return true; }
};

// The folder as a cleaning would take it, refused when protected.
bool Locate(zt::Registry& reg, zt::System& sys, const char* folder, std::string& real) {
    zt::JunkFolder f =
        zt::CheckJunkFolder(sys, std::string(folder), zt::ProtectedFolders::Gather(reg, sys));
    if (!f.ok()) {
        std::fprintf(stderr, "bench_junk: %s\n", f.reason.c_str());
        return false;
    }
    real = f.real;
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_junk FOLDER [RUNS] | bench_junk --delete FOLDER\n");
        return 2;
    }
    zt::Win32Registry reg;
    zt::Win32System sys;
    const bool remove = std::string(argv[1]) == "--delete" && argc > 2;
    std::string real;
    if (remove) {
        auto start = std::chrono::steady_clock::now();
        if (!Locate(reg, sys, argv[2], real)) return 1;
        zt::JunkTally t = zt::EmptyJunkFolder(
            sys, real, zt::JunkRulesFor(zt::JunkItem::UserTemp, {}, sys.CurrentTime(), false));
        double s = Since(start);
        std::printf("EmptyJunkFolder: %.3f s, %llu files removed, %llu left, %llu kept as recent\n",
                    s, static_cast<unsigned long long>(t.files),
                    static_cast<unsigned long long>(t.filesLeft),
                    static_cast<unsigned long long>(t.youngKept));
        return t.Complete() ? 0 : 1;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    ListingTrusted trusting;
    std::vector<double> seconds, listingOnly;
    zt::JunkTally t, l;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (!Locate(reg, sys, argv[1], real)) return 1;
        t = zt::MeasureJunkFolder(
            sys, real, zt::JunkRulesFor(zt::JunkItem::UserTemp, {}, sys.CurrentTime(), true));
        seconds.push_back(Since(start));
        start = std::chrono::steady_clock::now();
        if (!Locate(reg, trusting, argv[1], real)) return 1;
        l = zt::MeasureJunkFolder(
            trusting, real,
            zt::JunkRulesFor(zt::JunkItem::UserTemp, {}, trusting.CurrentTime(), true));
        listingOnly.push_back(Since(start));
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(listingOnly.begin(), listingOnly.end());
    std::printf("MeasureJunkFolder: %llu bytes in %llu files, best %.3f s, median %.3f s over %d "
                "runs\n",
                static_cast<unsigned long long>(t.bytes), static_cast<unsigned long long>(t.files),
                seconds.front(), seconds[seconds.size() / 2], runs);
    std::printf("listing only: %llu bytes in %llu files, best %.3f s, median %.3f s\n",
                static_cast<unsigned long long>(l.bytes), static_cast<unsigned long long>(l.files),
                listingOnly.front(), listingOnly[listingOnly.size() / 2]);
    return 0;
}
