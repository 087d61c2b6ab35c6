#include "platform/win32/Win32FileSignatures.h"

namespace zt {

// Placeholder until the signature reader lands: no file is claimed signed.
FileSignature Win32FileSignatures::Read(std::string_view) {
    return {};
}

} // namespace zt
