#pragma once
// Who made a program file: the signer of its Authenticode signature when that verifies, else
// the company its version information names, marked as not verified.
#include <string>
#include <string_view>

namespace zt {

struct FileSignature {
    // The signer's name when `verified`; else the version information's company; else empty.
    std::string publisher;
    // A signature is present, intact and chains to a root the machine trusts.
    bool verified = false;
    bool operator==(const FileSignature&) const = default;
};

class FileSignatures {
  public:
    virtual ~FileSignatures() = default;
    // `path` is a full file path with no arguments or quotes. A missing, locked or unreadable
    // file gives an empty result, never an error; nothing is fetched from the network.
    virtual FileSignature Read(std::string_view path) = 0;
};

} // namespace zt
