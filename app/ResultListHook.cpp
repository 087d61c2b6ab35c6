#include "app/ResultListHook.h"

namespace zt {

LRESULT CResultListHook::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if ((msg == LVM_SETITEMSTATE) && lp) {
        LVITEMW change = *reinterpret_cast<const LVITEMW*>(lp);
        if (change.stateMask & LVIS_STATEIMAGEMASK) {
            const UINT image = (change.state & LVIS_STATEIMAGEMASK) >> 12;
            if (image == 1 || image == 2) tick_(static_cast<int>(wp), image == 2);
            // The rest (selection, focus) is the list's own.
            change.stateMask &= ~LVIS_STATEIMAGEMASK;
            if (!change.stateMask) return TRUE;
            return CClassicHeaderHook::WindowProc(msg, wp, reinterpret_cast<LPARAM>(&change));
        }
    }
    return CClassicHeaderHook::WindowProc(msg, wp, lp);
}

} // namespace zt
