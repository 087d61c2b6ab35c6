#pragma once
// The scan page's hook on its result list: the classic header drawing, and tick marks set on
// the list (LVM_SETITEMSTATE, as tools and assistive programs do) handed to the page's model,
// since a virtual list keeps none of its own.
#include <functional>

#include "app/PageSupport.h"

namespace zt {

class CResultListHook : public CClassicHeaderHook {
  public:
    // `tick` gets the row (-1: every row) and whether it is now ticked.
    CResultListHook(const bool& drawHeader, std::function<void(int row, bool ticked)> tick)
        : CClassicHeaderHook(drawHeader), tick_(std::move(tick)) {}

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    std::function<void(int, bool)> tick_;
};

} // namespace zt
