// A real full disk under Wine: the backup folder sits on a small tmpfs mounted into a folder
// that the prefix sees through drive Z:.
#include <windows.h>

#include <functional>

#include "backup/RegFileReader.h"
#include "tests/cleaning/common/cleaning_fixture.h"
#include "support/win_process.h"

namespace zt::test {
namespace {

// Starts a Unix command line through /bin/sh. Wine gives no exit code for a Unix program,
// so callers watch for its effect.
bool StartUnix(const std::string& command) {
    return RunAndWait("Z:\\bin\\sh -c \"" + command + "\"", 5000);
}

// Total size of the file system holding `path`, or 0.
ULONGLONG VolumeBytes(const std::string& path) {
    ULARGE_INTEGER avail{}, total{}, free{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &avail, &total, &free)) return 0;
    return total.QuadPart;
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 100; ++i) {
        if (done()) return true;
        Sleep(50);
    }
    return false;
}

class FullDiskTest : public CleaningTest {
  protected:
    std::string unixMount = "/tmp/zentrove-full-disk-" + std::to_string(GetCurrentProcessId());
    bool mounted = false;

    void SetUp() override {
        CleaningTest::SetUp();
        std::string winPath = "Z:" + unixMount;
        for (auto& c : winPath)
            if (c == '/') c = '\\';
        StartUnix("mkdir -p " + unixMount + " && mount -t tmpfs -o size=16k tmpfs " + unixMount);
        mounted = WaitFor([&] { return VolumeBytes(winPath + "\\") == 16 * 1024; });
        if (!mounted) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
        sys.appData = winPath;
        writer = std::make_unique<CRegFileWriter>(*reg, sys);
    }
    void TearDown() override {
        writer.reset();
        if (!mounted) return;
        std::string winPath = sys.appData + "\\";
        // The server may still hold the folder for a moment; a lazy unmount detaches it all
        // the same, so no small file system outlives the test.
        StartUnix("for i in 1 2 3 4 5 6 7 8 9 10; do umount " + unixMount +
                  " 2>/dev/null && break; sleep 0.2; done; umount -l " + unixMount +
                  " 2>/dev/null; rmdir " + unixMount);
        EXPECT_TRUE(WaitFor([&] { return VolumeBytes(winPath) != 16 * 1024; }));
    }
};

TEST_F(FullDiskTest, TheRunStopsAtTheFindingWhoseExportDoesNotFit) {
    SetDword("Small", "v", 1);
    SetBinary("Large", "blob", 40000); // about 120 KB of text
    SetDword("After", "v", 3);
    list.Add(KeyFinding("Small"));
    list.Add(KeyFinding("Large"));
    list.Add(KeyFinding("After"));

    CleanOutcome out = Clean();
    EXPECT_EQ(out.status, CleanStatus::FileError);
    EXPECT_EQ(out.processed, 1);
    EXPECT_FALSE(KeyThere("Small"));
    EXPECT_TRUE(KeyThere("Large"));
    EXPECT_TRUE(KeyThere("After"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(out.error.empty());
    std::printf("full disk error shown: %s\n", out.error.c_str());
    EXPECT_EQ(prompt.shown.back(), out.error);
    std::string text = ReadFileText(sys, out.backupFile).value_or("");
    EXPECT_NE(text.find(Block("Small") + "\"v\"=dword:00000001"), std::string::npos);
    EXPECT_TRUE(ParseRegFile(text).ok) << "a half-written piece would stop the restore";
}

} // namespace
} // namespace zt::test
