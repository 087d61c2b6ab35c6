#pragma once
// Signatures a test chooses, by path (compared as Windows compares names); `reads` counts the
// calls, so a test sees what a cache saved.
#include <map>
#include <string>
#include <utility>

#include "seams/FileSignatures.h"
#include "seams/Unicode.h"

namespace zt {

class MemoryFileSignatures : public FileSignatures {
  public:
    void Set(std::string_view path, FileSignature signature) {
        files_[FoldName(path)] = std::move(signature);
    }
    FileSignature Read(std::string_view path) override {
        ++reads;
        auto it = files_.find(FoldName(path));
        return it == files_.end() ? FileSignature{} : it->second;
    }
    int reads = 0;

  private:
    std::map<std::string, FileSignature> files_;
};

} // namespace zt
