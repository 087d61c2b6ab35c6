#include "scan/ScanEngine.h"

#include <algorithm>

#include <cstdint>

#include "scan/KeptOnPurpose.h"
#include "scan/TextLimits.h"
#include "settings/SettingsStore.h"

namespace zt {

namespace {

constexpr std::string_view kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::uint32_t kFolderBuffer = 260;

std::string FontsFolder(Registry& reg, System& sys) {
    RegKey key(reg, reg.OpenKeyRead(RootHandle(kCurrentUser), kShellFoldersKey));
    if (key)
        if (auto value = ReadValueWithin(reg, key.get(), "Fonts", kFolderBuffer))
            return DataText(value->data) + "\\";
    std::string windows = sys.WindowsFolder();
    if (UnitsAtLeast(windows, kFolderBuffer)) windows.clear();
    return windows + "\\Fonts\\";
}

} // namespace

std::string DataText(std::span<const std::uint8_t> data) {
    std::size_t n = 0;
    while (n < data.size() && data[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(data.data()), n);
}

std::string FoundItemsLine(int count) {
    return std::to_string(count) + " invalid items found in the registry:\n";
}

std::string TotalFoundMessage(int count) {
    return "Total found " + std::to_string(count) + " invalide items";
}

ScanEngine::ScanEngine(Registry& registry, System& system, ScanSink& sink)
    : registry_(registry), system_(system), sink_(sink), judge_(registry, system) {
    for (auto& c : categoryEnabled)
        c.store(true);
    fontsFolder_ = FontsFolder(registry, system);
    valueData_.reserve(kValueDataBytes);
}

void ScanEngine::LoadSwitches(const SettingsStore& settings) {
    for (int i = 0; i < kScanCategoryCount; ++i)
        categoryEnabled[i].store(settings.IsOn(zt::settings::ScanAreaSwitch(
            kScanCategories[i].settingsKey, kScanCategories[i].onByDefault)));
}

void ScanEngine::SetAllCategories(bool on) {
    for (auto& c : categoryEnabled)
        c.store(on);
}

void ScanEngine::BeginScan() {
    stopRequested.store(false);
    findingsAdded_ = 0;
    findingsIgnored_ = 0;
    ignore_ = ignoreSource_ ? LoadIgnoreList(*ignoreSource_) : IgnoreList();
    visitCounter_ = kStatusEveryKeys - 1;
    depth_ = 0;
    wowNesting_ = 0;
}

void ScanEngine::RequestStop() {
    stopAcknowledged.Reset();
    stopRequested.store(true);
}

bool ScanEngine::StopNoticed() {
    if (!stopRequested.load()) return false;
    stopAcknowledged.Set();
    return true;
}

void ScanEngine::RunScan() {
    judge_.SetCaching(true);
    classKeyMissing_.clear();

    // The areas without start keys share one walk of the classes root.
    std::array<int, kScanCategoryCount> shared{};
    std::size_t sharedCount = 0;
    for (int i = 0; i < kScanCategoryCount; ++i)
        if (kScanCategories[i].starts.empty() && Enabled(i)) shared[sharedCount++] = i;
    if (sharedCount > 0)
        Walk(kClassesRoot, RootHandle(kClassesRoot), std::string(), {},
             std::span<const int>(shared.data(), sharedCount));
    for (int i = 0; i < kScanCategoryCount; ++i) {
        if (kScanCategories[i].starts.empty() || !Enabled(i)) continue;
        // A 32-bit twin that is the very key already walked (the views share it) is not
        // walked again: its findings would be listed twice.
        std::vector<std::string> walked;
        for (const auto& start : kScanCategories[i].starts) {
            RegKey key(registry_, registry_.OpenKeyRead(RootHandle(start.root), start.path));
            if (!key) continue;
            if (auto name = registry_.KeyObjectName(key.get())) {
                if (std::find(walked.begin(), walked.end(), *name) != walked.end()) continue;
                walked.push_back(std::move(*name));
            }
            Walk(start.root, key.get(), std::string(start.path), start.name,
                 std::span<const int>(&i, 1));
        }
        if (kScanCategories[i].afterWalks) {
            AreaScan area(*this);
            kScanCategories[i].afterWalks(area);
        }
    }

    judge_.SetCaching(false);
    classKeyMissing_.clear();
    ScanSummary summary{findingsAdded_, stopRequested.load(), findingsIgnored_};
    stopRequested.store(true);
    // A stop that came after the worker's last check point is acknowledged here.
    stopAcknowledged.Set();
    sink_.ScanFinished(summary);
}

void ScanEngine::Walk(RootKey root, HKey key, const std::string& path, std::string_view name,
                      std::span<const int> categories) {
    PrepareWalk(root, path, categories);
    WalkKey(key, path, name);
}

void ScanEngine::PrepareWalk(RootKey root, const std::string& path,
                             std::span<const int> categories) {
    currentRoot_ = root;
    depth_ = 0;
    // A 32-bit twin's start key already lies below Wow6432Node.
    wowNesting_ = FoldName(path).find("\\wow6432node\\") != std::string::npos ? 1 : 0;
    walkView_ = ViewOfStart(root, path);
    ruleCount_ = 0;
    skip_ = nullptr;
    for (int c : categories) {
        rules_[ruleCount_++] = kScanCategories[c].rule;
        if (!skip_) skip_ = kScanCategories[c].skip;
    }
}

void ScanEngine::RunRules(KeyScan& here) {
    for (std::size_t i = 0; i < ruleCount_; ++i) {
        judged_ = Judged::None;
        rules_[i](here);
    }
}

void ScanEngine::WalkKey(HKey key, const std::string& path, std::string_view name) {
    ++visitCounter_;
    ++depth_;
    if (StopNoticed()) return;
    if (visitCounter_ == kStatusEveryKeys) {
        sink_.ScanProgress(path);
        visitCounter_ = 0;
    }

    KeyScan here(*this, key, path, name, depth_);
    RunRules(here);

    std::string child;
    for (std::uint32_t index = 0; registry_.EnumKey(key, index, child, kKeyNameChars); ++index) {
        if (NamesEqual(child, "VirtualStore")) continue;
        std::string childPath = path.empty() ? child : path + "\\" + child;
        // A cut path would name another key, which cleaning would then delete.
        if (UnitsAtLeast(childPath, kPathBufferChars)) continue;
        if (skip_ && skip_(here, child)) continue;
        RegKey childKey(registry_, registry_.OpenKeyRead(key, child));
        if (!childKey) continue;
        bool wow = NamesEqual(child, "Wow6432Node");
        wowNesting_ += wow;
        WalkKey(childKey.get(), childPath, child);
        wowNesting_ -= wow;
        --depth_;
    }
}

void ScanEngine::ReportFinding(std::string_view path, std::string_view valueName,
                               std::string_view valueText, std::string_view reason,
                               FindingKind kind) {
    if (stopRequested.load()) return;
    ScanRow row;
    row.path.reserve(path.size() + valueName.size() + 8);
    row.path = RootAbbreviation(currentRoot_);
    row.path += path;
    row.path += '\\';
    row.path += valueName;
    // The path text would not fit its buffer; a cut one names a different entry.
    if (UnitsAtLeast(row.path, kPathBufferChars)) return;
    if (KeptOnPurpose(kKeptOnPurpose, currentRoot_, path, valueName)) return;
    if (ignore_.Size() &&
        ignore_.Ignores(currentRoot_, path, valueName, kind == FindingKind::Key)) {
        ++findingsIgnored_;
        return;
    }
    row.number = std::to_string(findingsAdded_ + 1);
    row.finding.root = currentRoot_;
    row.finding.keyPath = std::string(path);
    row.finding.valueName = std::string(valueName);
    row.finding.kind = kind;
    row.valueText = valueText.empty() ? std::string("[None]") : std::string(valueText);
    row.reason = std::string(reason);
    row.evidence = Evidence(row.valueText);
    sink_.AddFinding(std::move(row));
    ++findingsAdded_;
}

RegView ScanEngine::ViewOfStart(RootKey root, const std::string& path) {
    if (wowNesting_ > 0) return RegView::Wow32;
    // The user's software settings are one key for both kinds of program.
    if (root == kCurrentUser || root == kUsers) return RegView::Shared;
    constexpr std::string_view kSoftware = "Software\\";
    if (root != kLocalMachine || !StartsWithNoCase(path, kSoftware)) return RegView::Native;
    std::string twin = "Software\\Wow6432Node\\" + path.substr(kSoftware.size());
    RegKey key(registry_, registry_.OpenKeyRead(RootHandle(root), path));
    RegKey twinKey(registry_, registry_.OpenKeyRead(RootHandle(root), twin));
    if (!key || !twinKey) return RegView::Native;
    auto name = registry_.KeyObjectName(key.get());
    return name && name == registry_.KeyObjectName(twinKey.get()) ? RegView::Shared
                                                                  : RegView::Native;
}

bool ScanEngine::Missing(std::string_view raw, bool expand, TextShape shape) {
    Record(Judged::Path, raw);
    judgedShape_ = shape;
    judgedView_ = ViewHere();
    viewTexts_ = judge_.ViewTexts(raw, expand, judgedView_);
    for (const ViewedText& t : viewTexts_) {
        bool missing = shape == TextShape::Command ? judge_.IsCommandMissing(t.text)
                                                   : judge_.IsPathMissing(t.text);
        if (!missing) return false;
    }
    return true;
}

bool ScanEngine::ClassKeyMissing(std::string_view name) {
    Record(Judged::ClassKey, name);
    std::string k = FoldName(name);
    if (auto it = classKeyMissing_.find(k); it != classKeyMissing_.end()) return it->second;
    RegKey key(registry_, registry_.OpenKeyRead(RootHandle(kClassesRoot), name));
    bool missing = !key;
    classKeyMissing_.emplace(std::move(k), missing);
    return missing;
}

std::vector<std::string> ScanEngine::Evidence(std::string_view valueText) {
    std::vector<std::string> lines;
    lines.push_back("text as found: " + std::string(valueText));
    switch (judged_) {
    case Judged::Path:
        lines.push_back(judgedView_ == RegView::Native  ? "registry view: 64-bit"
                        : judgedView_ == RegView::Wow32 ? "registry view: 32-bit (Wow6432Node)"
                                                        : "registry view: 64-bit and 32-bit "
                                                          "(a key both kinds of program share)");
        for (const ViewedText& t : viewTexts_) {
            if (viewTexts_.size() > 1 || t.text != judgedText_)
                lines.push_back(std::string(t.view) + ": " + t.text);
            judge_.Explain(t.text, judgedShape_, lines);
        }
        break;
    case Judged::ClassKey:
        lines.push_back("class key looked for: HKCR\\" + judgedText_ + ": not found");
        break;
    case Judged::AppPath:
        lines.push_back("App Paths key looked for: HKLM\\" + std::string(kAppPathsKey) + "\\" +
                        judgedText_ + ": not found");
        judge_.ExplainSearch(judgedText_, lines);
        break;
    case Judged::Program:
        judge_.ExplainSearch(judgedText_, lines);
        break;
    case Judged::Note:
        lines.push_back(judgedText_);
        break;
    case Judged::None:
        break;
    }
    return lines;
}

namespace {
bool Lists(std::span<const std::string_view> reasons, std::string_view reason) {
    for (std::string_view r : reasons)
        if (r == reason) return true;
    return false;
}
} // namespace

void ScanEngine::RescanKey(RootKey root, std::string_view keyPath,
                           std::optional<std::string_view> onlyValue, std::string_view reason) {
    stopRequested.store(false);
    if (onlyValue) onlyValue_.emplace(*onlyValue);
    judge_.SetCaching(false);
    classKeyMissing_.clear();
    for (int i = 0; i < kScanCategoryCount; ++i) {
        const ScanCategoryInfo& area = kScanCategories[i];
        if (!Enabled(i)) continue;
        if (Lists(area.reasons, reason)) {
            // The shared classes-root walk's rules run one by one here: each judges alone.
            if (area.starts.empty() && root == kClassesRoot)
                WalkTo(kClassesRoot, {}, {}, keyPath, std::span<const int>(&i, 1));
            for (const auto& start : area.starts) {
                if (start.root != root || !StartsWithNoCase(keyPath, start.path)) continue;
                std::string_view rest = keyPath.substr(start.path.size());
                if (!rest.empty() && rest.front() != '\\') continue;
                WalkTo(root, start.path, start.name, keyPath, std::span<const int>(&i, 1));
            }
        }
        if (area.afterWalks && Lists(area.afterReasons, reason)) {
            AreaScan after(*this);
            area.afterWalks(after);
        }
    }
    classKeyMissing_.clear();
    onlyValue_.reset();
    stopRequested.store(true);
}

void ScanEngine::WalkTo(RootKey root, std::string_view startPath, std::string_view startName,
                        std::string_view target, std::span<const int> categories) {
    std::string path(startPath);
    PrepareWalk(root, path, categories);
    std::string name(startName);
    int depth = 1;
    // The walk's filters judge a child by its parent's path, name and depth alone, so the
    // way down needs no key opened; only the key itself is.
    std::string_view rest = target.substr(startPath.size());
    while (!rest.empty()) {
        if (rest.front() == '\\') rest.remove_prefix(1);
        std::string child(rest.substr(0, rest.find('\\')));
        rest.remove_prefix(child.size());
        // What the walk passes over, or cannot name, it never reports.
        if (child.empty() || NamesEqual(child, "VirtualStore")) return;
        std::string childPath = path.empty() ? child : path + "\\" + child;
        if (UnitsAtLeast(childPath, kPathBufferChars)) return;
        KeyScan parent(*this, kNoKey, path, name, depth);
        if (skip_ && skip_(parent, child)) return;
        wowNesting_ += NamesEqual(child, "Wow6432Node");
        path = std::move(childPath);
        name = std::move(child);
        ++depth;
    }
    RegKey opened;
    HKey key = RootHandle(root);
    if (onlyValue_ && held_ && heldRoot_ == root && heldPath_ == path) {
        key = held_.get();
    } else if (!path.empty()) {
        opened = RegKey(registry_, registry_.OpenKeyRead(key, path));
        if (!opened) return;
        key = opened.get();
        if (onlyValue_) {
            held_ = std::move(opened);
            heldRoot_ = root;
            heldPath_ = path;
        }
    }
    depth_ = depth;
    KeyScan here(*this, key, path, name, depth);
    RunRules(here);
}

// --- KeyScan: the rules' view of the walk -----------------------------------------------------

bool KeyScan::Enabled(int category) const {
    return engine_.Enabled(category);
}

bool KeyScan::NextValue(ScanValue& value) {
    if (valuesDone_) return false;
    ScanEngine& e = engine_;
    if (e.onlyValue_) return OnlyValue(value);
    std::uint32_t type = 0;
    if ((valueIndex_ == 0 && e.StopNoticed()) ||
        !EnumValueWithin(e.registry_, key_, valueIndex_, e.valueName_, kValueNameChars, type,
                         e.valueData_, kValueDataBytes)) {
        valuesDone_ = true;
        return false;
    }
    ++valueIndex_;
    hadValues_ = true;
    if (e.StopNoticed()) {
        valuesDone_ = true;
        return false;
    }
    value.name = e.valueName_;
    value.type = type;
    value.data = e.valueData_;
    return true;
}

bool KeyScan::OnlyValue(ScanValue& value) {
    ScanEngine& e = engine_;
    valuesDone_ = true;
    // One read into the walk's own buffer: a value the walk could not have enumerated (its
    // name or data too long) is not there for the rules either.
    if (UnitsAtLeast(*e.onlyValue_, kValueNameChars)) return false;
    auto read = ReadValueWithin(e.registry_, key_, *e.onlyValue_, kValueDataBytes);
    if (!read) return false;
    const std::uint32_t type = read->type;
    e.valueData_ = std::move(read->data);
    hadValues_ = true;
    e.valueName_ = *e.onlyValue_;
    value.name = e.valueName_;
    value.type = type;
    value.data = e.valueData_;
    return true;
}

bool KeyScan::HoldsNothing() {
    auto info = engine_.registry_.QueryKeyInfo(key_);
    return info && info->values == 0 && info->subkeys == 0;
}

std::optional<std::string> KeyScan::DefaultText(std::size_t bufferChars) {
    auto value = engine_.registry_.ReadValueWhole(key_, {});
    if (!value ||
        (value->data.size() >= bufferChars && DataChars(value->type, value->data) >= bufferChars))
        return std::nullopt;
    return DataText(value->data);
}

std::vector<std::string> KeyScan::SubkeyNames() {
    std::vector<std::string> names;
    std::string child;
    for (std::uint32_t i = 0; engine_.registry_.EnumKey(key_, i, child, kKeyNameChars); ++i)
        names.push_back(child);
    return names;
}

std::optional<std::string> KeyScan::SubkeyDefaultText(std::string_view subPath) {
    Registry& reg = engine_.registry_;
    RegKey sub(reg, reg.OpenKeyRead(key_, subPath));
    if (!sub) return std::nullopt;
    auto value = reg.ReadValueWhole(sub.get(), {});
    if (!value) return std::nullopt;
    return DataText(value->data);
}

bool KeyScan::Missing(std::string_view path) {
    return engine_.Missing(path, false, TextShape::Path);
}

bool KeyScan::MissingExpanded(std::string_view text) {
    return engine_.Missing(text, true, TextShape::Path);
}

bool KeyScan::CommandMissing(std::string_view command, bool expand) {
    return engine_.Missing(command, expand, TextShape::Command);
}

bool KeyScan::ClassKeyMissing(std::string_view name) {
    return engine_.ClassKeyMissing(name);
}

bool KeyScan::AppPathMissing(std::string_view name) {
    engine_.Record(ScanEngine::Judged::AppPath, name);
    return engine_.judge_.IsAppPathMissing(name);
}

bool KeyScan::ProgramMissing(std::string_view name) {
    engine_.Record(ScanEngine::Judged::Program, name);
    return !engine_.judge_.SearchProgram(name);
}

void KeyScan::Note(std::string_view checked) {
    engine_.Record(ScanEngine::Judged::Note, checked);
}

PathJudge& KeyScan::Judge() {
    return engine_.judge_;
}

const std::string& KeyScan::FontsFolder() const {
    return engine_.fontsFolder_;
}

Registry& AreaScan::registry() {
    return engine_.registry_;
}

System& AreaScan::system() {
    return engine_.system_;
}

bool AreaScan::Report(RootKey root, std::string_view keyPath, std::string_view valueName,
                      std::string_view valueText, std::string_view reason, FindingKind kind,
                      std::string_view lookedFor) {
    if (engine_.StopNoticed()) return false;
    engine_.currentRoot_ = root;
    engine_.Record(lookedFor.empty() ? ScanEngine::Judged::None : ScanEngine::Judged::Note,
                   lookedFor);
    engine_.ReportFinding(keyPath, valueName, valueText, reason, kind);
    return true;
}

void KeyScan::Report(std::string_view valueName, std::string_view valueText,
                     std::string_view reason, FindingKind kind) {
    engine_.ReportFinding(path_, valueName, valueText, reason, kind);
}

} // namespace zt
