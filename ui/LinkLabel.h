#pragma once
// A static label in which one part of the text (the highlight) is a link: drawn in the link
// colour, underlined when it has a target, with a hand cursor over it only. The owning
// dialog routes the cursor and click messages to it.
#include <string>
#include <string_view>

#include "ui/Accessible.h"
#include "ui/SubclassWindow.h"

namespace zt {

class CLinkLabel : public CSubclassWindow, public CAccessibleSource {
  public:
    CLinkLabel();
    ~CLinkLabel() override;

    // Hooks the label and gives it the notify style so clicks reach the dialog.
    bool Attach(HWND label);

    void SetHighlight(std::string_view text);
    void SetTarget(std::string_view target);
    void SetColor(COLORREF color);
    void SetBold(bool bold);
    const std::string& Highlight() const { return highlight_; }
    const std::string& Target() const { return target_; }
    COLORREF Color() const { return color_; }
    bool IsBold() const { return bold_; }
    // Where the highlight was last drawn, in the label's client coordinates (empty before).
    const RECT& HighlightRect() const { return highlightRect_; }
    bool IsOverLink(POINT screen) const;
    HCURSOR Cursor() const { return cursor_; }

    // Acts on the target: a command posted to `dialog`, a web page, or the shell.
    void Open(HWND dialog) const;
    // True while the keyboard (Enter or Space on the focused link) or a screen reader clicks
    // it: the dialog then acts without looking at the pointer.
    bool ActivatedByKey() const { return keyActivation_; }
    // Clicks the link as the dialog's command does.
    void Activate();

    std::string AccName(int) const override { return GetText(); }
    long AccRole(int) const override { return ROLE_SYSTEM_LINK; }
    long AccState(int) const override;
    std::string AccValue(int) const override { return target_; }
    std::string AccDefaultAction(int) const override { return target_.empty() ? "" : "Jump"; }
    bool AccDoDefaultAction(int) override;

  protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Paint(HDC dc);
    void OnUnhooked(HWND was) override;

    std::string target_;
    std::string highlight_;
    COLORREF color_ = RGB(0, 0, 255);
    RECT highlightRect_{};
    HCURSOR cursor_ = nullptr;
    bool bold_ = false;
    bool keyActivation_ = false;
};

// Opens an http(s) address: in Internet Explorer when it is the registered browser, else
// (or when that start fails) through the shell's own handling of the address.
void OpenWebLink(std::string_view url);

} // namespace zt
