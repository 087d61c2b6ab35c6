#pragma once
// Emptying the ticked junk places after one confirmation, as the Clean button does.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "diskclean/JunkCatalog.h"
#include "diskclean/JunkPlaces.h"
#include "seams/UserPrompt.h"

namespace zt {

inline constexpr const char* kJunkNothingSelectedText = "You should select one item at least.";
inline constexpr const char* kJunkConfirmText = "Are you sure to delete them?";
inline constexpr const char* kJunkFinishedText = "The cleaning is finished!";
inline constexpr const char* kJunkFinishedSomeLeftText =
    "The cleaning is finished!\n Some files can't delete because they are being used now.";
inline constexpr const char* kJunkNotFinishedText = "Not every place could be cleaned.";

// The ticked check boxes, indexed by JunkItem, and the ids of the ticked catalog places.
struct JunkSelection {
    std::array<bool, kJunkItemCount> ticked{};
    std::vector<std::string> places;
    bool& operator[](JunkItem item) { return ticked[static_cast<std::size_t>(item)]; }
    bool operator[](JunkItem item) const { return ticked[static_cast<std::size_t>(item)]; }
    bool Any() const {
        for (bool t : ticked)
            if (t) return true;
        return !places.empty();
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

// A catalog place's report.
struct CatalogPlaceReport : JunkPlaceReport {
    const JunkPlaceRow* row = nullptr;
};

// The free space of one drive the cleaning touched, before and after.
struct DriveChange {
    std::string root; // "C:\\"
    std::optional<std::uint64_t> before, after;
    // The change, negative when the drive lost space meanwhile; none when either is unknown.
    std::optional<std::int64_t> Gained() const {
        if (!before || !after) return std::nullopt;
        return static_cast<std::int64_t>(*after - *before);
    }
};

struct JunkCleanResult {
    JunkCleanOutcome outcome = JunkCleanOutcome::NothingSelected;
    std::array<JunkPlaceReport, kJunkItemCount> places{};
    std::vector<CatalogPlaceReport> catalog; // in the order asked
    std::vector<DriveChange> drives;         // in the order first touched
    std::uint64_t recycleBinBytes = 0;       // what the bins held less afterwards
    // The bytes of the files deleted, the Recycle Bin's included; never what stayed.
    std::uint64_t BytesDeleted() const { return recycleBinBytes + Sum(&JunkTally::bytes); }
    std::uint64_t FilesDeleted() const { return Sum(&JunkTally::files); }
    std::uint64_t FilesLeft() const { return Sum(&JunkTally::filesLeft); }
    // One figure of every place's tally, added up.
    std::uint64_t Sum(std::uint64_t JunkTally::*field) const;
    std::string finalMessage; // empty unless cleaned
    const JunkPlaceReport& operator[](JunkItem item) const {
        return places[static_cast<std::size_t>(item)];
    }
    // Every file of every ticked place could be deleted (places not cleaned aside).
    bool AllDeleted() const {
        for (const auto& p : places)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned) return false;
        for (const auto& p : catalog)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned) return false;
        return true;
    }
    // Every ticked place was cleaned entirely.
    bool Complete() const {
        for (const auto& p : places)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned ||
                p.outcome == JunkPlaceOutcome::NotCleaned)
                return false;
        for (const auto& p : catalog)
            if (p.outcome == JunkPlaceOutcome::PartlyCleaned ||
                p.outcome == JunkPlaceOutcome::NotCleaned)
                return false;
        return true;
    }
};

// Clean button: checks the selection, asks once through `prompt`, empties the ticked places
// in the order cookies, user temporary folder, internet cache (URL cache first), Recycle Bin
// (without the system's confirmation), system temporary folder, then the catalog places
// asked for (a profile in use left alone), calls `placesEmptied` (the
// page starts a new measuring run there) and tells the final message, which names every
// ticked place that was not, or only partly, cleaned and why. A place whose folder is
// unknown or protected is not touched. Anything but OK in the confirmation cancels. The
// caller unticks the check boxes when the outcome is Cleaned. `owner` is the page's window,
// which the Recycle Bin emptying runs with (0 in a console).
[[nodiscard]] JunkCleanResult CleanJunk(Registry& reg, System& sys, const JunkSelection& selection,
                                        UserPrompt& prompt,
                                        const std::function<void()>& placesEmptied = {},
                                        WindowRef owner = 0, const JunkOptions& options = {});

// "2.10 GB deleted; drive C: gained 2.00 GB": the bytes of the files deleted and each
// touched drive's change of free space, which may differ (hard links, compression).
std::string JunkTotalsLine(const JunkCleanResult& result);

// Empties one catalog place into `report`; `touched` is told each folder before it is emptied.
void CleanJunkPlace(System& sys, const JunkPlaceRow& row, const RunningPrograms& running,
                    const ProtectedFolders& guarded, const JunkOptions& options,
                    CatalogPlaceReport& report,
                    const std::function<void(const std::string&)>& touched = {});

// The final message for the places' reports.
std::string JunkFinalMessage(const JunkCleanResult& result);

// Deletes every entry of the system's URL cache by its source URL. True when the walk ended
// because there were no more entries.
[[nodiscard]] bool ClearUrlCache(System& sys);

} // namespace zt
