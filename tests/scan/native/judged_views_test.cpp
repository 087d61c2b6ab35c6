// What the startup and uninstall rules judge, in which registry view and on which drives: each
// table plants its entries side by side and names the ones a scan must report.
#include <gtest/gtest.h>

#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"
#include "scan/ScanEngine.h"
#include "scan/scan_support.h"

namespace zt {
namespace {

const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kWowCv = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
constexpr int kStartup = 6, kUninstall = 8, kAppPaths = 11;

struct Planted {
    RootKey root;
    std::string key, name;
    std::uint32_t type;
    std::string data;
    bool reported;
};

class JudgedViewsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sys.SetEnvironment("SystemRoot", "C:\\windows");
        sys.SetEnvironment("ProgramFiles", "C:\\Program Files");
        sys.AddFile("C:\\Apps\\real.exe");
        sys.AddFile("C:\\Program Files\\App\\unins000.exe");
        sys.AddFile("C:\\windows\\system32\\rundll32.exe");
        sys.AddFile("C:\\windows\\system32\\real.dll");
        sys.AddFile("C:\\windows\\SysWOW64\\only32.dll");
    }
    // Plants `rows`, scans `categories` and checks each row's verdict. A DisplayIcon's
    // finding is its key.
    void Check(const std::vector<Planted>& rows, std::initializer_list<int> categories) {
        for (const auto& r : rows)
            test::SetString(reg, r.root, r.key, r.name, r.data, r.type);
        test::ScanAreas(reg, sys, sink, categories);
        std::size_t expected = 0;
        for (const auto& r : rows) {
            const std::string key = std::string(RootAbbreviation(r.root)) + r.key + "\\";
            const bool found = sink.Find(r.name == "DisplayIcon" ? key : key + r.name);
            EXPECT_EQ(found, r.reported) << key << r.name << " = " << r.data;
            expected += r.reported;
        }
        EXPECT_EQ(sink.rows.size(), expected);
    }
    // The evidence of the finding at `path`, one string.
    std::string EvidenceOf(const std::string& path) {
        const ScanRow* row = sink.Find(path);
        if (!row) return "(not reported)";
        std::string all;
        for (const auto& line : row->evidence)
            all += line + "\n";
        return all;
    }
    MemoryRegistry reg;
    MemorySystem sys;
    test::RecordingSink sink;
};

TEST_F(JudgedViewsTest, TheProgramThatWouldRunIsJudged) {
    const std::string un = kCv + "\\Uninstall\\";
    const std::string run = kCv + "\\Run";
    sys.SetEnvironment("ZTAPP", "C:\\Program Files\\App");
    sys.SetEnvironment("ZTGONE", "C:\\Program Files\\Gone");
    const std::vector<Planted> rows = {
        {kLocalMachine, un + "QuotedArgs", "QuietUninstallString", kRegSz,
         "\"C:\\Program Files\\App\\unins000.exe\" /SILENT", false},
        {kLocalMachine, un + "QuotedDead", "UninstallString", kRegSz,
         "\"C:\\Program Files\\Gone\\unins000.exe\"", true},
        {kLocalMachine, un + "Unbalanced", "UninstallString", kRegSz,
         "\"C:\\Program Files\\App\\unins000.exe /S", false},
        {kLocalMachine, un + "UnbalancedDead", "UninstallString", kRegSz,
         "\"C:\\Program Files\\Gone\\unins000.exe /S", true},
        {kLocalMachine, un + "StrayQuote", "UninstallString", kRegSz, "C:\\Apps\\real.exe\" /x",
         false},
        {kLocalMachine, un + "Blanks", "UninstallString", kRegSz,
         "C:\\Program Files\\App\\unins000.exe /S", false},
        {kLocalMachine, un + "NoExtension", "UninstallString", kRegSz, "C:\\Apps\\real /x", false},
        // Only the folder exists: a command cannot run a folder.
        {kLocalMachine, un + "Folder", "UninstallString", kRegSz, "\"C:\\Program Files\\App\"",
         true},
        {kLocalMachine, un + "Rundll", "UninstallString", kRegSz,
         "rundll32.exe C:\\Gone\\x.dll,Uninstall", false},
        // The fake system has no MsiExec: judged by the system's program, it is missing.
        {kLocalMachine, un + "Msi", "UninstallString", kRegSz,
         "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}", true},
        {kLocalMachine, un + "LoneQuote", "UninstallString", kRegSz, "\"", false},
        {kLocalMachine, un + "ExpLive", "UninstallString", kRegExpandSz,
         "\"%ZTAPP%\\unins000.exe\" /S", false},
        {kLocalMachine, un + "ExpDead", "QuietUninstallString", kRegExpandSz,
         "\"%ZTGONE%\\unins000.exe\" /S", true},
        {kLocalMachine, run, "ExpDead", kRegExpandSz, "%SystemRoot%\\nowhere\\gone.exe", true},
        {kLocalMachine, run, "ExpLive", kRegExpandSz, "%ZTAPP%\\unins000.exe", false},
    };
    Check(rows, {kStartup, kUninstall});
    const std::string evidence = EvidenceOf("HKLM\\" + un + "UnbalancedDead\\UninstallString");
    EXPECT_NE(evidence.find("file looked for: C:\\Program Files\\Gone\\unins000.exe: not found\n"),
              std::string::npos)
        << evidence;
    EXPECT_NE(EvidenceOf("HKLM\\" + run + "\\ExpDead").find("C:\\windows\\nowhere\\gone.exe"),
              std::string::npos);
}

TEST_F(JudgedViewsTest, ThirtyTwoBitKeysAreReadAsThirtyTwoBitProgramsReadThem) {
    // The 32-bit folder the registry names wins over the environment's; the common one comes
    // from the environment when the registry has none.
    test::SetString(reg, kLocalMachine, kCv, "ProgramFilesDir (x86)", "C:\\Programs32");
    test::SetString(reg, kLocalMachine, kCv, "ProgramFilesDir", "C:\\Program Files");
    sys.SetEnvironment("ProgramFiles(x86)", "C:\\Program Files (x86)");
    sys.SetEnvironment("CommonProgramFiles(x86)", "C:\\Common32");
    sys.AddFile("C:\\Programs32\\ZtX86\\uninst.exe");
    sys.AddFile("C:\\Program Files (x86)\\ZtEnv\\uninst.exe");
    sys.AddFile("C:\\Common32\\Zt\\helper.exe");
    sys.AddFile("C:\\Program Files\\Zt64\\app.exe");
    const std::string wowUn = kWowCv + "\\Uninstall\\";
    const std::string un = kCv + "\\Uninstall\\";
    const std::string userRun = kCv + "\\Run";
    const std::vector<Planted> rows = {
        {kLocalMachine, wowUn + "X86", "UninstallString", kRegExpandSz,
         "%ProgramFiles%\\ZtX86\\uninst.exe", false},
        {kLocalMachine, wowUn + "X86Gone", "UninstallString", kRegExpandSz,
         "%ProgramFiles%\\ZtGone\\uninst.exe", true},
        {kLocalMachine, wowUn + "EnvFolder", "UninstallString", kRegExpandSz,
         "%ProgramFiles%\\ZtEnv\\uninst.exe", true},
        {kLocalMachine, wowUn + "Common", "UninstallString", kRegExpandSz,
         "%CommonProgramFiles%\\Zt\\helper.exe", false},
        {kLocalMachine, wowUn + "W6432", "UninstallString", kRegExpandSz,
         "%ProgramW6432%\\Zt64\\app.exe", false},
        {kLocalMachine, wowUn + "W6432Gone", "UninstallString", kRegExpandSz,
         "%ProgramW6432%\\ZtX86\\uninst.exe", true},
        // In a 64-bit key the variable means the 64-bit folder.
        {kLocalMachine, un + "Native", "UninstallString", kRegExpandSz,
         "%ProgramFiles%\\Zt64\\app.exe", false},
        {kLocalMachine, un + "NativeX86", "UninstallString", kRegExpandSz,
         "%ProgramFiles%\\ZtX86\\uninst.exe", true},
        // File system redirection: a 32-bit program's System32 is SysWOW64.
        {kLocalMachine, kWowCv + "\\Run", "Redirected", kRegSz, "C:\\windows\\system32\\only32.dll",
         false},
        {kLocalMachine, kCv + "\\Run", "NotRedirected", kRegSz, "C:\\windows\\system32\\only32.dll",
         true},
        {kLocalMachine, kCv + "\\App Paths\\native.exe", "", kRegSz,
         "C:\\windows\\Sysnative\\real.dll", false},
        {kLocalMachine, kCv + "\\App Paths\\nativegone.exe", "", kRegSz,
         "C:\\windows\\Sysnative\\gone.exe", true},
        // The user's Run key is one for both kinds of program: either view will do.
        {kCurrentUser, userRun, "EitherView", kRegExpandSz, "%ProgramFiles%\\ZtX86\\uninst.exe",
         false},
        {kCurrentUser, userRun, "NeitherView", kRegExpandSz, "%ProgramFiles%\\ZtNone\\x.exe", true},
    };
    Check(rows, {kStartup, kUninstall, kAppPaths});

    const std::string gone = EvidenceOf("HKLM\\" + wowUn + "X86Gone\\UninstallString");
    EXPECT_NE(gone.find("registry view: 32-bit (Wow6432Node)\n"), std::string::npos) << gone;
    EXPECT_NE(gone.find("32-bit view: C:\\Programs32\\ZtGone\\uninst.exe\n"), std::string::npos)
        << gone;
    const std::string either = EvidenceOf("HKCU\\" + userRun + "\\NeitherView");
    EXPECT_NE(either.find("64-bit view: C:\\Program Files\\ZtNone\\x.exe\n"), std::string::npos)
        << either;
    EXPECT_NE(either.find("32-bit view: C:\\Programs32\\ZtNone\\x.exe\n"), std::string::npos)
        << either;
    const std::string native = EvidenceOf("HKLM\\" + kCv + "\\Run\\NotRedirected");
    EXPECT_NE(native.find("registry view: 64-bit\n"), std::string::npos) << native;
}

TEST_F(JudgedViewsTest, OnlyPresentFixedDrivesAreJudged) {
    sys.SetDriveKind('E', DriveKind::Removable);
    sys.SetDriveKind('F', DriveKind::Optical);
    sys.SetDriveKind('G', DriveKind::Network);
    sys.SetDriveKind('H', DriveKind::Fixed);
    sys.AddFile("E:\\App\\app.exe");
    const std::string run = kCv + "\\Run";
    const std::string un = kCv + "\\Uninstall\\";
    const std::vector<Planted> rows = {
        {kLocalMachine, run, "Absent", kRegSz, "D:\\App\\app.exe", false},
        {kLocalMachine, run, "RemovableHolding", kRegSz, "E:\\App\\app.exe", false},
        {kLocalMachine, run, "RemovableGone", kRegSz, "E:\\App\\gone.exe", false},
        {kLocalMachine, run, "Optical", kRegSz, "F:\\setup.exe", false},
        {kLocalMachine, run, "Network", kRegSz, "\"G:\\Tools\\tool.exe\" /x", false},
        {kLocalMachine, run, "Fixed", kRegSz, "H:\\Gone\\app.exe", true},
        {kLocalMachine, run, "Floppy", kRegSz, "A:\\app.exe", false},
        {kLocalMachine, run, "Share", kRegSz, "\\\\server\\share\\app.exe", false},
        {kLocalMachine, un + "OnD", "UninstallString", kRegSz, "\"D:\\App\\unins.exe\" /S", false},
        {kLocalMachine, un + "OnD", "DisplayIcon", kRegSz, "D:\\App\\app.exe,0", false},
        {kLocalMachine, un + "OnH", "UninstallString", kRegSz, "\"H:\\App\\unins.exe\" /S", true},
    };
    Check(rows, {kStartup, kUninstall});

    // What the evidence says of a path on a drive that is not judged, and that the drive is
    // asked again once the disk is back.
    PathJudge judge(reg, sys);
    const std::pair<std::string, std::string> said[] = {
        {"D:\\App\\app.exe", "drive D: is not present"},
        {"e:\\App\\gone.exe", "drive E: is removable"},
        {"\"F:\\setup.exe\"", "drive F: is an optical drive"},
        {"G:\\Tools\\tool.exe", "drive G: is a network drive"},
        {"B:\\app.exe", "drive B: is a floppy drive letter"}};
    for (const auto& [path, line] : said) {
        std::vector<std::string> lines;
        judge.Explain(path, TextShape::Path, lines);
        EXPECT_EQ(lines, std::vector<std::string>{line}) << path;
    }
    std::vector<std::string> lines;
    judge.Explain("\"D:\\App\\unins.exe\" /S", TextShape::Command, lines);
    EXPECT_EQ(lines, std::vector<std::string>{"drive D: is not present"});
    sys.SetDriveKind('D', DriveKind::Fixed);
    EXPECT_TRUE(judge.IsPathMissing("D:\\App\\app.exe"));
    EXPECT_TRUE(judge.IsCommandMissing("\"D:\\App\\unins.exe\" /S"));
}

} // namespace
} // namespace zt
