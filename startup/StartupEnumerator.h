#pragma once
// Lists every place from which programs start with Windows, as rows of a sink.
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/PathJudge.h"
#include "seams/Registry.h"
#include "seams/StartupSources.h"
#include "seams/System.h"
#include "startup/StartupEntry.h"

namespace zt {

class StartupEnumerator {
  public:
    // With `sources`, the listing goes on to scheduled tasks, services and packaged tasks; with
    // `signatures`, each row carries who made its program.
    StartupEnumerator(Registry& reg, System& sys, StartupSources* sources = nullptr,
                      FileSignatures* signatures = nullptr)
        : reg_(reg), sys_(sys), sources_(sources), signatures_(signatures),
          judge_(reg, sys, std::string(kDefaultProgramExtensions)) {}

    // Whether rows that are part of Windows are left out (they are unless told); the numbers
    // count the rows listed.
    void HideWindowsEntries(bool hide) { hideWindows_ = hide; }

    // Empties the sink and visits the locations in their fixed order, each machine key with a
    // 32-bit twin followed by that twin; rows carry the status of their approval value. Then
    // the tasks, services and packaged tasks, when the enumerator has their sources.
    void EnumerateStartupEntries(StartupEntrySink& sink);

    // "HKLM\" or "HKCU\" + keyPath for the current root; keyPath unchanged for any other.
    std::string MakeLocationText(std::string_view keyPath) const;
    // Target of a shortcut file, stored variables unexpanded; the path itself when the
    // shell link object cannot give one.
    std::string ResolveShortcut(const std::string& path);

  private:
    void ListKeyValues(HKey key, std::string_view keyPath);
    void WalkRunOnceExKey(HKey key, const std::string& keyPath);
    void ListRegistryKey(RootKey root, std::string_view keyPath);
    // A machine key's 32-bit twin, unless it holds just what the 64-bit key holds: the views
    // share some keys (the policies), and one entry is not listed twice.
    void ListTwinKey(std::string_view keyPath, std::string_view key64Path);
    bool SameValues(std::string_view keyPath, std::string_view otherPath);
    void ListLoadAndRun();
    void ListWinlogonValue(HKey key, std::string_view valueName, std::string_view defaultName,
                           std::string_view folder, StartupEntryKind kind);
    void ListStartupFolder(const std::string& folder, std::string_view location);
    void SetLocation(RootKey root, std::string_view keyPath);
    void AppendStartupRow(std::string name, std::string command, std::string location,
                          StartupEntryKind kind);
    void AppendEntry(StartupEntry entry);

    Registry& reg_;
    System& sys_;
    StartupSources* sources_;
    FileSignatures* signatures_;
    bool hideWindows_ = true;
    PathJudge judge_; // only its environment expansion is used
    StartupEntrySink* sink_ = nullptr;
    int rowCount_ = 0;
    RootKey currentRoot_ = kLocalMachine;
    std::string currentLocation_;
    bool runOnceExMode_ = false;
    std::int32_t keyDepth_ = 0;
};

} // namespace zt
