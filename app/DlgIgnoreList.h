#pragma once
// The modal dialog of the settings page's "Ignore list..." button: the entries the scan never
// reports (root, key path, value name or "(key and below)"), with Remove. Each removal is
// stored at once.
#include "settings/IgnoreList.h"
#include "settings/SettingsStore.h"
#include "ui/GradientDialog.h"
#include "ui/Window.h"

namespace zt {

class CDlgIgnoreList : public CGradientDialog {
  public:
    explicit CDlgIgnoreList(const SettingsStore& settings);

    CListView List() const;
    // Removes the selected entries and stores the list (the Remove button, the Delete key).
    void RemoveSelected();

  protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;

  private:
    void Fill();
    // Selects and focuses `row`, or the last row when there are fewer.
    void SelectRow(int row);

    const SettingsStore& settings_;
    IgnoreList list_;
};

} // namespace zt
