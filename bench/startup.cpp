// Plants scheduled tasks and services, then times the startup listing without and with the
// system's sources (tasks, services, packaged tasks): what the new rows cost beyond today's
// listing. Everything planted is removed at the end.
// Usage: bench_startup.exe [TASKS] [SERVICES]   (200 and 300 by default)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32StartupSources.h"
#include "platform/win32/Win32System.h"
#include "startup/StartupEnumerator.h"
#include "startup/SystemStartup.h"

namespace {

struct Counter : zt::StartupEntrySink {
    int rows = 0;
    void ClearStartupRows() override { rows = 0; }
    void AddStartupRow(const zt::StartupEntry&) override { ++rows; }
};

std::string TaskXml(int n) {
    return "<?xml version=\"1.0\"?>\n<Task version=\"1.2\" "
           "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
           "<Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>"
           "<Actions><Exec><Command>C:\\ZtBench\\task" +
           std::to_string(n) + ".exe</Command></Exec></Actions></Task>";
}

std::wstring ServiceName(int n) {
    return L"ZtBenchSvc" + std::to_wstring(n);
}

// The listing as the page makes it: with the system's sources, every row's signature is read.
double Time(zt::Registry& reg, zt::System& sys, zt::StartupSources* sources,
            zt::FileSignatures* signatures, int& rows) {
    Counter counter;
    auto start = std::chrono::steady_clock::now();
    zt::StartupEnumerator(reg, sys, sources, signatures).EnumerateStartupEntries(counter);
    rows = counter.rows;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Programs : zt::StartupEntrySink {
    explicit Programs(zt::System& sys) : sys(sys) {}
    zt::System& sys;
    std::set<std::string> files;
    void ClearStartupRows() override { files.clear(); }
    void AddStartupRow(const zt::StartupEntry& entry) override {
        std::string program = zt::ProgramOfCommand(entry.command, sys);
        if (!program.empty()) files.insert(program);
    }
};

// Reads the signatures of `files` twice: the first pass asks the system, the second is
// answered by the cache (one attribute read per file).
void TimeSignatures(const char* what, const std::vector<std::string>& files) {
    int verified = 0, named = 0;
    double pass[2];
    for (double& seconds : pass) {
        verified = named = 0;
        auto start = std::chrono::steady_clock::now();
        for (const std::string& file : files) {
            zt::FileSignature signature = zt::Win32FileSignatures().Read(file);
            verified += signature.verified;
            named += !signature.publisher.empty();
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::printf("signatures of %zu %s: %.3f s first, %.3f s second (%d verified, %d named)\n",
                files.size(), what, pass[0], pass[1], verified, named);
}

// The program files of the listing's rows, then every program of the system folder: the
// planted entries point at files that are not there, so the second set shows what real
// files cost.
void TimeListingSignatures(zt::Registry& reg, zt::System& sys, zt::StartupSources& sources) {
    Programs programs(sys);
    zt::StartupEnumerator(reg, sys, &sources).EnumerateStartupEntries(programs);
    TimeSignatures("listed programs", {programs.files.begin(), programs.files.end()});
    std::vector<std::string> system;
    (void)sys.EnumDirectory(sys.SystemFolder(), [&](const zt::DirEntry& entry) {
        if (!entry.IsDirectory()) system.push_back(sys.SystemFolder() + "\\" + entry.name);
        return true;
    }); // an unreadable folder leaves the set short, which the figure shows
    TimeSignatures("system folder files", system);
}

} // namespace

int main(int argc, char** argv) {
    const int tasks = argc > 1 ? std::atoi(argv[1]) : 200;
    const int services = argc > 2 ? std::atoi(argv[2]) : 300;
    zt::Win32Registry reg;
    zt::Win32System sys;
    zt::Win32StartupSources sources;
    zt::Win32FileSignatures signatures;

    int plantedTasks = 0, plantedServices = 0;
    for (int n = 0; n < tasks; ++n)
        plantedTasks +=
            sources.RegisterTaskXml("\\ZtBench\\Task" + std::to_string(n), TaskXml(n)).ok();
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    for (int n = 0; manager && n < services; ++n) {
        std::wstring image = L"\"C:\\Program Files\\ZtBench\\svc" + std::to_wstring(n) + L".exe\"";
        SC_HANDLE service = ::CreateServiceW(
            manager, ServiceName(n).c_str(), ServiceName(n).c_str(), SERVICE_ALL_ACCESS,
            SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE, image.c_str(),
            nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service) {
            ++plantedServices;
            ::CloseServiceHandle(service);
        }
    }
    std::printf("planted %d of %d tasks, %d of %d services\n", plantedTasks, tasks, plantedServices,
                services);

    int rowsBefore = 0, rowsFirst = 0, rowsSecond = 0;
    double before = Time(reg, sys, nullptr, nullptr, rowsBefore);
    double first = Time(reg, sys, &sources, &signatures, rowsFirst);
    double second = Time(reg, sys, &sources, &signatures, rowsSecond);
    std::printf("keys and folders only: %.3f s, %d rows\n", before, rowsBefore);
    std::printf("with tasks, services, packages: %.3f s, %d rows (first listing)\n", first,
                rowsFirst);
    std::printf("with tasks, services, packages: %.3f s, %d rows (second listing)\n", second,
                rowsSecond);
    std::printf("beyond today's listing: %.3f s\n", first - before);
    TimeListingSignatures(reg, sys, sources);

    for (int n = 0; n < tasks; ++n)
        (void)sources.RemoveTask("\\ZtBench\\Task" + std::to_string(n)); // planted or not
    for (int n = 0; manager && n < services; ++n) {
        SC_HANDLE service = ::OpenServiceW(manager, ServiceName(n).c_str(), DELETE);
        if (service) {
            ::DeleteService(service);
            ::CloseServiceHandle(service);
        }
    }
    if (manager) ::CloseServiceHandle(manager);
    return first - before <= 2.0 ? 0 : 1;
}
