// The scan page's phase: every phase against every event, and what each phase shows.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "app/ScanPageState.h"

namespace zt {
namespace {

using P = ScanPagePhase;
using E = ScanPageEvent;

constexpr P kPhases[] = {P::Idle,     P::Scanning,         P::StoppingScan, P::PreparingCleaning,
                         P::Cleaning, P::StoppingCleaning, P::Closing};
constexpr E kEvents[] = {E::StartScan,     E::StopScan,     E::ScanEnded,     E::PrepareCleaning,
                         E::StartCleaning, E::StopCleaning, E::CleaningEnded, E::Close};

TEST(ScanPageState, EveryPhaseAnswersEveryEvent) {
    // The moves; every pair not listed keeps its phase.
    const std::map<std::pair<P, E>, P> moves = {
        {{P::Idle, E::StartScan}, P::Scanning},
        {{P::Idle, E::PrepareCleaning}, P::PreparingCleaning},
        {{P::PreparingCleaning, E::StartCleaning}, P::Cleaning},
        {{P::PreparingCleaning, E::CleaningEnded}, P::Idle}, // not agreed
        {{P::Scanning, E::StopScan}, P::StoppingScan},
        {{P::Scanning, E::ScanEnded}, P::Idle},
        {{P::StoppingScan, E::ScanEnded}, P::Idle},
        {{P::Cleaning, E::StopCleaning}, P::StoppingCleaning},
        {{P::Cleaning, E::CleaningEnded}, P::Idle},
        {{P::StoppingCleaning, E::CleaningEnded}, P::Idle},
    };
    for (P phase : kPhases)
        for (E event : kEvents) {
            P want = phase;
            if (event == E::Close)
                want = P::Closing; // from anywhere, and nothing leaves it
            else if (auto it = moves.find({phase, event}); it != moves.end())
                want = it->second;
            EXPECT_EQ(NextPhase(phase, event), want)
                << "phase " << static_cast<int>(phase) << ", event " << static_cast<int>(event);
        }
}

TEST(ScanPageState, ButtonsFollowThePhaseAndOnlyClosingHidesTheEnd) {
    // Scan is Stop only while a scan runs; Clean is Stop only while a cleaning runs; a stop
    // asked, or a cleaning being prepared, leaves nothing to press until what comes next.
    EXPECT_EQ(ControlsFor(P::Scanning).scanCaption, "&Stop");
    EXPECT_EQ(ControlsFor(P::Cleaning).cleanCaption, "S&top");
    for (P phase : kPhases) {
        const ScanPageControls c = ControlsFor(phase);
        const bool scanning = phase == P::Scanning || phase == P::StoppingScan;
        const bool cleaning = phase == P::Cleaning || phase == P::StoppingCleaning;
        EXPECT_EQ(c.scanEnabled, phase == P::Idle || phase == P::Scanning) << int(phase);
        EXPECT_EQ(c.cleanEnabled, phase == P::Idle || phase == P::Cleaning) << int(phase);
        EXPECT_EQ(c.listEnabled, phase == P::Idle || scanning) << int(phase);
        EXPECT_EQ(c.progressShown, cleaning) << int(phase);
        EXPECT_EQ(c.bannerRunning, phase == P::Scanning) << int(phase);
        if (phase != P::Scanning) EXPECT_EQ(c.scanCaption, "&Scan") << int(phase);
        EXPECT_EQ(ShowsEndOfWork(phase), phase != P::Closing);
    }
}

} // namespace
} // namespace zt
