#pragma once
// The scan page's one state and the one function that moves it. What the page's buttons show
// and whether an end of work is shown to the user follow from the phase alone. No
// <windows.h>: the table is tested natively.
#include <string_view>

namespace zt {

enum class ScanPagePhase {
    Idle,
    Scanning,
    StoppingScan,      // stop asked; the scan's end is on its way
    PreparingCleaning, // the ticked rows are copied, then the user is asked
    Cleaning,
    StoppingCleaning, // stop asked; the run ends after its current finding
    Closing,          // the window goes: work is stopped, its end is not shown
};

enum class ScanPageEvent {
    StartScan,
    StopScan,
    ScanEnded,
    PrepareCleaning, // Clean pressed with rows ticked
    StartCleaning,   // the user agreed
    StopCleaning,
    CleaningEnded,
    Close,
};

// The phase after `event` in `phase`; an event that means nothing there leaves it as it is.
constexpr ScanPagePhase NextPhase(ScanPagePhase phase, ScanPageEvent event) {
    using P = ScanPagePhase;
    using E = ScanPageEvent;
    if (phase == P::Closing) return P::Closing;
    if (event == E::Close) return P::Closing;
    switch (phase) {
    case P::Idle:
        if (event == E::StartScan) return P::Scanning;
        return event == E::PrepareCleaning ? P::PreparingCleaning : phase;
    case P::PreparingCleaning:
        if (event == E::StartCleaning) return P::Cleaning;
        return event == E::CleaningEnded ? P::Idle : phase;
    case P::Scanning:
        if (event == E::StopScan) return P::StoppingScan;
        return event == E::ScanEnded ? P::Idle : phase;
    case P::StoppingScan:
        return event == E::ScanEnded ? P::Idle : phase;
    case P::Cleaning:
        if (event == E::StopCleaning) return P::StoppingCleaning;
        return event == E::CleaningEnded ? P::Idle : phase;
    case P::StoppingCleaning:
        return event == E::CleaningEnded ? P::Idle : phase;
    case P::Closing:
        break;
    }
    return phase;
}

// What the page's controls show in a phase.
struct ScanPageControls {
    std::string_view scanCaption;
    bool scanEnabled;
    std::string_view cleanCaption;
    bool cleanEnabled;
    bool listEnabled;   // also Check All and the ignore menu
    bool progressShown; // the cleaning's bar
    bool bannerRunning;
};

constexpr ScanPageControls ControlsFor(ScanPagePhase phase) {
    using P = ScanPagePhase;
    switch (phase) {
    case P::Idle:
        return {"&Scan", true, "&Clean", true, true, false, false};
    case P::Scanning:
        return {"&Stop", true, "&Clean", false, true, false, true};
    case P::StoppingScan:
        return {"&Scan", false, "&Clean", false, true, false, false};
    case P::PreparingCleaning:
        return {"&Scan", false, "&Clean", false, false, false, false};
    case P::Cleaning:
        return {"&Scan", false, "S&top", true, false, true, false};
    case P::StoppingCleaning:
        return {"&Scan", false, "Stopping...", false, false, true, false};
    case P::Closing:
        break;
    }
    return {"&Scan", false, "&Clean", false, false, false, false};
}

// Whether the end of a scan or a cleaning reaches the user (status, box) in this phase.
constexpr bool ShowsEndOfWork(ScanPagePhase phase) {
    return phase != ScanPagePhase::Closing;
}

// Whether the work of this phase is a cleaning's (its job, its wait on close).
constexpr bool IsCleaningPhase(ScanPagePhase phase) {
    return phase == ScanPagePhase::PreparingCleaning || phase == ScanPagePhase::Cleaning ||
           phase == ScanPagePhase::StoppingCleaning;
}

} // namespace zt
