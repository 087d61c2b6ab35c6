#pragma once
// Emptying the ticked junk places after one confirmation, as the Clean button does.
#include <array>
#include <functional>
#include <string>

#include "diskclean/JunkPlaces.h"
#include "seams/UserPrompt.h"

namespace zt {

inline constexpr const char* kJunkNothingSelectedText = "You should select one item at least.";
inline constexpr const char* kJunkConfirmText = "Are you sure to delete them?";
inline constexpr const char* kJunkFinishedText = "The cleaning is finished!";
inline constexpr const char* kJunkFinishedSomeLeftText =
    "The cleaning is finished!\n Some files can't delete because they are being used now.";
inline constexpr const char* kJunkNotFinishedText = "Not every place could be cleaned.";

// The ticked check boxes, indexed by JunkItem.
struct JunkSelection {
    std::array<bool, kJunkItemCount> ticked{};
    bool& operator[](JunkItem item) { return ticked[static_cast<std::size_t>(item)]; }
    bool operator[](JunkItem item) const { return ticked[static_cast<std::size_t>(item)]; }
    bool Any() const {
        for (bool t : ticked)
            if (t) return true;
        return false;
    }
};

enum class JunkCleanOutcome { NothingSelected, Cancelled, Cleaned };

enum class JunkPlaceOutcome { NotTicked, Cleaned, PartlyCleaned, NotCleaned };

// What happened to one place.
struct JunkPlaceReport {
    JunkPlaceOutcome outcome = JunkPlaceOutcome::NotTicked;
    std::string reason; // why not (fully) cleaned, for the user
    JunkTally tally;
};

struct JunkCleanResult {
    JunkCleanOutcome outcome = JunkCleanOutcome::NothingSelected;
    std::array<JunkPlaceReport, kJunkItemCount> places{};
    std::string finalMessage; // empty unless cleaned
    const JunkPlaceReport& operator[](JunkItem item) const {
        return places[static_cast<std::size_t>(item)];
    }
    // Every file of every ticked place could be deleted (places not cleaned aside).
    bool AllDeleted() const {
        for (const auto& p : places)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned) return false;
        return true;
    }
    // Every ticked place was cleaned entirely.
    bool Complete() const {
        for (const auto& p : places)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned ||
                p.outcome == JunkPlaceOutcome::NotCleaned)
                return false;
        return true;
    }
};

// Clean button: checks the selection, asks once through `prompt`, empties the ticked places
// in the order cookies, user temporary folder, internet cache (URL cache first), Recycle Bin
// (without the system's confirmation), system temporary folder, calls `placesEmptied` (the
// page starts a new measuring run there) and tells the final message, which names every
// ticked place that was not, or only partly, cleaned and why. A place whose folder is
// unknown or protected is not touched. Anything but OK in the confirmation cancels. The
// caller unticks the check boxes when the outcome is Cleaned. `owner` is the page's window,
// which the Recycle Bin emptying runs with (0 in a console).
[[nodiscard]] JunkCleanResult CleanJunk(Registry& reg, System& sys, const JunkSelection& selection,
                                        UserPrompt& prompt,
                                        const std::function<void()>& placesEmptied = {},
                                        WindowRef owner = 0, const JunkOptions& options = {});

// The final message for the places' reports.
std::string JunkFinalMessage(const JunkCleanResult& result);

// Deletes every entry of the system's URL cache by its source URL. True when the walk ended
// because there were no more entries.
[[nodiscard]] bool ClearUrlCache(System& sys);

} // namespace zt
