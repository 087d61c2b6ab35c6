// Measures a folder tree as the disk cleaner measures the user temporary folder, with every
// defence on (each entry checked as itself, links never followed, the protected folders and
// the age rule), and prints the time; with --delete, empties a tree the same way instead.
// Measuring also prints, for comparison only, the walk that takes the listing at its word,
// as the cleaner does where listings mark every link (Windows): under Wine, where they do
// not, the defended walk opens each file to tell a link from a file.
// With --browser, measures the browser cache place over a planted local application data
// folder beside a bare FindFirstFileExW walk of its user data folder, in the same run; with
// --browser-delete, empties that place.
// Usage: bench_junk.exe FOLDER [RUNS] | bench_junk.exe --delete FOLDER |
//        bench_junk.exe --browser LOCALAPPDATA [RUNS] | bench_junk.exe --browser-delete
//        LOCALAPPDATA
// tools/bench.d/junk builds the trees and compares with du and rm.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "diskclean/FolderWalk.h"
#include "diskclean/JunkCleaning.h"
#include "diskclean/JunkMeasuring.h"
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

// The local application data folder where the bench planted it; listings trusted to mark
// links, as on Windows, when `trusting`.
class PlantedSystem : public zt::Win32System {
  public:
    PlantedSystem(std::string local, bool trusting)
        : local_(std::move(local)), trusting_(trusting) {}
    std::optional<std::string> GetKnownFolder(zt::KnownFolder folder) override {
        if (folder == zt::KnownFolder::LocalAppData) return local_;
        return Win32System::GetKnownFolder(folder);
    }
    bool ListingShowsFileLinks() override {
        return trusting_ || Win32System::ListingShowsFileLinks();
    }

  private:
    std::string local_;
    bool trusting_;
};

// What the place's measuring is compared with: every file's size, nothing checked.
std::uint64_t BareWalk(const std::wstring& folder, std::uint64_t& files) {
    std::uint64_t bytes = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &fd,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::wcscmp(fd.cFileName, L".") && std::wcscmp(fd.cFileName, L".."))
                bytes += BareWalk(folder + L"\\" + fd.cFileName, files);
        } else {
            bytes += (std::uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
            ++files;
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return bytes;
}

int BrowserBench(zt::Registry& reg, const std::string& local, int runs) {
    PlantedSystem sys(local, true);
    const zt::JunkPlaceRow& row = *zt::FindJunkPlace("chrome-cache");
    const std::wstring userData = zt::WidePath(local + "\\Google\\Chrome\\User Data");
    std::vector<double> ours, bare;
    zt::PlaceMeasurement m;
    std::uint64_t bytes = 0, files = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        m = zt::MeasureJunkPlace(sys, row, zt::RunningPrograms::Take(sys),
                                 zt::ProtectedFolders::Gather(reg, sys), {});
        ours.push_back(Since(start));
        start = std::chrono::steady_clock::now();
        files = 0;
        bytes = BareWalk(userData, files);
        bare.push_back(Since(start));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(bare.begin(), bare.end());
    std::printf("MeasureJunkPlace: %llu bytes in %llu files, best %.3f s\n",
                static_cast<unsigned long long>(m.bytes), static_cast<unsigned long long>(m.files),
                ours.front());
    std::printf("FindFirstFileExW walk: %llu bytes in %llu files, best %.3f s\n",
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(files),
                bare.front());
    std::printf("ratio measuring / bare walk: %.2f\n", ours.front() / bare.front());
    return 0;
}

int BrowserDelete(zt::Registry& reg, const std::string& local) {
    PlantedSystem sys(local, false);
    auto start = std::chrono::steady_clock::now();
    zt::CatalogPlaceReport report;
    zt::CleanJunkPlace(sys, *zt::FindJunkPlace("chrome-cache"), zt::RunningPrograms::Take(sys),
                       zt::ProtectedFolders::Gather(reg, sys), zt::JunkOptions{0}, report);
    std::printf("CleanJunkPlace: %.3f s, %llu files removed, %llu left\n", Since(start),
                static_cast<unsigned long long>(report.tally.files),
                static_cast<unsigned long long>(report.tally.filesLeft));
    return report.outcome == zt::JunkPlaceOutcome::Cleaned ? 0 : 1;
}

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
    if (std::string(argv[1]) == "--browser" && argc > 2)
        return BrowserBench(reg, argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 3);
    if (std::string(argv[1]) == "--browser-delete" && argc > 2) return BrowserDelete(reg, argv[2]);
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
