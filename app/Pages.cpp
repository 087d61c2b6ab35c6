#include "app/Pages.h"

#include "ui/DialogTemplate.h"

namespace zt {

namespace {
std::shared_ptr<const CDialogTemplate> StandInTemplate() {
    auto t = std::make_shared<CDialogTemplate>(DS_CONTROL | WS_CHILD, 0, 0, 407, 147, "");
    return t;
}
}  // namespace

CStandInPage::CStandInPage() : CGradientDialog(StandInTemplate()) {}

}  // namespace zt
