#pragma once
// A sink that records what a scan reports, and small helpers to plant registry entries.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "seams/Registry.h"
#include "scan/ScanEngine.h"
#include "scan/ScanSink.h"

namespace zt::test {

class RecordingSink : public ScanSink {
  public:
    void AddFinding(ScanRow row) override {
        std::lock_guard<std::mutex> lock(mutex);
        rows.push_back(std::move(row));
        if (onFinding) onFinding(rows.size());
    }
    void ScanProgress(std::string_view path) override {
        std::lock_guard<std::mutex> lock(mutex);
        progress.emplace_back(path);
    }
    void ScanFinished(const ScanSummary& summary) override {
        finishedCount = summary.count;
        stopped = summary.stopped;
        ++finishedCalls;
    }

    // The row whose PATH text is `path`, or null.
    const ScanRow* Find(const std::string& path) const {
        for (const auto& r : rows)
            if (NamesEqual(r.path, path)) return &r;
        return nullptr;
    }
    std::size_t CountUnder(const std::string& prefix) const {
        std::size_t n = 0;
        for (const auto& r : rows)
            if (r.path.size() >= prefix.size() &&
                NamesEqual(r.path.substr(0, prefix.size()), prefix))
                ++n;
        return n;
    }

    std::mutex mutex;
    std::vector<ScanRow> rows;
    std::vector<std::string> progress;
    int finishedCount = -1;
    int finishedCalls = 0;
    bool stopped = false;
    std::function<void(std::size_t)> onFinding;
};

// A whole scan of `areas` alone, reported to `sink`.
inline void ScanAreas(Registry& reg, System& sys, ScanSink& sink, const std::vector<int>& areas) {
    ScanEngine engine(reg, sys, sink);
    engine.SetAllCategories(false);
    for (int area : areas)
        engine.categoryEnabled[area] = true;
    engine.BeginScan();
    engine.RunScan();
}

inline void SetString(Registry& reg, RootKey root, const std::string& path, const std::string& name,
                      const std::string& data, std::uint32_t type = kRegSz) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), path));
    EXPECT_TRUE(reg.WriteValue(key.get(), name, type, data.c_str(),
                               static_cast<std::uint32_t>(data.size() + 1)));
}
inline void SetRaw(Registry& reg, RootKey root, const std::string& path, const std::string& name,
                   std::uint32_t type, const std::string& bytes) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), path));
    EXPECT_TRUE(reg.WriteValue(key.get(), name, type, bytes.data(),
                               static_cast<std::uint32_t>(bytes.size())));
}
inline void SetDword(Registry& reg, RootKey root, const std::string& path, const std::string& name,
                     std::uint32_t n) {
    RegKey key(reg, reg.CreateKey(RootHandle(root), path));
    EXPECT_TRUE(reg.WriteDword(key.get(), name, n));
}
inline void MakeKey(Registry& reg, RootKey root, const std::string& path) {
    reg.CloseKey(reg.CreateKey(RootHandle(root), path));
}

} // namespace zt::test
