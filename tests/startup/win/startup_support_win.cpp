#include "startup/startup_support.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "seams/Unicode.h"
#include "startup/StartupApproval.h"
#include "startup/StartupLocations.h"

namespace zt::test {

namespace {

struct ValueCopy {
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

struct KeyCopy {
    bool existed = false;
    std::vector<ValueCopy> values;
    std::vector<std::pair<std::string, KeyCopy>> subkeys;
};

KeyCopy CopyKey(Registry& reg, HKey parent, const std::string& path) {
    KeyCopy copy;
    RegKey key(reg, reg.OpenKeyRead(parent, path));
    if (!key) return copy;
    copy.existed = true;
    std::string name;
    std::vector<std::uint8_t> data;
    std::uint32_t type = 0;
    for (std::uint32_t i = 0; reg.EnumValue(key.get(), i, name, 16384, type, data, 1 << 20); ++i)
        copy.values.push_back({name, type, data});
    for (std::uint32_t i = 0; reg.EnumKey(key.get(), i, name, 256); ++i)
        copy.subkeys.emplace_back(name, CopyKey(reg, key.get(), name));
    return copy;
}

void PutBack(Registry& reg, HKey parent, const std::string& path, const KeyCopy& copy) {
    if (!copy.existed) return;
    RegKey key(reg, reg.CreateKey(parent, path));
    for (const auto& v : copy.values)
        EXPECT_TRUE(reg.WriteValue(key.get(), v.name, v.type, v.data.data(),
                                   static_cast<std::uint32_t>(v.data.size())));
    for (const auto& [name, sub] : copy.subkeys)
        PutBack(reg, key.get(), name, sub);
}

const std::string_view kWholeKeys[] = {kRunKeyPath,
                                       kPoliciesRunKeyPath,
                                       kRunServicesOnceKeyPath,
                                       kRunServicesKeyPath,
                                       kRunOnceKeyPath,
                                       kRunOnceExKeyPath,
                                       kRun32KeyPath,
                                       kPoliciesRun32KeyPath,
                                       kRunServicesOnce32KeyPath,
                                       kRunServices32KeyPath,
                                       kRunOnce32KeyPath,
                                       kRunOnceEx32KeyPath,
                                       kStartupApprovedKeyPath};

struct SingleValue {
    RootKey root;
    std::string_view keyPath;
    const char* name;
};
const SingleValue kSingleValues[] = {{kCurrentUser, kWindowsKeyPath, "load"},
                                     {kCurrentUser, kWindowsKeyPath, "run"},
                                     {kLocalMachine, kWinlogonKeyPath, "Userinit"},
                                     {kLocalMachine, kWinlogonKeyPath, "Shell"}};

std::string FolderOf(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buf);
    return FromWide(buf);
}

// The program's paths are UTF-8; the streams take them wide.
std::filesystem::path Wide(const std::string& path) {
    return std::filesystem::path(ToWide(path));
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(Wide(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

struct StartupSandbox::Saved {
    std::vector<std::pair<std::pair<RootKey, std::string>, KeyCopy>> keys;
    std::vector<std::pair<SingleValue, std::optional<RegValue>>> values;
    std::vector<std::pair<std::string, std::string>> files; // full path, content
};

StartupSandbox::StartupSandbox(Registry& reg, System& sys)
    : reg_(reg), sys_(sys), saved_(std::make_unique<Saved>()) {
    for (RootKey root : {kLocalMachine, kCurrentUser})
        for (auto path : kWholeKeys) {
            std::string p(path);
            saved_->keys.push_back({{root, p}, CopyKey(reg, RootHandle(root), p)});
            (void)reg.DeleteKeyTree(RootHandle(root), p);
        }
    for (const auto& sv : kSingleValues) {
        RegKey key(reg, reg.OpenKeyAllAccess(RootHandle(sv.root), sv.keyPath));
        std::optional<RegValue> value;
        if (key) {
            value = reg.ReadValueWhole(key.get(), sv.name);
            (void)reg.DeleteValue(key.get(), sv.name);
        }
        saved_->values.push_back({sv, value});
    }
    commonFolder_ = FolderOf(CSIDL_COMMON_STARTUP);
    userFolder_ = FolderOf(CSIDL_STARTUP);
    for (const auto* folder : {&commonFolder_, &userFolder_}) {
        std::vector<std::string> names;
        sys.EnumDirectory(*folder, [&](const DirEntry& e) {
            names.push_back(e.name);
            return true;
        });
        for (const auto& name : names) {
            std::string path = JoinPath(*folder, name);
            if (sys.IsDirectory(path)) {
                (void)sys.RemoveFolder(path); // only empty ones; tests leave none behind
                continue;
            }
            saved_->files.emplace_back(path, ReadAll(path));
            (void)sys.RemoveFile(path);
        }
    }
}

StartupSandbox::~StartupSandbox() {
    for (RootKey root : {kLocalMachine, kCurrentUser})
        for (auto path : kWholeKeys)
            (void)reg_.DeleteKeyTree(RootHandle(root), path);
    for (const auto& [where, copy] : saved_->keys)
        PutBack(reg_, RootHandle(where.first), where.second, copy);
    for (const auto& [sv, value] : saved_->values) {
        RegKey key(reg_, reg_.CreateKey(RootHandle(sv.root), sv.keyPath));
        (void)reg_.DeleteValue(key.get(), sv.name);
        if (value) {
            EXPECT_TRUE(reg_.WriteValue(key.get(), sv.name, value->type, value->data.data(),
                                        static_cast<std::uint32_t>(value->data.size())));
        }
    }
    for (const auto* folder : {&commonFolder_, &userFolder_}) {
        std::vector<std::string> names;
        sys_.EnumDirectory(*folder, [&](const DirEntry& e) {
            names.push_back(e.name);
            return true;
        });
        for (const auto& name : names) {
            std::string path = JoinPath(*folder, name);
            SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!sys_.RemoveFile(path)) (void)sys_.RemoveFolder(path);
        }
    }
    for (const auto& [path, content] : saved_->files) {
        std::ofstream out(Wide(path), std::ios::binary);
        out << content;
    }
}

std::optional<std::string> ReadWholeFile(System&, const std::string& path) {
    std::ifstream in(Wide(path), std::ios::binary);
    if (!in) return std::nullopt;
    return ReadAll(path);
}

void PlantShortcut(System&, const std::string& linkPath, const std::string& target) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(ToWide(target).c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Save(ToWide(linkPath).c_str(), TRUE))) << linkPath;
    file->Release();
    link->Release();
    if (SUCCEEDED(init)) CoUninitialize();
}

} // namespace zt::test
