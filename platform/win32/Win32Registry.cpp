#include "platform/win32/Win32Registry.h"

#include <windows.h>

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

// The ANSI calls want zero-terminated names.
std::string Z(std::string_view s) {
    return std::string(s);
}

} // namespace

Status Win32Registry::OpenKeyStatus(HKey parent, std::string_view subkey, Access access,
                                    HKey& out) {
    out = kNoKey;
    if (parent == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(ToHkey(parent), Z(subkey).c_str(), 0, Rights(access), &key);
    if (rc == ERROR_SUCCESS) out = FromHkey(key);
    return StatusFromOsError(static_cast<std::uint32_t>(rc));
}

HKey Win32Registry::CreateKey(HKey parent, std::string_view subkey) {
    if (parent == kNoKey) return kNoKey;
    HKEY out = nullptr;
    if (RegCreateKeyExA(ToHkey(parent), Z(subkey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
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
    if (key == kNoKey) return false;
    DWORD t = 0;
    DWORD n = size;
    if (RegQueryValueExA(ToHkey(key), Z(name).c_str(), nullptr, &t, static_cast<BYTE*>(buffer),
                         &n) != ERROR_SUCCESS)
        return false;
    if (n > size) return false; // never trust a size beyond the buffer
    if (type) *type = t;
    if (dataSize) *dataSize = n;
    return true;
}

std::optional<RegValue> Win32Registry::ReadValueWhole(HKey key, std::string_view name) {
    if (key == kNoKey) return std::nullopt;
    std::string n = Z(name);
    RegValue value;
    DWORD size = 0;
    DWORD t = 0;
    if (RegQueryValueExA(ToHkey(key), n.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    // The value may grow between the two calls; retry a few times with the reported size.
    for (int attempt = 0; attempt < 4; ++attempt) {
        value.data.assign(size + 2, 0);
        DWORD got = size + 2;
        LONG rc = RegQueryValueExA(ToHkey(key), n.c_str(), nullptr, &t, value.data.data(), &got);
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

Status Win32Registry::WriteValue(HKey key, std::string_view name, std::uint32_t type,
                                 const void* data, std::uint32_t size) {
    if (key == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    return StatusFromOsError(static_cast<std::uint32_t>(RegSetValueExA(
        ToHkey(key), Z(name).c_str(), 0, type, static_cast<const BYTE*>(data), size)));
}

bool Win32Registry::EnumKey(HKey key, std::uint32_t index, std::string& name,
                            std::uint32_t bufferChars) {
    if (key == kNoKey || bufferChars == 0) return false;
    std::string buf(bufferChars, '\0');
    DWORD n = bufferChars;
    if (RegEnumKeyExA(ToHkey(key), index, buf.data(), &n, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return false;
    if (n >= bufferChars) return false;
    name.assign(buf.data(), n);
    return true;
}

bool Win32Registry::EnumValue(HKey key, std::uint32_t index, std::string& name,
                              std::uint32_t nameBufferChars, std::uint32_t& type,
                              std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes) {
    if (key == kNoKey || nameBufferChars == 0) return false;
    std::string nbuf(nameBufferChars, '\0');
    data.assign(dataBufferBytes, 0);
    DWORD n = nameBufferChars;
    DWORD t = 0;
    DWORD d = dataBufferBytes;
    if (RegEnumValueA(ToHkey(key), index, nbuf.data(), &n, nullptr, &t,
                      dataBufferBytes ? data.data() : nullptr, &d) != ERROR_SUCCESS)
        return false;
    if (n >= nameBufferChars || d > dataBufferBytes) return false;
    name.assign(nbuf.data(), n);
    type = t;
    data.resize(d);
    return true;
}

namespace {
// Converts to the ANSI code page without approximations; false when any character had none.
bool ToAnsiExact(const wchar_t* text, std::size_t chars, std::string& out) {
    out.clear();
    if (chars == 0) return true;
    // Two bytes per character cover every ANSI code page, so one call does.
    out.resize(chars * 2);
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(chars),
                                out.data(), static_cast<int>(out.size()), nullptr, &usedDefault);
    if (n <= 0) return false;
    out.resize(static_cast<std::size_t>(n));
    return !usedDefault;
}
} // namespace

bool Win32Registry::EnumValueChecked(HKey key, std::uint32_t index, std::string& name,
                                     std::uint32_t nameBufferChars, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data, std::uint32_t dataBufferBytes,
                                     bool& exact) {
    exact = false;
    if (key == kNoKey || nameBufferChars == 0) return false;
    // Read through the wide interface so the conversion's losses can be seen; the buffer
    // sizes keep their ANSI meaning (a text's wide form takes up to twice its bytes).
    // Per-thread buffers: the export reads values one after another at a high rate.
    thread_local std::vector<wchar_t> wname;
    thread_local std::vector<BYTE> wdata;
    thread_local std::string text;
    if (wname.size() < nameBufferChars) wname.resize(nameBufferChars);
    if (wdata.size() < static_cast<std::size_t>(dataBufferBytes) * 2 + 2)
        wdata.resize(static_cast<std::size_t>(dataBufferBytes) * 2 + 2);
    DWORD n = nameBufferChars;
    DWORD t = 0;
    DWORD d = static_cast<DWORD>(dataBufferBytes) * 2 + 2;
    if (RegEnumValueW(ToHkey(key), index, wname.data(), &n, nullptr, &t, wdata.data(), &d) !=
        ERROR_SUCCESS)
        return false;
    if (n >= nameBufferChars || d > static_cast<DWORD>(dataBufferBytes) * 2 + 2) return false;
    bool nameExact = ToAnsiExact(wname.data(), n, name);
    if (name.size() >= nameBufferChars) return false;
    type = t;
    bool dataExact = true;
    if (t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ) {
        dataExact =
            d % 2 == 0 && ToAnsiExact(reinterpret_cast<const wchar_t*>(wdata.data()), d / 2, text);
        data.assign(text.begin(), text.end());
    } else {
        data.assign(wdata.begin(), wdata.begin() + d);
    }
    if (data.size() > dataBufferBytes) return false;
    exact = nameExact && dataExact;
    return true;
}

std::optional<RegValue> Win32Registry::ReadValueChecked(HKey key, std::string_view name,
                                                        bool& exact) {
    exact = false;
    if (key == kNoKey) return std::nullopt;
    // The wide form of the name is what the ANSI calls look up too, so the value read here is
    // the one an ANSI delete of `name` removes.
    std::wstring wname;
    if (!name.empty()) {
        int n =
            MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
        if (n <= 0) return std::nullopt;
        wname.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wname.data(), n);
    }
    std::string back;
    bool nameExact = ToAnsiExact(wname.data(), wname.size(), back) && back == name;
    std::vector<BYTE> raw;
    DWORD size = 0;
    DWORD t = 0;
    if (RegQueryValueExW(ToHkey(key), wname.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    LONG rc = ERROR_MORE_DATA;
    // The value may grow between the two calls; retry a few times with the reported size.
    for (int attempt = 0; attempt < 4 && rc == ERROR_MORE_DATA; ++attempt) {
        raw.assign(size + 2, 0);
        DWORD got = size + 2;
        rc = RegQueryValueExW(ToHkey(key), wname.c_str(), nullptr, &t, raw.data(), &got);
        size = got;
    }
    if (rc != ERROR_SUCCESS) return std::nullopt;
    raw.resize(size);
    RegValue value;
    value.type = t;
    bool dataExact = true;
    if (t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ) {
        std::string text;
        dataExact = size % 2 == 0 &&
                    ToAnsiExact(reinterpret_cast<const wchar_t*>(raw.data()), size / 2, text);
        value.data.assign(text.begin(), text.end());
    } else {
        value.data.assign(raw.begin(), raw.end());
    }
    exact = nameExact && dataExact;
    return value;
}

std::optional<KeyInfo> Win32Registry::QueryKeyInfo(HKey key) {
    if (key == kNoKey) return std::nullopt;
    DWORD subkeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr,
                         &values, &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return KeyInfo{subkeys, values, maxSub, maxName, maxData};
}

std::optional<std::string> Win32Registry::KeyObjectName(HKey key) {
    if (key == kNoKey || IsPredefinedRoot(key)) return std::nullopt;
    // NtQueryKey with KeyNameInformation: a ULONG byte count, then the name in UTF-16.
    using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
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
    std::wstring lower(name, name + chars);
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    int n = ::WideCharToMultiByte(CP_UTF8, 0, lower.data(), chars, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, lower.data(), chars, out.data(), n, nullptr, nullptr);
    return out;
}

Status Win32Registry::DeleteValue(HKey key, std::string_view name) {
    if (key == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    return StatusFromOsError(
        static_cast<std::uint32_t>(RegDeleteValueA(ToHkey(key), Z(name).c_str())));
}

Status Win32Registry::DeleteKeyTree(HKey parent, std::string_view subkey) {
    if (parent == kNoKey) return StatusFromOsError(ERROR_INVALID_HANDLE);
    std::string s = Z(subkey);
    LONG rc = RegDeleteTreeA(ToHkey(parent), s.empty() ? nullptr : s.c_str());
    if (rc != ERROR_SUCCESS) return StatusFromOsError(static_cast<std::uint32_t>(rc));
    // The tree call empties the key; the key itself goes with the plain delete.
    if (s.empty()) return Status::Success();
    rc = RegDeleteKeyA(ToHkey(parent), s.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return Status::Success();
    return StatusFromOsError(static_cast<std::uint32_t>(rc));
}

} // namespace zt
