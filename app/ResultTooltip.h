#pragma once
// The scan page's tooltips: Check All's, and the evidence of the result row under the mouse.
#include <windows.h>

#include <cstdint>

#include "app/ScanPageRows.h"

namespace zt {

class CResultTooltip {
  public:
    CResultTooltip() = default;
    CResultTooltip(const CResultTooltip&) = delete;
    CResultTooltip& operator=(const CResultTooltip&) = delete;
    ~CResultTooltip() { Destroy(); }

    void Create(HWND page, HWND checkAll);
    void Destroy();
    // The mouse moved over `list`: each row under it becomes a tool of its own, so moving to
    // another row shows that row's evidence.
    void Track(HWND list, const ScanPageRows& rows);

  private:
    HWND tip_ = nullptr;
    int item_ = -1;             // whose evidence the row tool holds
    std::uint64_t version_ = 0; // of the rows when it was set
};

} // namespace zt
