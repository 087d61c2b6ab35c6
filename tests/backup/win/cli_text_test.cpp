// zentrove-cli as a user runs it with names outside any code page: the argument arrives whole
// and the redirected output is UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Registry.h"
#include "seams/Unicode.h"
#include "support/cli_run.h"
#include "support/seams.h"

namespace zt {
namespace {

using test::CliRun;
using test::RunCli;

TEST(CliText, ACyrillicArgumentArrivesWholeAndPrintsAsUtf8) {
    Win32Registry reg;
    test::ScratchKey scratch(reg);
    const std::string key = "HKCU\\" + scratch.path() + "\\\xd0\x9f\xd1\x80\xd0\xbe"; // Про
    const std::string value = "\xd0\x97\xd0\xb0\xd0\xbf\xd1\x83\xd1\x81\xd0\xba"; // Запуск
    CliRun added = RunCli("ignore add \"" + key + "\" --value " + value);
    ASSERT_EQ(added.exitCode, 0u) << added.out;
    EXPECT_NE(added.out.find(key + "\t"), std::string::npos) << added.out;
    EXPECT_NE(added.out.find(value), std::string::npos) << added.out;

    CliRun listed = RunCli("ignore list --json");
    EXPECT_NE(listed.out.find("\"valueName\": \"" + value + "\""), std::string::npos) << listed.out;
    // Leave the shared list as it was.
    std::string number = added.out.substr(0, added.out.find('\t'));
    EXPECT_EQ(RunCli("ignore remove " + number).exitCode, 0u);
}

} // namespace
} // namespace zt
