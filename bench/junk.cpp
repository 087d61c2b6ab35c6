// Measures a folder tree with GetFolderSize, as the disk cleaner does, and prints the time;
// with --delete, empties a tree with DeleteFolderContents instead.
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
#include "platform/win32/Win32System.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_junk FOLDER [RUNS]\n");
        return 2;
    }
    if (std::string(argv[1]) == "--delete" && argc > 2) {
        zt::Win32System sys;
        bool allDeleted = true;
        auto start = std::chrono::steady_clock::now();
        zt::DeleteFolderContents(sys, argv[2], true, false, allDeleted);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("DeleteFolderContents: %.3f s, all deleted: %s\n", s,
                    allDeleted ? "yes" : "no");
        return allDeleted ? 0 : 1;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    zt::Win32System sys;
    std::vector<double> seconds;
    std::uint64_t bytes = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        bytes = zt::GetFolderSize(sys, argv[1], false);
        auto end = std::chrono::steady_clock::now();
        seconds.push_back(std::chrono::duration<double>(end - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("GetFolderSize: %llu bytes, best %.3f s, median %.3f s over %d runs\n",
                static_cast<unsigned long long>(bytes), seconds.front(),
                seconds[seconds.size() / 2], runs);
    std::printf("seconds=%.6f\n", seconds[seconds.size() / 2]);
    return 0;
}
