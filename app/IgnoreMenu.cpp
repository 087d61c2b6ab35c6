#include "app/IgnoreMenu.h"

#include <commctrl.h>

#include "scan/IgnoredFindings.h"
#include "seams/UserPrompt.h"
#include "ui/MessageBox.h"

namespace zt {

namespace {

constexpr UINT kCmdIgnoreEntry = 1;
constexpr UINT kCmdIgnoreTree = 2;

IgnoreMenuAnswerer& Answerer() {
    static IgnoreMenuAnswerer answerer;
    return answerer;
}

std::vector<int> SelectedRows(const CListView& list) {
    std::vector<int> rows;
    for (int i = list.Selected(); i >= 0;
         i = static_cast<int>(list.Send(LVM_GETNEXTITEM, i, LVNI_SELECTED)))
        rows.push_back(i);
    return rows;
}

// Below the focused (else the first selected) row, as menus opened from the keyboard sit.
POINT KeyboardMenuPoint(const CListView& list) {
    int row = static_cast<int>(list.Send(LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    if (row < 0) row = list.Selected();
    RECT r{};
    r.left = LVIR_LABEL;
    POINT p{0, 0};
    if (row >= 0 && list.Send(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r)))
        p = POINT{r.left, r.bottom};
    ::ClientToScreen(list.Handle(), &p);
    return p;
}

IgnoreChoice ShowMenu(HWND owner, POINT at, bool enabled) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return IgnoreChoice::None;
    UINT state = enabled ? MF_ENABLED : MF_GRAYED;
    ::AppendMenuW(menu, MF_STRING | state, kCmdIgnoreEntry, L"&Ignore this entry");
    ::AppendMenuW(menu, MF_STRING | state, kCmdIgnoreTree,
                  L"Ignore this &key and everything below it");
    UINT cmd = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x,
                         at.y, 0, owner, nullptr));
    ::DestroyMenu(menu);
    if (cmd == kCmdIgnoreEntry) return IgnoreChoice::Entry;
    if (cmd == kCmdIgnoreTree) return IgnoreChoice::Tree;
    return IgnoreChoice::None;
}

} // namespace

IgnoreMenuAnswerer SetIgnoreMenuAnswerer(IgnoreMenuAnswerer answerer) {
    IgnoreMenuAnswerer previous = std::move(Answerer());
    Answerer() = std::move(answerer);
    return previous;
}

int IgnoreRows(HWND owner, const SettingsStore& settings, FindingList& rows,
               const std::vector<int>& selected, IgnoreChoice choice) {
    if (choice == IgnoreChoice::None || selected.empty()) return 0;
    IgnoreList list = LoadIgnoreList(settings);
    bool added = false;
    for (int row : selected) {
        if (row < 0 || row >= rows.Count()) continue;
        // Refused as already ignored: a row the list takes in goes all the same.
        added |= list.Add(IgnoreEntryFor(rows.FindingAt(row), choice == IgnoreChoice::Tree)) ==
                 IgnoreProblem::None;
    }
    if (added && !SaveIgnoreList(settings, list)) {
        ShowMessage(owner, "The ignore list could not be saved.", kProgramCaption, MB_OK);
        return 0;
    }
    std::vector<int> gone;
    for (int i = 0; i < rows.Count(); ++i)
        if (IsIgnored(list, rows.FindingAt(i))) gone.push_back(i);
    rows.RemoveRows(gone);
    return static_cast<int>(gone.size());
}

int RunIgnoreMenu(HWND owner, const CListView& list, FindingList& rows,
                  const SettingsStore& settings, LPARAM where, bool enabled) {
    std::vector<int> selected = SelectedRows(list);
    enabled = enabled && !selected.empty();
    IgnoreChoice choice;
    if (Answerer()) {
        choice = Answerer()(enabled);
    } else {
        POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        if (where == -1) at = KeyboardMenuPoint(list);
        choice = ShowMenu(owner, at, enabled);
    }
    if (!enabled) return 0;
    return IgnoreRows(owner, settings, rows, selected, choice);
}

} // namespace zt
