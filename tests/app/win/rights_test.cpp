// What the built programs ask of the system's rights.
#include <windows.h>

#include <gtest/gtest.h>

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

} // namespace
} // namespace zt
