#include "app/AppSettingsLink.h"

#include "app/res/resource.h"
#include "settings/SettingsStore.h"
#include "ui/UiContext.h"

namespace zt {

void SetAppSettings(const SettingsStore* store) {
    SetAppArtwork(AppArtwork{IDI_ZENTROVE, IDB_BUTTON_NORMAL, IDB_BUTTON_HOVER, IDB_BUTTON_PRESSED,
                             IDB_BUTTON_DISABLED, IDW_HOVER, IDW_CLICK, IDB_BUTTON_NORMAL_LARGE,
                             IDB_BUTTON_HOVER_LARGE, IDB_BUTTON_PRESSED_LARGE,
                             IDB_BUTTON_DISABLED_LARGE});
    if (!store) {
        SetButtonSoundsWanted(nullptr);
        return;
    }
    // Asked at each box, so a box follows the switch the settings page applied.
    SetButtonSoundsWanted([store] { return !store->IsOn(settings::ButtonSilence); });
}

} // namespace zt
