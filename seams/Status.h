#pragma once
// The outcome of a seam call that changes something: why it failed, not only that it did.
#include <cstdint>
#include <string>

namespace zt {

enum class StatusCode : std::uint8_t { Ok, NotFound, AccessDenied, Failed };

// Dropping one unread hides a failure from the user: the build refuses it.
class [[nodiscard]] Status {
  public:
    static Status Success() { return Status(); }
    static Status From(StatusCode code, std::uint32_t osError = 0) {
        Status s;
        s.code_ = code;
        s.osError_ = code == StatusCode::Ok ? 0 : osError;
        return s;
    }

    bool ok() const { return code_ == StatusCode::Ok; }
    // Implicit, so callers that only ask "did it work" keep their `if (!call(...))`.
    operator bool() const { return ok(); }
    StatusCode code() const { return code_; }
    std::uint32_t osError() const { return osError_; }

    // "access denied", "not found", "error 1234" (or "failed" without a code); "done" when ok.
    std::string Describe() const {
        switch (code_) {
        case StatusCode::Ok:
            return "done";
        case StatusCode::NotFound:
            return "not found";
        case StatusCode::AccessDenied:
            return "access denied";
        case StatusCode::Failed:
            break;
        }
        return osError_ ? "error " + std::to_string(osError_) : std::string("failed");
    }

  private:
    StatusCode code_ = StatusCode::Ok;
    std::uint32_t osError_ = 0;
};

// The platform's error numbers the status names; every other one is a failure with its code.
inline constexpr std::uint32_t kOsErrorFileNotFound = 2;
inline constexpr std::uint32_t kOsErrorPathNotFound = 3;
inline constexpr std::uint32_t kOsErrorAccessDenied = 5;
inline constexpr std::uint32_t kOsErrorInvalidHandle = 6;
inline constexpr std::uint32_t kOsErrorSharingViolation = 32;

// The one conversion of a platform error number (0 is success).
inline Status StatusFromOsError(std::uint32_t error) {
    switch (error) {
    case 0:
        return Status::Success();
    case kOsErrorFileNotFound:
    case kOsErrorPathNotFound:
        return Status::From(StatusCode::NotFound, error);
    case kOsErrorAccessDenied:
        return Status::From(StatusCode::AccessDenied, error);
    default:
        return Status::From(StatusCode::Failed, error);
    }
}

} // namespace zt
