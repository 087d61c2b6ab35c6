// What the built programs ask of the system's rights, and the start-up registration of a user
// who may not write the machine's Run key.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/RunAtStartup.h"
#include "platform/memory/MemoryRegistry.h"

namespace zt {
namespace {

// The manifest resource of a program in the build folder.
std::string ManifestOf(const char* program) {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path = buf;
    path.erase(path.find_last_of('\\')); // tests folder
    path.erase(path.find_last_of('\\')); // build folder
    path += std::string("\\") + program;
    HMODULE image = LoadLibraryExA(path.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image) return "<cannot load " + path + ">";
    std::string text = "<no manifest>";
    if (HRSRC res = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
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

} // namespace
} // namespace zt
