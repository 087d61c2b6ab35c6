#pragma once
// Authenticode signatures (embedded or through the system's catalogues) and version
// information, read through the system.
#include "seams/FileSignatures.h"

namespace zt {

class Win32FileSignatures : public FileSignatures {
  public:
    FileSignature Read(std::string_view path) override;
};

} // namespace zt
