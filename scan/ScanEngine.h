#pragma once
// The registry scan: walks the enabled areas depth first, runs each area's rules at every
// key and reports invalid entries through a ScanSink. One engine serves one page; a scan runs
// on one worker thread, and the page may stop it from its own thread:
//   start: BeginScan(), then a thread running RunScan() (the sink's calls come from it);
//   stop:  RequestStop(), then wait on stopAcknowledged (WaitFor or IsSet between messages).
// The engine, its Registry, System and sink must outlive the worker.
#include <array>
#include <atomic>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "seams/ManualResetEvent.h"
#include "scan/PathJudge.h"
#include "seams/Registry.h"
#include "scan/ScanCategories.h"
#include "scan/ScanSink.h"
#include "seams/System.h"

namespace zt {

class SettingsStore;

// Fixed buffers of the walk.
inline constexpr std::uint32_t kKeyNameChars = 500;
inline constexpr std::uint32_t kValueNameChars = 500;
inline constexpr std::uint32_t kValueDataBytes = 2000;
inline constexpr std::size_t kPathBufferBytes = 1000;
inline constexpr int kStatusEveryKeys = 200;

class ScanEngine {
  public:
    // Prepares the fonts folder and the program extension list, as the page does once.
    ScanEngine(Registry& registry, System& system, ScanSink& sink);
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    // --- Page side (any thread) ---
    // The thirteen switches from the settings store, default on.
    void LoadSwitches(const SettingsStore& settings);
    void SetAllCategories(bool on);
    // Resets the scan state; call before starting the worker that runs RunScan.
    void BeginScan();
    // Resets stopAcknowledged, then sets stopRequested; wait on stopAcknowledged after.
    void RequestStop();
    // From BeginScan until a stop is asked or the scan ends; after a stop the worker may still
    // be unwinding until stopAcknowledged is set.
    bool Running() const { return !stopRequested.load(); }

    // --- Worker side ---
    // Runs the enabled categories and the end-of-scan steps.
    void RunScan();

    // Shared between the page and the worker.
    std::atomic<bool> stopRequested{true};
    ManualResetEvent stopAcknowledged;
    std::array<std::atomic<bool>, kScanCategoryCount> categoryEnabled;

    // Owned by the worker while a scan runs.
    int area = 0;
    RootKey currentRoot = 0;
    int depth = 0;
    bool inClsidTree = false;
    int visitCounter = kStatusEveryKeys - 1;
    int findingsAdded = 0;
    std::string fontsFolder;

    const std::string& ProgramExtensions() const { return judge_.ProgramExtensions(); }
    PathJudge& judge() { return judge_; }

    void WalkKey(HKey key, const std::string& path, std::string_view name);
    void ReportFinding(std::string_view path, std::string_view valueName,
                       std::string_view valueText, std::string_view reason, FindingKind kind);
    void ScanValues(HKey key, std::string_view path, std::string_view name, bool& hadValues);
    void CheckClassesRootKey(HKey key, std::string_view path, std::string_view name);
    bool IsClsidMissing(std::string_view value);
    bool IsProgIdMissing(std::string_view name);

  private:
    // True when the walk passes over this child of the key at the current depth.
    bool Excluded(std::string_view parentPath, std::string_view child);
    bool ClassKeyMissing(std::string_view name);
    // IsPathMissing, with the 32-bit system folder tried below a Wow6432Node key.
    bool Missing(std::string_view s);
    bool Enabled(int category) const { return categoryEnabled[category].load(); }
    void ReferenceCheck(HKey key, std::string_view path);
    void RunCategory(int index);
    // The startup area's switches whose entry is gone (scan/OrphanApprovals.h).
    void ReportOrphanApprovals();

    Registry& registry_;
    System& system_;
    ScanSink& sink_;
    PathJudge judge_;
    std::string systemFolderPrefix_; // "c:\windows\system32\", lower case
    std::string wowSystemFolder_;    // "C:\windows\SysWOW64"
    int wowNesting_ = 0;             // Wow6432Node keys above the current key
    std::unordered_map<std::string, bool> classKeyMissing_;
    // Reused across keys so the walk does not allocate per value.
    std::string valueName_;
    std::vector<std::uint8_t> valueData_;
};

// The examined data as text: up to its first zero, or its stored length when it has none.
std::string DataText(const std::vector<std::uint8_t>& data);

} // namespace zt
