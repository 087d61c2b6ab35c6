#pragma once
// The registry access seam. Reads report failure as absence (a missing handle or none);
// deletions and writes return a Status that keeps the cause. Never an exception.
//
// Text is UTF-8 (seams/Unicode.h): key and value names, and the data of the string types
// (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ), which the platform stores as UTF-16 and converts at
// the call, unit for unit, the terminating zero kept as stored (a trailing odd byte has no
// UTF-8 form; the *Stored calls see it). Name limits and name buffers count UTF-16 units, as
// the registry does (255 for a key name, 16,383 for a value name).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "seams/Status.h"
#include "seams/AsciiText.h"

namespace zt {

// A root is the platform's predefined key value, stored as a number.
using RootKey = std::uint32_t;
inline constexpr RootKey kClassesRoot = 0x80000000u;
inline constexpr RootKey kCurrentUser = 0x80000001u;
inline constexpr RootKey kLocalMachine = 0x80000002u;
inline constexpr RootKey kUsers = 0x80000003u;
inline constexpr RootKey kCurrentConfig = 0x80000005u;

// Opaque key handle. 0 is "none". A root's handle is its predefined value, so any
// operation that takes a parent key also takes a root.
using HKey = std::uintptr_t;
inline constexpr HKey kNoKey = 0;
inline constexpr HKey RootHandle(RootKey root) {
    return static_cast<HKey>(root);
}

// The registry's documented limits; names count UTF-16 units.
inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// Registry value type numbers, as the platform numbers them.
enum RegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegLink = 6,
    kRegMultiSz = 7,
    kRegResourceList = 8,
    kRegFullResourceDescriptor = 9,
    kRegResourceRequirementsList = 10,
    kRegQword = 11,
};

enum class Access { Read, Write, AllAccess };

struct RegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

struct KeyInfo {
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    std::uint32_t maxSubkeyNameChars = 0; // without the terminating zero
    std::uint32_t maxValueNameChars = 0;  // without the terminating zero
    std::uint32_t maxValueDataBytes = 0;  // holds any value's data, in either form
};

inline bool IsStringType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}
// A value's data in the program's form from the stored form, and back: string types convert
// between UTF-16LE units and UTF-8 (a trailing odd byte is dropped); other types pass as they are.
std::vector<std::uint8_t> DataFromStored(std::uint32_t type, const std::uint8_t* data,
                                         std::size_t size);
std::vector<std::uint8_t> DataToStored(std::uint32_t type, const std::uint8_t* data,
                                       std::size_t size);
// The most bytes the program's form of `storedBytes` stored bytes can take.
inline std::uint32_t DataBytesBound(std::uint32_t storedBytes) {
    return storedBytes + storedBytes / 2 + 1;
}

class Registry {
  public:
    virtual ~Registry() = default;

    // kNoKey when it fails; OpenKeyStatus tells why.
    virtual HKey OpenKey(HKey parent, std::string_view subkey, Access access) {
        HKey out = kNoKey;
        // The missing handle says it failed; a caller who needs the cause calls OpenKeyStatus.
        (void)OpenKeyStatus(parent, subkey, access, out);
        return out;
    }
    // As OpenKey, with the cause when it fails (`out` is kNoKey then).
    virtual Status OpenKeyStatus(HKey parent, std::string_view subkey, Access access,
                                 HKey& out) = 0;
    // Creates or opens a non-volatile key with read, create-subkey and set-value rights.
    virtual HKey CreateKey(HKey parent, std::string_view subkey) = 0;
    virtual void CloseKey(HKey key) = 0; // closing kNoKey or a root is harmless

    // Zero-fills `size` bytes of `buffer`, then reads the value. False when missing or
    // larger than `size`. `type` and `dataSize` are filled on success when given.
    virtual bool ReadValue(HKey key, std::string_view name, void* buffer, std::uint32_t size,
                           std::uint32_t* type = nullptr, std::uint32_t* dataSize = nullptr) = 0;
    // Reads a value whole, whatever its size.
    virtual std::optional<RegValue> ReadValueWhole(HKey key, std::string_view name) = 0;

    virtual Status WriteValue(HKey key, std::string_view name, std::uint32_t type, const void* data,
                              std::uint32_t size) = 0;

    // Name of subkey `index` into `name`; false when the index fails, including a name
    // that would not fit a buffer of `bufferChars` characters with its terminating zero.
    virtual bool EnumKey(HKey key, std::uint32_t index, std::string& name,
                         std::uint32_t bufferChars) = 0;
    // Value `index`: its name, type and data. False when the index fails, including a name
    // or data too large for `nameBufferChars` / `dataBufferBytes`.
    virtual bool EnumValue(HKey key, std::uint32_t index, std::string& name,
                           std::uint32_t nameBufferChars, std::uint32_t& type,
                           std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes) = 0;
    virtual std::optional<KeyInfo> QueryKeyInfo(HKey key) = 0;
    // The registry's own full name of an open key, where the platform tells it: two handles
    // with one name are one key (a path through the 32-bit view may lead to a key the views
    // share). None when unknown.
    virtual std::optional<std::string> KeyObjectName(HKey /*key*/) { return std::nullopt; }
    // The value as the registry stores it: string types as UTF-16LE units, byte for byte,
    // whatever they hold (no terminating zero, an odd byte, unpaired surrogates). For the
    // backup and its verification, which must give back exactly what was there.
    virtual bool EnumValueStored(HKey key, std::uint32_t index, std::string& name,
                                 std::uint32_t nameBufferChars, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data,
                                 std::uint32_t dataBufferBytes) = 0;
    virtual std::optional<RegValue> ReadValueStored(HKey key, std::string_view name) = 0;
    // Writes `data` as it is, string types included (UTF-16LE units).
    virtual Status WriteValueStored(HKey key, std::string_view name, std::uint32_t type,
                                    const void* data, std::uint32_t size) = 0;

    virtual Status DeleteValue(HKey key, std::string_view name) = 0;
    // Deletes `subkey` of `parent` with everything below it.
    virtual Status DeleteKeyTree(HKey parent, std::string_view subkey) = 0;

    // Convenience operations of the access interface, built on the ones above.
    HKey OpenKeyRead(HKey parent, std::string_view subkey) {
        return OpenKey(parent, subkey, Access::Read);
    }
    HKey OpenKeyAllAccess(HKey parent, std::string_view subkey) {
        return OpenKey(parent, subkey, Access::AllAccess);
    }
    bool ReadValueTyped(HKey key, std::string_view name, void* buffer, std::uint32_t size,
                        std::uint32_t& type) {
        return ReadValue(key, name, buffer, size, &type, nullptr);
    }
    // As ReadValue into four bytes: a shorter value reads zero-filled, a longer one as absent.
    bool ReadDword(HKey key, std::string_view name, std::uint32_t& number);
    // String value whose byte count is the text length without the terminating zero.
    Status WriteString(HKey key, std::string_view name, std::string_view text);
    Status WriteDword(HKey key, std::string_view name, std::uint32_t number);
};

// Owns one open key and closes it when it goes.
class RegKey {
  public:
    RegKey() = default;
    RegKey(Registry& reg, HKey key) : reg_(&reg), key_(key) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& o) noexcept : reg_(o.reg_), key_(std::exchange(o.key_, kNoKey)) {}
    RegKey& operator=(RegKey&& o) noexcept {
        if (this != &o) {
            Reset();
            reg_ = o.reg_;
            key_ = std::exchange(o.key_, kNoKey);
        }
        return *this;
    }
    ~RegKey() { Reset(); }

    HKey get() const { return key_; }
    explicit operator bool() const { return key_ != kNoKey; }
    HKey release() { return std::exchange(key_, kNoKey); }
    void Reset() {
        if (reg_ && key_ != kNoKey) reg_->CloseKey(key_);
        key_ = kNoKey;
    }

  private:
    Registry* reg_ = nullptr;
    HKey key_ = kNoKey;
};

// "HKEY_CLASSES_ROOT" ...; the empty string for any other root.
std::string_view RootFullName(RootKey root);
// "HKCR\" ...; the empty string for any other root.
std::string_view RootAbbreviation(RootKey root);
// The root whose full name or abbreviation (with or without the backslash) is `text`.
std::optional<RootKey> RootFromName(std::string_view text);

bool IsPredefinedRoot(HKey key);

} // namespace zt
