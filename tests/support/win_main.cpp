// Windows tests write anywhere in the registry, HKLM included, so they refuse to run
// anywhere but in a throwaway Wine prefix that tools/test marked.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/AppSettingsLink.h"
#include "support/wine_guard.h"
#include "ui/WindowThread.h"

int main(int argc, char** argv) {
    if (!zt::test::RunsInMarkedWinePrefix()) return 3;
    // The program's artwork, as the program itself sets it at start-up.
    zt::SetAppSettings(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    // A window-thread-only call from another thread fails the test that made it.
    zt::SetWrongThreadHandler(
        [](const char* what) { ADD_FAILURE() << "called off its window's thread: " << what; });
    return RUN_ALL_TESTS();
}
