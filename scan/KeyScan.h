#pragma once
// What an area rule sees of the key the walk stands on: where it is, its values one by one,
// the judgements it may ask for and the way to report a finding. The engine makes one per key;
// the walk's own state stays inside the engine.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/ScanFinding.h"
#include "seams/Registry.h"

namespace zt {

class ScanEngine;
class PathJudge;
class Registry;
class System;

// The examined data as text: up to its first zero, or its stored length when it has none.
std::string DataText(std::span<const std::uint8_t> data);

// One value of the key, valid until the next NextValue.
struct ScanValue {
    std::string_view name;
    std::uint32_t type = 0;
    std::span<const std::uint8_t> data;
    std::string Text() const { return DataText(data); }
};

class KeyScan {
  public:
    KeyScan(ScanEngine& engine, HKey key, std::string_view path, std::string_view name, int depth)
        : engine_(engine), key_(key), path_(path), name_(name), depth_(depth) {}
    KeyScan(const KeyScan&) = delete;
    KeyScan& operator=(const KeyScan&) = delete;

    std::string_view Path() const { return path_; } // below the root
    std::string_view Name() const { return name_; } // the key's own name
    int Depth() const { return depth_; }            // 1 at the walk's start key
    bool Enabled(int category) const;

    // The next value of the key; false at the end and once a stop is asked.
    bool NextValue(ScanValue& value);
    // Whether NextValue has given at least one value.
    bool HadValues() const { return hadValues_; }
    // Neither values nor subkeys by the key's own counts; a value too large for the scan's
    // buffers fails to enumerate but is there all the same.
    bool HoldsNothing();
    // The default value's text, none when it is not there or, read into a buffer of
    // `bufferChars` characters (scan/TextLimits.h), would not fit it.
    std::optional<std::string> DefaultText(std::size_t bufferChars = SIZE_MAX);
    // The names of the key's subkeys, for a rule that judges a key by what lies below it.
    std::vector<std::string> SubkeyNames();
    // The default value's text of the subkey at `subPath`, none when it or its value is not
    // there.
    std::optional<std::string> SubkeyDefaultText(std::string_view subPath);

    // IsPathMissing in the key's view: below Wow6432Node as a 32-bit program reads the path
    // (its system folder redirected), in a key both kinds of program share as either, each
    // with Sysnative read as System32.
    bool Missing(std::string_view path);
    // Missing after the expansion of its %variables% as the key's view expands them.
    bool MissingExpanded(std::string_view text);
    // IsCommandMissing in the key's view, expanded first when asked.
    bool CommandMissing(std::string_view command, bool expand);
    // True when the classes root has no key of this name (cached for the scan).
    bool ClassKeyMissing(std::string_view name);
    // PathJudge::IsAppPathMissing, and no program of that name found by the program search.
    bool AppPathMissing(std::string_view name);
    bool ProgramMissing(std::string_view name);
    // What a rule that reports without looking anything up checked, for the finding's evidence.
    void Note(std::string_view checked);
    PathJudge& Judge();
    // The fonts folder with a trailing backslash.
    const std::string& FontsFolder() const;

    // A finding at this key; `valueName` empty for the key itself or its default value.
    void Report(std::string_view valueName, std::string_view valueText, std::string_view reason,
                FindingKind kind);

  private:
    bool OnlyValue(ScanValue& value);

    ScanEngine& engine_;
    HKey key_;
    std::string_view path_;
    std::string_view name_;
    int depth_;
    std::uint32_t valueIndex_ = 0;
    bool valuesDone_ = false;
    bool hadValues_ = false;
};

// What a rule run once after an area's walks sees: the seams and the way to report.
class AreaScan {
  public:
    explicit AreaScan(ScanEngine& engine) : engine_(engine) {}
    zt::Registry& registry();
    zt::System& system();
    // A finding anywhere; false, reporting nothing, once a stop is asked. `lookedFor` says
    // where its evidence was looked for.
    bool Report(RootKey root, std::string_view keyPath, std::string_view valueName,
                std::string_view valueText, std::string_view reason, FindingKind kind,
                std::string_view lookedFor = {});

  private:
    ScanEngine& engine_;
};

} // namespace zt
