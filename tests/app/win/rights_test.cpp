// What the built programs ask of the system's rights, and the start-up registration of a user
// who may not write the machine's Run key.
#include <windows.h>

#include <gtest/gtest.h>

#include "startup/RunAtStartup.h"
#include "platform/memory/MemoryRegistry.h"
#include "seams/Unicode.h"

namespace zt {
namespace {

// The manifest resource of a program in the build folder.
std::string ManifestOf(const char* program) {
    wchar_t buf[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::string path = FromWide(buf);
    path.erase(path.find_last_of('\\')); // tests folder
    path.erase(path.find_last_of('\\')); // build folder
    path += std::string("\\") + program;
    HMODULE image = ::LoadLibraryExW(ToWide(path).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image) return "<cannot load " + path + ">";
    std::string text = "<no manifest>";
    if (HRSRC res = ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        HGLOBAL data = LoadResource(image, res);
        const char* bytes = static_cast<const char*>(LockResource(data));
        if (bytes) text.assign(bytes, SizeofResource(image, res));
    }
    FreeLibrary(image);
    return text;
}

TEST(Rights, ProgramAsksForTheHighestAvailableLevelAndTheConsoleToolRunsAsInvoked) {
    std::string program = ManifestOf("zentrove.exe");
    EXPECT_NE(program.find("<requestedExecutionLevel level=\"highestAvailable\""),
              std::string::npos)
        << program;
    std::string console = ManifestOf("zentrove-cli.exe");
    EXPECT_NE(console.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos)
        << console;
}

TEST(Rights, BothProgramsDeclareLongPathsUtf8AndWindows10) {
    for (const char* exe : {"zentrove.exe", "zentrove-cli.exe"}) {
        std::string manifest = ManifestOf(exe);
        for (const char* wanted : {"2016/WindowsSettings\">true</longPathAware>",
                                   "2019/WindowsSettings\">UTF-8</activeCodePage>",
                                   "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"})
            EXPECT_NE(manifest.find(wanted), std::string::npos) << exe << ": " << wanted;
    }
}

TEST(Rights, RunAtStartupUsesTheUsersRunKeyWhenTheMachinesIsDenied) {
    MemoryRegistry reg;
    reg.DenyWrite(kLocalMachine, kRunKeyPath);
    const char* exe = "C:\\Tools\\Zentrove\\zentrove.exe";
    EXPECT_TRUE(SyncRunAtStartup(reg, true, exe));
    EXPECT_EQ(FindRunAtStartup(reg, "c:\\tools\\zentrove\\ZENTROVE.EXE"), kCurrentUser);
    EXPECT_TRUE(SyncRunAtStartup(reg, false, exe));
    EXPECT_FALSE(FindRunAtStartup(reg, exe));

    // With rights again the machine's key holds it, and the user's copy goes.
    MemoryRegistry open;
    RegKey user(open, open.CreateKey(RootHandle(kCurrentUser), kRunKeyPath));
    ASSERT_TRUE(open.WriteString(user.get(), kRunValueName, "C:\\old\\zentrove.exe"));
    EXPECT_TRUE(SyncRunAtStartup(open, true, exe));
    EXPECT_EQ(FindRunAtStartup(open, exe), kLocalMachine);
    EXPECT_FALSE(FindRunAtStartup(open, "C:\\old\\zentrove.exe"));
}

TEST(Rights, RunAtStartupFindsAPathOfManyNonAsciiLettersInEitherCase) {
    // 600 characters, 1,200 bytes in UTF-8: more bytes than the registration's characters.
    std::string lower = "C:\\", upper = "C:\\";
    for (int i = 0; i < 149; ++i) {
        lower += "\xD0\xB4\xD0\xB8\xD1\x80\\"; // "дир\"
        upper += "\xD0\x94\xD0\x98\xD0\xA0\\"; // "ДИР\"
    }
    lower += "z.exe";
    upper += "Z.EXE";
    ASSERT_LT(Utf16Length(lower), 1000u);
    ASSERT_GT(lower.size(), 1000u);
    MemoryRegistry reg;
    EXPECT_TRUE(SyncRunAtStartup(reg, true, lower));
    EXPECT_EQ(FindRunAtStartup(reg, upper), kLocalMachine);
    RegKey run(reg, reg.OpenKeyRead(RootHandle(kLocalMachine), kRunKeyPath));
    std::optional<RegValue> stored = reg.ReadValueWhole(run.get(), kRunValueName);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()).substr(0, lower.size()), lower);
}

} // namespace
} // namespace zt
