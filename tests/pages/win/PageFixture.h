#pragma once
// Real pages in process under Wine: a top-level host window stands in for the tab window,
// the platform seams are the real ones, and every message box is answered by the test.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "seams/Registry.h"
#include "settings/SettingsStore.h"
#include "seams/System.h"
#include "seams/Unicode.h"
#include "support/platform_startup.h"
#include "support/seams.h"
#include "ui/MessageBox.h"
#include "ui/UiContext.h"
#include "ui/Window.h"

namespace zt::test {

// Counts the main window's reloads of the backup list.
class CountingHost : public PageHost {
  public:
    void RefreshBackupList() override {
        ++refreshes;
        if (onRefresh) onRefresh();
    }
    HWND MainHandle() const override { return main; }
    int refreshes = 0;
    HWND main = nullptr;
    std::function<void()> onRefresh;
};

// Records every message box and answers it through `answer` (default: OK / Yes).
class Answerer {
  public:
    Answerer() {
        previous_ = SetMessageAnswerer([this](const MessageRequest& r) {
            asked.push_back(r);
            return answer ? answer(r) : DefaultAnswer(r);
        });
    }
    ~Answerer() { SetMessageAnswerer(previous_); }
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;

    static int DefaultAnswer(const MessageRequest& r) {
        return (r.type & 0xF) == MB_YESNO ? IDYES : IDOK;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& r : asked)
            t.push_back(r.text);
        return t;
    }

    std::vector<MessageRequest> asked;
    std::function<int(const MessageRequest&)> answer;

  private:
    MessageAnswerer previous_;
};

inline void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Pumps messages until `done` or the time is up; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        PumpMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// A folder in the user temporary folder with enough files that measuring it takes a while.
inline void PlantLargeFolder(System& sys) {
    std::string big = sys.GetTempFolder() + "zt-pages-big";
    ::CreateDirectoryW(ToWide(big).c_str(), nullptr);
    for (int d = 0; d < 30; ++d) {
        std::string dir = big + "\\d" + std::to_string(d);
        if (::GetFileAttributesW(ToWide(dir + "\\f99.tmp").c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        ::CreateDirectoryW(ToWide(dir).c_str(), nullptr);
        for (int f = 0; f < 100; ++f)
            PlantFile(sys, dir + "\\f" + std::to_string(f) + ".tmp", "x");
    }
}

class PageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        host_.main = ::CreateWindowExW(0, L"STATIC", L"Zentrove", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                                       400, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_.main, nullptr);
        // The host stays hidden: tearing down a mapped top-level window costs Wine about two
        // seconds without a window manager.
        SetAppMainWindow(host_.main);
    }
    void TearDown() override {
        SetAppMainWindow(nullptr);
        if (host_.main && ::IsWindow(host_.main)) ::DestroyWindow(host_.main);
        PumpMessages();
    }

    // Makes the page a child of the host window and shows it.
    template <class Page> void CreatePage(Page& page) {
        ASSERT_TRUE(page.Create(host_.main));
        ::ShowWindow(page.Handle(), SW_SHOWNA);
        PumpMessages();
    }

    static void Click(const CWindow& page, int id) {
        page.Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(page.Item(id)));
    }
    static void Select(const CListView& list, int row) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        it.state = LVIS_SELECTED | LVIS_FOCUSED;
        list.Send(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
    }
    static std::vector<std::string> Column(const CListView& list, int column) {
        std::vector<std::string> v;
        for (int i = 0; i < list.Count(); ++i)
            v.push_back(list.ItemText(i, column));
        return v;
    }
    // A child's rectangle in its parent's client coordinates.
    static RECT RectIn(HWND parent, int id) {
        return CWindow(parent).ChildRect(::GetDlgItem(parent, id));
    }

    std::unique_ptr<Registry> reg_ = MakeRegistry();
    std::unique_ptr<System> sys_ = MakeSystem();
    SettingsStore settings_{*reg_, "zentrove-pages-test"};
    CountingHost host_;
    AppContext app_{*reg_,     *sys_, PlatformStartupSources(), PlatformSignatures(),
                    settings_, &host_};
};

} // namespace zt::test
