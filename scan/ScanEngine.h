#pragma once
// The registry scan: walks the enabled areas depth first, runs each area's rule
// (scan/AreaRules.h, named in the area table scan/ScanCategories.h) at every key and reports
// invalid entries, progress and the end through a ScanSink. A scan runs on one worker thread,
// and its owner may stop it from its own thread:
//   start: BeginScan(), then a thread running RunScan() (the sink's calls come from it);
//   stop:  RequestStop(), then wait on stopAcknowledged (or for RunScan to return).
// The engine, its Registry, System and sink must outlive the worker.
#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/KeyScan.h"
#include "scan/PathJudge.h"
#include "scan/ScanCategories.h"
#include "scan/ScanSink.h"
#include "seams/ManualResetEvent.h"
#include "seams/Registry.h"
#include "seams/System.h"
#include "settings/IgnoreList.h"

namespace zt {

class SettingsStore;

// Fixed buffers of the walk, in characters (scan/TextLimits.h): UTF-16 units of names, paths
// and string data, bytes of other data.
inline constexpr std::uint32_t kKeyNameChars = 500;
inline constexpr std::uint32_t kValueNameChars = 500;
inline constexpr std::uint32_t kValueDataBytes = 2000;
inline constexpr std::size_t kPathBufferChars = 1000;
inline constexpr int kStatusEveryKeys = 200;

class ScanEngine {
  public:
    // Prepares the fonts folder and the program extension list, as the page does once.
    ScanEngine(Registry& registry, System& system, ScanSink& sink);
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    // --- Owner side (any thread) ---
    // The switches from the settings store, default on.
    void LoadSwitches(const SettingsStore& settings);
    void SetAllCategories(bool on);
    // The ignore list is read from `settings` at every BeginScan; none ignores nothing.
    void UseIgnoreListOf(const SettingsStore* settings) { ignoreSource_ = settings; }
    // Resets the scan state; call before starting the worker that runs RunScan.
    void BeginScan();
    // Resets stopAcknowledged, then sets stopRequested; wait on stopAcknowledged after.
    void RequestStop();
    // From BeginScan until a stop is asked or the scan ends; after a stop the worker may still
    // be unwinding until stopAcknowledged is set.
    bool Running() const { return !stopRequested.load(); }

    // --- Worker side ---
    // Runs the enabled areas; ends with the sink's ScanFinished.
    void RunScan();
    // Judges one key again as it is now, for the re-check before cleaning: runs there every
    // enabled area rule that may report `reason` and whose walk reaches the key (passing over
    // what the walk passes over), and the after-walk rules that may report it. The findings
    // go to the sink as a scan's do, without ScanFinished; nothing is cached from one call to
    // the next. With `onlyValue` the rules see that value of the key alone, read directly, so
    // judging one value of a key with thousands costs one read. On the calling thread, not
    // while a scan runs.
    // For a run of RescanKey calls: each drive's kind is asked once for the whole run.
    void KeepDriveKinds() { judge_.KeepDriveKinds(); }
    void RescanKey(RootKey root, std::string_view keyPath,
                   std::optional<std::string_view> onlyValue, std::string_view reason);

    // Shared between the owner and the worker.
    std::atomic<bool> stopRequested{true};
    ManualResetEvent stopAcknowledged;
    std::array<std::atomic<bool>, kScanCategoryCount> categoryEnabled;

  private:
    friend class KeyScan;
    friend class AreaScan;

    bool Enabled(int category) const { return categoryEnabled[category].load(); }
    bool StopNoticed();
    // Walks from `key` with the rules of `categories` (all sharing one set of start keys).
    void Walk(RootKey root, HKey key, const std::string& path, std::string_view name,
              std::span<const int> categories);
    void PrepareWalk(RootKey root, const std::string& path, std::span<const int> categories);
    void WalkKey(HKey key, const std::string& path, std::string_view name);
    // From the start key at `startPath` down to `target` alone, then its rules.
    void WalkTo(RootKey root, std::string_view startPath, std::string_view startName,
                std::string_view target, std::span<const int> categories);
    void RunRules(KeyScan& here);
    void ReportFinding(std::string_view path, std::string_view valueName,
                       std::string_view valueText, std::string_view reason, FindingKind kind);
    // Judges `raw` in the current key's view (see RegView): missing only when missing in
    // every text the view reads it as.
    bool Missing(std::string_view raw, bool expand, TextShape shape);
    // The view of the key the walk stands on.
    RegView ViewHere() const { return wowNesting_ > 0 ? RegView::Wow32 : walkView_; }
    // The view of a walk's start key: 32-bit below Wow6432Node, shared for the user's keys and
    // for a machine key its 32-bit twin path reaches too, else 64-bit.
    RegView ViewOfStart(RootKey root, const std::string& path);
    bool ClassKeyMissing(std::string_view name);
    // The evidence lines of the judgement that led to a report.
    std::vector<std::string> Evidence(std::string_view valueText);

    // The last judgement a rule asked for at the current key; the one its report follows.
    // Only its text is kept here: the evidence is built when a finding is reported.
    enum class Judged { None, Path, ClassKey, AppPath, Program, Note };
    void Record(Judged what, std::string_view text) {
        judged_ = what;
        judgedText_.assign(text);
    }
    Judged judged_ = Judged::None;
    std::string judgedText_;
    // Of the last path judgement: how it was read and the texts each view read.
    TextShape judgedShape_ = TextShape::Path;
    RegView judgedView_ = RegView::Native;
    std::vector<ViewedText> viewTexts_;

    Registry& registry_;
    System& system_;
    ScanSink& sink_;
    PathJudge judge_;
    std::string fontsFolder_;
    std::unordered_map<std::string, bool> classKeyMissing_;
    const SettingsStore* ignoreSource_ = nullptr;
    IgnoreList ignore_; // read by the worker, set only before it starts

    // The walk, owned by the worker while a scan runs.
    RootKey currentRoot_ = 0;
    std::array<KeyRule, kScanCategoryCount> rules_{}; // of the current walk
    std::size_t ruleCount_ = 0;
    ChildFilter skip_ = nullptr;
    int depth_ = 0;
    int wowNesting_ = 0; // Wow6432Node keys above the current key
    RegView walkView_ = RegView::Native;
    int visitCounter_ = kStatusEveryKeys - 1;
    int findingsAdded_ = 0;
    int findingsIgnored_ = 0;
    // Reused across keys so the walk does not allocate per value.
    std::string valueName_;
    std::vector<std::uint8_t> valueData_;
    std::optional<std::string> onlyValue_; // while RescanKey judges one value
    // The key RescanKey last judged a value of, kept open for the next value of the same key
    // (a cleaning run re-checks many values of one key in a row).
    RootKey heldRoot_ = 0;
    std::string heldPath_;
    RegKey held_;
};

} // namespace zt
