#pragma once
// What every console command works with: the real registry, system, startup sources and
// signature reader (or the seams a test hands in), and the settings of the windowed program (its
// profile, "zentrove"), so both share their switches.
#include <cstdio>
#include <string>
#include <vector>

#include "settings/SettingsStore.h"
#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"

namespace zt::cli {

inline constexpr const char* kGuiApplicationName = "zentrove";

struct CliContext {
    CliContext()
        : registry(platformRegistry_), system(platformSystem_), startupSources(platformSources_),
          signatures(platformSignatures_) {}
    CliContext(Registry& reg, System& sys)
        : registry(reg), system(sys), startupSources(platformSources_),
          signatures(platformSignatures_) {}
    CliContext(Registry& reg, System& sys, StartupSources& sources, FileSignatures& signed_)
        : registry(reg), system(sys), startupSources(sources), signatures(signed_) {}
    CliContext(const CliContext&) = delete;
    CliContext& operator=(const CliContext&) = delete;

  private:
    Win32Registry platformRegistry_;
    Win32System platformSystem_;
    Win32StartupSources platformSources_;
    Win32FileSignatures platformSignatures_;

  public:
    Registry& registry;
    System& system;
    StartupSources& startupSources;
    FileSignatures& signatures;
    SettingsStore settings{registry, kGuiApplicationName};
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

using Args = std::vector<std::string>;

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// One function per command; each lives in its own cli/Cmd*.cpp. `args` excludes the
// command's own name.
int RunScanCommand(CliContext& ctx, const Args& args);
int RunCleanCommand(CliContext& ctx, const Args& args);
int RunBackupsCommand(CliContext& ctx, const Args& args);
int RunRestoreCommand(CliContext& ctx, const Args& args);
int RunStartupCommand(CliContext& ctx, const Args& args);
int RunJunkCommand(CliContext& ctx, const Args& args);
int RunIgnoreCommand(CliContext& ctx, const Args& args);

} // namespace zt::cli
