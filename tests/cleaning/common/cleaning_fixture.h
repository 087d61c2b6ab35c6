#pragma once
// A cleaning run against the test platform, with the backup folder in a scratch folder and
// scripted answers.
#include <gtest/gtest.h>

#include <vector>

#include "backup/BackupStore.h"
#include "cleaning/Cleaning.h"
#include "support/seams.h"
#include "tests/backup/common/backup_test_util.h"

#ifdef _WIN32
#include "platform/win32/Win32System.h"
#else
#include "platform/memory/MemorySystem.h"
#endif

namespace zt::test {

#ifdef _WIN32
using PlatformSystem = Win32System;
#else
using PlatformSystem = MemorySystem;
#endif

// The real system (or the fake) with the application-data folder moved.
struct RedirectedSystem : PlatformSystem {
    std::string appData;
    std::optional<std::string> GetKnownFolder(KnownFolder f) override {
        if (f == KnownFolder::AppData) return appData;
        return PlatformSystem::GetKnownFolder(f);
    }
};

struct ScriptedPrompt : UserPrompt {
    std::vector<int> answers; // taken in order; OK when used up
    std::vector<std::string> shown;
    std::vector<std::string> captions;
    int Ask(std::string_view text, std::string_view caption, PromptButtons) override {
        shown.emplace_back(text);
        captions.emplace_back(caption);
        if (answers.empty()) return kAnswerOk;
        int a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

struct RecordingSink : CleaningSink {
    int refreshes = 0;
    void BackupWritten() override { ++refreshes; }
};

class CleaningTest : public ::testing::Test {
  protected:
    std::unique_ptr<Registry> reg = MakeRegistry();
    RedirectedSystem sys;
    ScratchKey scratch{*reg};
    ScriptedPrompt prompt;
    RecordingSink sink;
    std::unique_ptr<CRegFileWriter> writer;
    FindingVector list;

    void SetUp() override {
#ifndef _WIN32
        sys.AddFolder("C:\\Scratch");
#endif
        sys.appData = ScratchFolder(sys);
        writer = std::make_unique<CRegFileWriter>(*reg, sys);
    }

    CleanOutcome Clean() {
        return CleanTicked(CleaningContext{*reg, sys, *writer, prompt, sink}, list);
    }

    std::string Sub(const std::string& s) const {
        return scratch.path() + "\\" + s;
    }
    void SetDword(const std::string& sub, const std::string& name, std::uint32_t v) {
        RegKey k(*reg, scratch.Create(sub));
        ASSERT_TRUE(k);
        ASSERT_TRUE(reg->WriteDword(k.get(), name, v));
    }
    void SetBinary(const std::string& sub, const std::string& name, std::size_t size) {
        RegKey k(*reg, scratch.Create(sub));
        std::string data(size, 'b');
        ASSERT_TRUE(reg->WriteValue(k.get(), name, kRegBinary, data.data(),
                                    static_cast<std::uint32_t>(size)));
    }
    bool KeyThere(const std::string& sub) {
        return RegKey(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), Sub(sub))).get() != kNoKey;
    }
    bool ValueThere(const std::string& sub, const std::string& name) {
        RegKey k(*reg, reg->OpenKeyRead(RootHandle(kCurrentUser), Sub(sub)));
        std::uint32_t v;
        return k && reg->ReadDword(k.get(), name, v);
    }
    ScanFinding KeyFinding(const std::string& sub) {
        return ScanFinding{kCurrentUser, Sub(sub), {}, FindingKind::Key};
    }
    ScanFinding ValueFinding(const std::string& sub, const std::string& name) {
        return ScanFinding{kCurrentUser, Sub(sub), name, FindingKind::Value};
    }
    std::size_t BackupCount() {
        return ListBackups(sys).size();
    }
    std::string Block(const std::string& sub) {
        return "\r\n[HKEY_CURRENT_USER\\" + Sub(sub) + "]\r\n";
    }
};

} // namespace zt::test
