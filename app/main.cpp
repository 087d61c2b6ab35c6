// Zentrove: start-up. Runs the main window as one modal dialog for the life of the process.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/AppContext.h"
#include "app/DlgMain.h"
#include "settings/SettingsStore.h"
#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"
#include "app/AppSettingsLink.h"
#include "ui/UiContext.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The shell link object and the shell's opening of links need OLE; a failure is ignored.
    HRESULT ole = ::OleInitialize(nullptr);

    // Never freed: a scan worker the close could not wait for uses them until the process ends.
    auto& registry = *new zt::Win32Registry;
    auto& system = *new zt::Win32System;
    auto& sources = *new zt::Win32StartupSources;
    auto& signatures = *new zt::Win32FileSignatures;
    zt::SettingsStore store(registry, zt::ApplicationNameFromPath(system.GetModulePath()));
    zt::SetAppSettings(&store);
    zt::AppContext app{registry, system, sources, signatures, store};
    {
        zt::CDlgMain main(app);
        main.DoModal(nullptr);
    }
    zt::SetAppSettings(nullptr);
    if (SUCCEEDED(ole)) ::OleUninitialize();
    // A scan worker that did not stop in time touches only its job and the seams; the end of
    // the process ends it.
    return 0;
}
