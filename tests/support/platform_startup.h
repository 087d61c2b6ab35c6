#pragma once
// The process's one startup sources and signature reader, for the Windows tests that build an
// AppContext or a CliContext.
#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32StartupSources.h"

namespace zt::test {

inline StartupSources& PlatformStartupSources() {
    static Win32StartupSources sources;
    return sources;
}

inline FileSignatures& PlatformSignatures() {
    static Win32FileSignatures signatures;
    return signatures;
}

} // namespace zt::test
