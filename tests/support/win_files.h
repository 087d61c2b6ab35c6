#pragma once
// Planting for the Windows suites through the wide API: folders and files at any length, and
// registry values in any script.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "seams/Unicode.h"

namespace zt::test {

// A path of MAX_PATH or more in its long form.
inline std::wstring Long(const std::wstring& path) {
    return path.size() >= MAX_PATH ? L"\\\\?\\" + path : path;
}

inline void MakeFolders(const std::wstring& path) {
    for (std::size_t pos = 3; pos != std::wstring::npos;) {
        pos = path.find(L'\\', pos + 1);
        CreateDirectoryW(Long(path.substr(0, pos)).c_str(), nullptr);
    }
}

// The folder with everything in it.
inline void RemoveAll(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveAll(path + L"\\" + name);
            else
                DeleteFileW(Long(path + L"\\" + name).c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(Long(path).c_str());
}

// Creates the key as needed; an empty name is the default value.
inline void SetValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                     const void* data, DWORD bytes) {
    HKEY k = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
        ERROR_SUCCESS)
        << FromWide(key);
    EXPECT_EQ(RegSetValueExW(k, name.empty() ? nullptr : name.c_str(), 0, type,
                             static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

inline void SetText(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                    const std::wstring& text) {
    SetValue(root, key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
}

} // namespace zt::test
