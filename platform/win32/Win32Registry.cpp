#include "platform/win32/Win32Registry.h"

#include "seams/Unicode.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zt {

namespace {

// Roots travel as their 32-bit predefined values; the platform wants them sign-extended.
HKEY ToHkey(HKey key) {
    if (IsPredefinedRoot(key))
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
    return reinterpret_cast<HKEY>(key);
}
HKey FromHkey(HKEY key) {
    return reinterpret_cast<HKey>(key);
}

REGSAM Rights(Access access) {
    switch (access) {
    case Access::Read:
        return KEY_READ;
    case Access::Write:
        return KEY_WRITE;
    case Access::AllAccess:
        return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

// Names go to the platform as zero-terminated UTF-16.
std::wstring W(std::string_view s) {
    return ToWide(s);
}

// Reads one value as stored, growing the buffer when it grew between the calls.
std::optional<RegValue> QueryStored(HKEY key, const std::wstring& name) {
    DWORD size = 0;
    DWORD t = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value;
    for (int attempt = 0; attempt < 4; ++attempt) {
        value.data.assign(size + 2, 0);
        DWORD got = size + 2;
        LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &t, value.data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            value.data.resize(got);
            value.type = t;
            return value;
        }
        if (rc != ERROR_MORE_DATA) return std::nullopt;
        size = got;
    }
    return std::nullopt;
}

} // namespace

Status Win32Registry::OpenKeyStatus(HKey parent, std::string_view subkey, Access access,
                                    HKey& out) {
    out = kNoKey;
    if (parent == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(ToHkey(parent), W(subkey).c_str(), 0, Rights(access), &key);
    if (rc == ERROR_SUCCESS) out = FromHkey(key);
    return StatusFromOsError(static_cast<std::uint32_t>(rc));
}

HKey Win32Registry::CreateKey(HKey parent, std::string_view subkey) {
    if (parent == kNoKey) return kNoKey;
    HKEY out = nullptr;
    if (RegCreateKeyExW(ToHkey(parent), W(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &out,
                        nullptr) != ERROR_SUCCESS)
        return kNoKey;
    return FromHkey(out);
}

void Win32Registry::CloseKey(HKey key) {
    if (key == kNoKey || IsPredefinedRoot(key)) return;
    RegCloseKey(ToHkey(key));
}

bool Win32Registry::ReadValue(HKey key, std::string_view name, void* buffer, std::uint32_t size,
                              std::uint32_t* type, std::uint32_t* dataSize) {
    if (buffer && size) std::memset(buffer, 0, size);
    auto value = ReadValueWhole(key, name);
    if (!value || value->data.size() > size) return false;
    if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
    if (type) *type = value->type;
    if (dataSize) *dataSize = static_cast<std::uint32_t>(value->data.size());
    return true;
}

std::optional<RegValue> Win32Registry::ReadValueWhole(HKey key, std::string_view name) {
    auto value = ReadValueStored(key, name);
    if (value) value->data = DataFromStored(value->type, value->data.data(), value->data.size());
    return value;
}

std::optional<RegValue> Win32Registry::ReadValueStored(HKey key, std::string_view name) {
    if (key == kNoKey) return std::nullopt;
    return QueryStored(ToHkey(key), W(name));
}

Status Win32Registry::WriteValue(HKey key, std::string_view name, std::uint32_t type,
                                 const void* data, std::uint32_t size) {
    auto stored = DataToStored(type, static_cast<const std::uint8_t*>(data), size);
    return WriteValueStored(key, name, type, stored.data(),
                            static_cast<std::uint32_t>(stored.size()));
}

Status Win32Registry::WriteValueStored(HKey key, std::string_view name, std::uint32_t type,
                                       const void* data, std::uint32_t size) {
    if (key == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    return StatusFromOsError(static_cast<std::uint32_t>(RegSetValueExW(
        ToHkey(key), W(name).c_str(), 0, type, static_cast<const BYTE*>(data), size)));
}

bool Win32Registry::EnumKey(HKey key, std::uint32_t index, std::string& name,
                            std::uint32_t bufferChars) {
    if (key == kNoKey || bufferChars == 0) return false;
    thread_local std::vector<wchar_t> buf;
    if (buf.size() < bufferChars) buf.resize(bufferChars);
    DWORD n = bufferChars;
    if (RegEnumKeyExW(ToHkey(key), index, buf.data(), &n, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return false;
    if (n >= bufferChars) return false;
    name = FromWide(std::wstring_view(buf.data(), n));
    return true;
}

bool Win32Registry::EnumValue(HKey key, std::uint32_t index, std::string& name,
                              std::uint32_t nameBufferChars, std::uint32_t& type,
                              std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes) {
    // The stored form of text takes at most twice its UTF-8 bytes (+ an odd byte).
    std::uint32_t t = 0;
    std::uint64_t storedBytes = static_cast<std::uint64_t>(dataBufferBytes) * 2 + 2;
    if (!EnumValueStored(
            key, index, name, nameBufferChars, t, data,
            static_cast<std::uint32_t>(std::min<std::uint64_t>(storedBytes, UINT32_MAX))))
        return false;
    if (IsStringType(t)) data = DataFromStored(t, data.data(), data.size());
    if (data.size() > dataBufferBytes) return false;
    type = t;
    return true;
}

bool Win32Registry::EnumValueStored(HKey key, std::uint32_t index, std::string& name,
                                    std::uint32_t nameBufferChars, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data,
                                    std::uint32_t dataBufferBytes) {
    if (key == kNoKey || nameBufferChars == 0) return false;
    // Per-thread name buffer: the scan and the export read values at a high rate.
    thread_local std::vector<wchar_t> wname;
    if (wname.size() < nameBufferChars) wname.resize(nameBufferChars);
    data.resize(dataBufferBytes);
    DWORD n = nameBufferChars;
    DWORD t = 0;
    DWORD d = dataBufferBytes;
    if (RegEnumValueW(ToHkey(key), index, wname.data(), &n, nullptr, &t,
                      dataBufferBytes ? data.data() : nullptr, &d) != ERROR_SUCCESS)
        return false;
    if (n >= nameBufferChars || d > dataBufferBytes) return false;
    name = FromWide(std::wstring_view(wname.data(), n));
    type = t;
    data.resize(d);
    return true;
}

std::optional<KeyInfo> Win32Registry::QueryKeyInfo(HKey key) {
    if (key == kNoKey) return std::nullopt;
    DWORD subkeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr,
                         &values, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return KeyInfo{subkeys, values, maxSub, maxName, DataBytesBound(maxData)};
}

std::optional<std::string> Win32Registry::KeyObjectName(HKey key) {
    if (key == kNoKey || IsPredefinedRoot(key)) return std::nullopt;
    // NtQueryKey with KeyNameInformation: a ULONG byte count, then the name in UTF-16.
    using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query) return std::nullopt;
    constexpr int kKeyNameInformation = 3;
    std::vector<ULONG> buffer(1024); // a key's full name stays far below 4 KiB
    ULONG got = 0;
    if (query(ToHkey(key), kKeyNameInformation, buffer.data(),
              static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &got) != 0)
        return std::nullopt;
    const ULONG bytes = buffer[0];
    if (bytes > (buffer.size() - 1) * sizeof(ULONG)) return std::nullopt;
    const auto* name = reinterpret_cast<const wchar_t*>(buffer.data() + 1);
    const int chars = static_cast<int>(bytes / sizeof(wchar_t));
    return FoldName(FromWide(std::wstring_view(name, static_cast<std::size_t>(chars))));
}

Status Win32Registry::DeleteValue(HKey key, std::string_view name) {
    if (key == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    return StatusFromOsError(
        static_cast<std::uint32_t>(RegDeleteValueW(ToHkey(key), W(name).c_str())));
}

Status Win32Registry::DeleteKeyTree(HKey parent, std::string_view subkey) {
    if (parent == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    std::wstring s = W(subkey);
    LONG rc = RegDeleteTreeW(ToHkey(parent), s.empty() ? nullptr : s.c_str());
    if (rc != ERROR_SUCCESS) return StatusFromOsError(static_cast<std::uint32_t>(rc));
    // The tree call empties the key; the key itself goes with the plain delete.
    if (s.empty()) return Status::Success();
    rc = RegDeleteKeyW(ToHkey(parent), s.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return Status::Success();
    return StatusFromOsError(static_cast<std::uint32_t>(rc));
}

} // namespace zt
