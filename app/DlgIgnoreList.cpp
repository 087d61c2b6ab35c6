#include "app/DlgIgnoreList.h"

#include <commctrl.h>

#include "app/PageSupport.h"
#include "app/res/ids_ignore.h"
#include "app/res/resource.h"
#include "seams/Unicode.h"
#include "seams/UserPrompt.h"
#include "ui/MessageBox.h"

namespace zt {

CDlgIgnoreList::CDlgIgnoreList(const SettingsStore& settings)
    : CGradientDialog(IDD_IGNORE_LIST, IDI_ZENTROVE), settings_(settings) {
    SetCloseOnCancel(true);
    SetSounds(IDW_HOVER, IDW_CLICK);
}

CListView CDlgIgnoreList::List() const {
    return CListView(Item(IDC_IGNORE_ENTRIES));
}

bool CDlgIgnoreList::OnInitDialog() {
    SetStandardSkin();
    SetGradientColours(kGradientTop, kGradientBottom);
    CGradientDialog::OnInitDialog();
    CListView list = List();
    SetUpReportList(list.Handle(), LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    int root = MeasureInDialogFont(Handle(), "Rootoooooo");
    int value = MeasureInDialogFont(Handle(), "(key and below)oooooo");
    RECT client = list.ClientRect();
    list.InsertColumn(0, "Root", root);
    list.InsertColumn(1, "Key path", (client.right - client.left) - root - value);
    list.InsertColumn(2, "Value name", value);
    list_ = LoadIgnoreList(settings_);
    Fill();
    SelectRow(0); // so Delete and Remove work as soon as the list has the focus
    return true;
}

void CDlgIgnoreList::Fill() {
    CListView list = List();
    list.DeleteAll();
    const auto& entries = list_.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string root(RootAbbreviation(entries[i].root));
        root.pop_back();
        int row = list.InsertItem(static_cast<int>(i), root);
        list.SetItemText(row, 1, ForDisplay(entries[i].keyPath));
        list.SetItemText(row, 2, ForDisplay(IgnoreWhatText(entries[i])));
    }
    EnableItem(IDC_IGNORE_REMOVE, false);
}

void CDlgIgnoreList::SelectRow(int row) {
    CListView list = List();
    if (row >= list.Count()) row = list.Count() - 1;
    if (row < 0) return;
    LVITEMW it{};
    it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
    list.Send(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
}

void CDlgIgnoreList::RemoveSelected() {
    CListView list = List();
    std::vector<int> rows;
    for (int i = list.Selected(); i >= 0;
         i = static_cast<int>(list.Send(LVM_GETNEXTITEM, i, LVNI_SELECTED)))
        rows.push_back(i);
    if (rows.empty()) return;
    int first = rows.front();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        list_.Remove(static_cast<std::size_t>(*it));
    if (!SaveIgnoreList(settings_, list_))
        ShowMessage(Handle(), "The ignore list could not be saved.", kProgramCaption, MB_OK);
    list_ = LoadIgnoreList(settings_); // shows what is stored, saved or not
    Fill();
    // The row that took the removed one's place is next, so Delete can go on down the list.
    SelectRow(first);
    if (list.Count() == 0 || !::IsWindowEnabled(Item(IDC_IGNORE_REMOVE)))
        ::SetFocus(list.Count() ? list.Handle() : Item(IDCANCEL));
}

bool CDlgIgnoreList::OnCommand(int id, int code, HWND control) {
    if (id == IDC_IGNORE_REMOVE) {
        if (code == BN_CLICKED) RemoveSelected();
        return true;
    }
    return CGradientDialog::OnCommand(id, code, control);
}

bool CDlgIgnoreList::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id == IDC_IGNORE_ENTRIES) {
        if (header->code == LVN_ITEMCHANGED)
            EnableItem(IDC_IGNORE_REMOVE, List().Selected() >= 0);
        else if (header->code == LVN_KEYDOWN &&
                 reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE)
            RemoveSelected();
    }
    return CGradientDialog::OnNotify(id, header, result);
}

} // namespace zt
