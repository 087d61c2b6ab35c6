// libFuzzer target: builds a random registry and file system from the input, scans every
// area and checks what the scan reports. Built by tools/fuzz, not by CMake.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "scan/PathJudge.h"
#include "scan/ScanEngine.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/memory/MemorySystem.h"

namespace {

using namespace zt;

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Bytes(std::size_t n) {
        n = std::min(n, size_ - std::min(pos_, size_));
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::size_t Length() {
        // Mostly short, sometimes huge: names and data around the buffer limits.
        std::uint8_t b = Byte();
        if (b < 200) return b % 40;
        if (b < 240) return 200 + b;
        return static_cast<std::size_t>(Byte()) * 16;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

const char* const kNames[] = {"CLSID",
                              "InprocServer32",
                              "PersistentHandler",
                              "ProxyStubClsid32",
                              "command",
                              "shell",
                              "open",
                              ".txt",
                              ".x",
                              "OpenWithList",
                              "OpenWithProgids",
                              ".Current",
                              ".Default",
                              "Software",
                              "Wow6432Node",
                              "Classes",
                              "UserData",
                              "VirtualStore",
                              "TypeLib",
                              "AppID",
                              "Interface",
                              "{00000000-0000-0000-0000-000000000001}",
                              "txtfile",
                              "a",
                              "",
                              "Microsoft",
                              "x\\y"};

const char* const kTexts[] = {"C:\\gone\\x.dll",
                              "C:\\windows\\system32\\real.dll",
                              "c:\\windows\\SYSTEM32\\only32.dll",
                              "\"C:\\gone dir\\app.exe\" /x",
                              "{00000000-0000-0000-0000-000000000001}",
                              "00000000-0000-0000-0000-000000000001",
                              "%windir%\\x.wav",
                              "C:\\",
                              "A:\\x",
                              "\"D:\\",
                              "real.dll",
                              "C:\\a.b:c",
                              "C:\\dir\\name.",
                              "txtfile",
                              "",
                              "C:\\gone\\-x y,z(1)^|<>*%/"};

// Start keys of the value areas, so rules get to run on random content.
const char* const kStarts[] = {"Software",
                               "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls",
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                               "AppEvents\\Schemes\\Apps",
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                               "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                               "SOFTWARE\\Microsoft\\Windows\\Help",
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
                               "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32",
                               ".Default\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"};

const RootKey kRoots[] = {kClassesRoot, kCurrentUser, kLocalMachine, kUsers};

class CheckingSink : public ScanSink {
  public:
    void AddFinding(ScanRow row) override {
        if (Utf16Length(row.path) >= kPathBufferChars) std::abort();
        if (row.path.empty() ||
            row.path[row.path.size() - 1 - row.finding.valueName.size()] != '\\')
            std::abort();
        if (row.valueText.empty() || row.reason.empty()) std::abort();
        if (row.finding.kind == FindingKind::Key && !row.finding.valueName.empty()) std::abort();
        if (row.number != std::to_string(++rows)) std::abort();
    }
    void ScanProgress(std::string_view) override {}
    void ScanFinished(const ScanSummary& summary) override {
        if (summary.count != rows || summary.stopped) std::abort();
        finished = true;
    }
    int rows = 0;
    bool finished = false;
};

std::string Text(Input& in) {
    std::uint8_t pick = in.Byte();
    if (pick < 128) return kTexts[pick % std::size(kTexts)];
    return in.Bytes(in.Length());
}

std::string Name(Input& in) {
    std::uint8_t pick = in.Byte();
    if (pick < 160) return kNames[pick % std::size(kNames)];
    return in.Bytes(in.Length());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    MemoryRegistry reg;
    MemorySystem sys;
    sys.AddFile("C:\\windows\\system32\\real.dll");
    sys.AddFile("C:\\windows\\SysWOW64\\only32.dll");

    {
        std::vector<RegKey> stack;
        stack.emplace_back(reg, reg.CreateKey(RootHandle(kClassesRoot), ""));
        int ops = 0;
        while (!in.Empty() && ++ops < 400) {
            std::uint8_t op = in.Byte();
            HKey current = stack.back().get();
            switch (op % 8) {
            case 0: { // a new root or start key
                RootKey root = kRoots[in.Byte() % std::size(kRoots)];
                std::string path = (in.Byte() & 1) ? kStarts[in.Byte() % std::size(kStarts)] : "";
                stack.clear();
                stack.emplace_back(reg, reg.CreateKey(RootHandle(root), path));
                break;
            }
            case 1:
            case 2: { // down into a child
                RegKey child(reg, reg.CreateKey(current, Name(in)));
                if (child) stack.push_back(std::move(child));
                break;
            }
            case 3:
                if (stack.size() > 1) stack.pop_back();
                break;
            case 4:
            case 5: { // a value of any type, often unterminated or oversized
                std::uint32_t type = in.Byte() % 12;
                std::string name = (in.Byte() & 1) ? std::string() : Name(in);
                std::string value = Text(in);
                if (in.Byte() & 1) value.push_back('\0');
                // A value the fake refuses (a name too long) is one input less, not a fault.
                (void)reg.WriteValue(current, name, type, value.data(),
                                     static_cast<std::uint32_t>(value.size()));
                break;
            }
            case 6:
                sys.AddFile(Text(in));
                break;
            case 7: { // a deep chain of keys
                std::size_t levels = in.Byte();
                std::string name = Name(in);
                for (std::size_t i = 0; i < levels && !name.empty(); ++i) {
                    RegKey child(reg, reg.CreateKey(stack.back().get(), name));
                    if (!child) break;
                    stack.push_back(std::move(child));
                }
                break;
            }
            }
        }
    }

    CheckingSink sink;
    ScanEngine engine(reg, sys, sink);
    engine.BeginScan();
    engine.RunScan();
    if (!sink.finished || !engine.stopRequested || reg.OpenHandleCount() != 0) std::abort();

    // The path judgement alone on the raw input.
    std::string raw(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 3000));
    PathJudge judge(reg, sys);
    judge.IsPathMissing(raw);
    judge.IsAppPathMissing(raw);
    LooksLikeFilePath(raw);
    judge.ExpandEnvironment(raw);
    judge.IsCommandMissing(raw);
    std::vector<std::string> lines;
    for (const ViewedText& t : judge.ViewTexts(raw, true, RegView::Shared))
        judge.Explain(t.text, TextShape::Command, lines);
    return 0;
}
