#pragma once
// Authenticode signatures (embedded or through the system's catalogues) and version
// information, read through the system. Every reader in the process shares one cache of the
// results, keyed by path, size and write time, so readers may be made freely.
#include "seams/FileSignatures.h"

namespace zt {

class Win32FileSignatures : public FileSignatures {
  public:
    FileSignature Read(std::string_view path) override;
};

} // namespace zt
