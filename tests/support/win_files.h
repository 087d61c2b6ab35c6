#pragma once
// Planting for the Windows suites through the wide API: folders and files at any length, and
// registry values in any script.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

inline std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    for (DWORD n = 0; ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0;)
        bytes.append(buf, n);
    CloseHandle(f);
    return bytes;
}

// Each key ("HKEY_...\\path") as the prefix's own regedit exports it, one text each.
inline std::vector<std::string> ExportKeys(const std::vector<std::wstring>& keys) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zt-export.reg";
    std::vector<std::string> texts;
    for (const auto& key : keys) {
        DeleteFileW(file.c_str());
        std::wstring line = L"regedit.exe /e \"" + file + L"\" \"" + key + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        texts.push_back(ReadBytes(file));
        EXPECT_FALSE(texts.back().empty()) << "regedit exported nothing of " << FromWide(key);
    }
    DeleteFileW(file.c_str());
    return texts;
}

} // namespace zt::test
