#include "platform/win32/Win32StartupSources.h"

#include <windows.h>

#include <shlwapi.h>
#include <taskschd.h>

#include <memory>
#include <utility>

#include "seams/Unicode.h"

namespace zt {

namespace {

Status StatusFromHresult(HRESULT hr) {
    if (SUCCEEDED(hr)) return Status::Success();
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) return StatusFromOsError(HRESULT_CODE(hr));
    return Status::From(StatusCode::Failed, static_cast<std::uint32_t>(hr));
}

template <class T> class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    T** Out() {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view text) : b_(::SysAllocString(ToWide(text).c_str())) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(b_); }
    BSTR* Out() {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    BSTR get() const { return b_; }
    std::string Text() const {
        return b_ ? FromWide(std::wstring_view(b_, ::SysStringLen(b_))) : std::string();
    }

  private:
    BSTR b_ = nullptr;
};

// COM for the calling thread while the object lives; a thread already in another apartment
// keeps it.
struct ComThread {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComThread() {
        if (SUCCEEDED(hr)) ::CoUninitialize();
    }
};

VARIANT EmptyVariant() {
    VARIANT v;
    ::VariantInit(&v);
    return v;
}

VARIANT IndexVariant(LONG index) {
    VARIANT v = EmptyVariant();
    v.vt = VT_I4;
    v.lVal = index;
    return v;
}

// The scheduler, connected for the current user.
struct Scheduler {
    ComThread com;
    Com<ITaskService> service;
    Status status;
    Scheduler() {
        HRESULT hr = ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ITaskService, service.OutVoid());
        if (SUCCEEDED(hr)) {
            VARIANT none = EmptyVariant();
            hr = service->Connect(none, none, none, none);
        }
        status = StatusFromHresult(hr);
    }
    HRESULT Folder(std::string_view path, Com<ITaskFolder>& folder) {
        if (!status) return E_FAIL;
        Bstr name(path.empty() ? std::string_view("\\") : path);
        return service->GetFolder(name.get(), folder.Out());
    }
    HRESULT Task(std::string_view path, Com<IRegisteredTask>& task) {
        Com<ITaskFolder> root;
        HRESULT hr = Folder("\\", root);
        if (FAILED(hr)) return hr;
        Bstr name(path);
        return root->GetTask(name.get(), task.Out());
    }
};

TaskTriggerType TriggerTypeOf(TASK_TRIGGER_TYPE2 type) {
    switch (type) {
    case TASK_TRIGGER_LOGON:
        return TaskTriggerType::Logon;
    case TASK_TRIGGER_BOOT:
        return TaskTriggerType::Boot;
    case TASK_TRIGGER_DAILY:
        return TaskTriggerType::Daily;
    case TASK_TRIGGER_WEEKLY:
        return TaskTriggerType::Weekly;
    case TASK_TRIGGER_MONTHLY:
    case TASK_TRIGGER_MONTHLYDOW:
        return TaskTriggerType::Monthly;
    case TASK_TRIGGER_TIME:
        return TaskTriggerType::Time;
    case TASK_TRIGGER_IDLE:
        return TaskTriggerType::Idle;
    case TASK_TRIGGER_EVENT:
        return TaskTriggerType::Event;
    case TASK_TRIGGER_REGISTRATION:
        return TaskTriggerType::Registration;
    case TASK_TRIGGER_SESSION_STATE_CHANGE:
        return TaskTriggerType::SessionChange;
    default:
        return TaskTriggerType::Other;
    }
}

// A logon trigger's user, through its dispatch interface: the headers at hand do not declare
// the logon trigger's own interface.
std::string LogonUser(ITrigger* trigger) {
    OLECHAR name[] = L"UserId";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    if (FAILED(trigger->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};
    DISPPARAMS none{};
    VARIANT result = EmptyVariant();
    std::string user;
    if (SUCCEEDED(trigger->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                  &result, nullptr, nullptr)) &&
        result.vt == VT_BSTR && result.bstrVal)
        user = FromWide(std::wstring_view(result.bstrVal, ::SysStringLen(result.bstrVal)));
    ::VariantClear(&result);
    return user;
}

void ReadTriggers(ITaskDefinition* definition, TaskInfo& info) {
    Com<ITriggerCollection> triggers;
    LONG count = 0;
    if (FAILED(definition->get_Triggers(triggers.Out())) || !triggers ||
        FAILED(triggers->get_Count(&count)))
        return;
    for (LONG i = 1; i <= count; ++i) {
        Com<ITrigger> trigger;
        if (FAILED(triggers->get_Item(i, trigger.Out()))) continue;
        TaskTrigger t;
        TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_EVENT;
        if (SUCCEEDED(trigger->get_Type(&type))) t.type = TriggerTypeOf(type);
        Bstr start;
        if (SUCCEEDED(trigger->get_StartBoundary(start.Out()))) t.start = start.Text();
        if (t.type == TaskTriggerType::Logon) t.userId = LogonUser(trigger.get());
        info.triggers.push_back(std::move(t));
    }
}

void ReadActions(ITaskDefinition* definition, TaskInfo& info) {
    Com<IActionCollection> actions;
    LONG count = 0;
    if (FAILED(definition->get_Actions(actions.Out())) || !actions ||
        FAILED(actions->get_Count(&count)))
        return;
    for (LONG i = 1; i <= count; ++i) {
        Com<IAction> action;
        TASK_ACTION_TYPE type = TASK_ACTION_COM_HANDLER;
        if (FAILED(actions->get_Item(i, action.Out())) || FAILED(action->get_Type(&type))) {
            ++info.otherActions;
            continue;
        }
        Com<IExecAction> exec;
        if (type != TASK_ACTION_EXEC ||
            FAILED(action->QueryInterface(IID_IExecAction, exec.OutVoid()))) {
            ++info.otherActions;
            continue;
        }
        Bstr program, arguments;
        (void)exec->get_Path(program.Out());        // an empty program shows as empty
        (void)exec->get_Arguments(arguments.Out()); // as do absent arguments
        info.execActions.emplace_back(program.Text(), arguments.Text());
    }
}

TaskInfo ReadTask(IRegisteredTask* task) {
    TaskInfo info;
    Bstr path;
    if (SUCCEEDED(task->get_Path(path.Out()))) info.path = path.Text();
    VARIANT_BOOL enabled = VARIANT_TRUE;
    if (SUCCEEDED(task->get_Enabled(&enabled))) info.enabled = enabled != VARIANT_FALSE;
    Com<ITaskDefinition> definition;
    HRESULT hr = task->get_Definition(definition.Out());
    if (FAILED(hr) || !definition) {
        info.unreadable = "definition unreadable (" + StatusFromHresult(hr).Describe() + ")";
        return info;
    }
    ReadTriggers(definition.get(), info);
    ReadActions(definition.get(), info);
    return info;
}

// The names of the scheduler's task files in a folder: where a scheduler cannot list a
// folder's tasks (Wine answers E_NOTIMPL), it still opens each of them by name.
std::vector<std::wstring> TaskFileNames(const std::string& folderPath) {
    std::vector<std::wstring> names;
    wchar_t system[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return names;
    std::wstring pattern = std::wstring(system) + L"\\Tasks" +
                           (folderPath == "\\" ? std::wstring() : ToWide(folderPath)) + L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

void WalkFolder(ITaskFolder* folder, const std::string& folderPath, TaskListing& listing,
                int depth) {
    Com<IRegisteredTaskCollection> tasks;
    HRESULT hr = folder->GetTasks(TASK_ENUM_HIDDEN, tasks.Out());
    LONG count = 0;
    if (SUCCEEDED(hr)) hr = tasks->get_Count(&count);
    if (hr == E_NOTIMPL) {
        hr = S_OK;
        for (const auto& name : TaskFileNames(folderPath)) {
            Com<IRegisteredTask> task;
            BSTR taskName = ::SysAllocString(name.c_str());
            if (SUCCEEDED(folder->GetTask(taskName, task.Out())) && task)
                listing.tasks.push_back(ReadTask(task.get()));
            ::SysFreeString(taskName);
        }
    }
    if (FAILED(hr)) listing.deniedFolders.emplace_back(folderPath, StatusFromHresult(hr));
    for (LONG i = 1; i <= count; ++i) {
        Com<IRegisteredTask> task;
        if (FAILED(tasks->get_Item(IndexVariant(i), task.Out())) || !task) continue;
        listing.tasks.push_back(ReadTask(task.get()));
    }
    // Folders nest only so deep; a loop in a broken store ends here.
    if (depth >= 32) return;
    Com<ITaskFolderCollection> folders;
    LONG folderCount = 0;
    hr = folder->GetFolders(0, folders.Out());
    if (SUCCEEDED(hr)) hr = folders->get_Count(&folderCount);
    if (FAILED(hr)) {
        if (listing.deniedFolders.empty() || listing.deniedFolders.back().first != folderPath)
            listing.deniedFolders.emplace_back(folderPath, StatusFromHresult(hr));
        return;
    }
    for (LONG i = 1; i <= folderCount; ++i) {
        Com<ITaskFolder> child;
        if (FAILED(folders->get_Item(IndexVariant(i), child.Out())) || !child) continue;
        Bstr childPath;
        (void)child->get_Path(childPath.Out()); // a nameless folder is still walked
        WalkFolder(child.get(), childPath.Text(), listing, depth + 1);
    }
}

// "\A\B" -> "\A" and "B"; "\B" -> "\" and "B".
std::pair<std::string, std::string> SplitTaskPath(std::string_view path) {
    std::size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {"\\", std::string(path)};
    std::string parent(path.substr(0, slash));
    return {parent.empty() ? std::string("\\") : parent, std::string(path.substr(slash + 1))};
}

struct ScHandle {
    SC_HANDLE h = nullptr;
    explicit ScHandle(SC_HANDLE handle) : h(handle) {}
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    ~ScHandle() {
        if (h) ::CloseServiceHandle(h);
    }
};

Status LastError() {
    return StatusFromOsError(::GetLastError());
}

std::unique_ptr<QUERY_SERVICE_CONFIGW, void (*)(void*)> QueryConfig(SC_HANDLE service) {
    DWORD needed = 0;
    ::QueryServiceConfigW(service, nullptr, 0, &needed);
    using Ptr = std::unique_ptr<QUERY_SERVICE_CONFIGW, void (*)(void*)>;
    if (needed == 0) return Ptr(nullptr, ::free);
    Ptr config(static_cast<QUERY_SERVICE_CONFIGW*>(::malloc(needed)), ::free);
    if (!config || !::QueryServiceConfigW(service, config.get(), needed, &needed))
        return Ptr(nullptr, ::free);
    return config;
}

bool QueryDelayed(SC_HANDLE service) {
    SERVICE_DELAYED_AUTO_START_INFO info{};
    DWORD needed = 0;
    return ::QueryServiceConfig2W(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO,
                                  reinterpret_cast<BYTE*>(&info), sizeof info, &needed) &&
           info.fDelayedAutostart;
}

std::string Text(const wchar_t* text) {
    return text ? FromWide(text) : std::string();
}

std::optional<std::wstring> ReadRegString(HKEY key, const wchar_t* sub, const wchar_t* name) {
    DWORD size = 0;
    if (::RegGetValueW(key, sub, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(key, sub, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(::wcsnlen(text.c_str(), text.size()));
    return text;
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        LONG rc = ::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// The display name and install folder of the package family's first installed package.
void DescribePackage(const std::wstring& family, PackagedTaskInfo& info) {
    HKEY families = nullptr;
    std::wstring familiesPath = std::wstring(kPackageRepositoryKey) + L"\\Families\\" + family;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, familiesPath.c_str(), 0, KEY_READ, &families) !=
        ERROR_SUCCESS)
        return;
    auto packages = SubkeyNames(families);
    ::RegCloseKey(families);
    for (const auto& fullName : packages) {
        std::wstring packagePath = std::wstring(kPackageRepositoryKey) + L"\\Packages\\" + fullName;
        auto display = ReadRegString(HKEY_CURRENT_USER, packagePath.c_str(), L"DisplayName");
        if (display && !display->empty()) {
            // A resource reference is resolved by the package's own resources.
            if (display->front() == L'@' || display->rfind(L"ms-resource:", 0) == 0) {
                std::wstring source =
                    display->front() == L'@' ? *display : L"@{" + fullName + L"?" + *display + L"}";
                wchar_t resolved[512] = {};
                if (SUCCEEDED(::SHLoadIndirectString(source.c_str(), resolved, 512, nullptr)))
                    info.displayName = FromWide(resolved);
            } else {
                info.displayName = FromWide(*display);
            }
        }
        if (auto root = ReadRegString(HKEY_CURRENT_USER, packagePath.c_str(), L"PackageRootFolder"))
            info.program = FromWide(*root);
        if (!info.displayName.empty()) return;
    }
}

} // namespace

TaskListing Win32StartupSources::ListTasks() {
    TaskListing listing;
    Scheduler scheduler;
    listing.status = scheduler.status;
    Com<ITaskFolder> root;
    HRESULT hr = scheduler.Folder("\\", root);
    if (FAILED(hr)) {
        if (listing.status) listing.status = StatusFromHresult(hr);
        return listing;
    }
    WalkFolder(root.get(), "\\", listing, 0);
    return listing;
}

Status Win32StartupSources::SetTaskEnabled(std::string_view path, bool enabled) {
    Scheduler scheduler;
    Com<IRegisteredTask> task;
    HRESULT hr = scheduler.Task(path, task);
    if (SUCCEEDED(hr)) hr = task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
    return scheduler.status ? StatusFromHresult(hr) : scheduler.status;
}

std::optional<std::string> Win32StartupSources::TaskXml(std::string_view path) {
    Scheduler scheduler;
    Com<IRegisteredTask> task;
    Bstr xml;
    if (FAILED(scheduler.Task(path, task)) || FAILED(task->get_Xml(xml.Out())) || !xml.get())
        return std::nullopt;
    return xml.Text();
}

Status Win32StartupSources::RegisterTaskXml(std::string_view path, std::string_view xml) {
    Scheduler scheduler;
    Com<ITaskFolder> root;
    HRESULT hr = scheduler.Folder("\\", root);
    if (SUCCEEDED(hr)) {
        Bstr name(path), text(xml);
        VARIANT none = EmptyVariant();
        Com<IRegisteredTask> task;
        // The principal written in the task's own XML decides how it logs on.
        hr = root->RegisterTask(name.get(), text.get(), TASK_CREATE_OR_UPDATE, none, none,
                                TASK_LOGON_NONE, none, task.Out());
    }
    return scheduler.status ? StatusFromHresult(hr) : scheduler.status;
}

Status Win32StartupSources::RemoveTask(std::string_view path) {
    Scheduler scheduler;
    auto [parent, name] = SplitTaskPath(path);
    Com<ITaskFolder> folder;
    HRESULT hr = scheduler.Folder(parent, folder);
    if (SUCCEEDED(hr)) {
        Bstr taskName(name);
        hr = folder->DeleteTask(taskName.get(), 0);
    }
    return scheduler.status ? StatusFromHresult(hr) : scheduler.status;
}

std::optional<TaskInfo> Win32StartupSources::QueryTask(std::string_view path) {
    Scheduler scheduler;
    Com<IRegisteredTask> task;
    if (FAILED(scheduler.Task(path, task)) || !task) return std::nullopt;
    return ReadTask(task.get());
}

std::vector<ServiceInfo> Win32StartupSources::ListServices() {
    std::vector<ServiceInfo> list;
    ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager.h) return list;
    std::vector<BYTE> buffer;
    DWORD needed = 0, count = 0, resume = 0;
    for (;;) {
        BOOL ok = ::EnumServicesStatusExW(
            manager.h, SC_ENUM_PROCESS_INFO, SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL,
            buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count, &resume, nullptr);
        DWORD error = ok ? 0 : ::GetLastError();
        auto* entries = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            ServiceInfo info;
            info.name = Text(entries[i].lpServiceName);
            info.displayName = Text(entries[i].lpDisplayName);
            info.driver = (entries[i].ServiceStatusProcess.dwServiceType & SERVICE_DRIVER) != 0;
            ScHandle service(
                ::OpenServiceW(manager.h, entries[i].lpServiceName, SERVICE_QUERY_CONFIG));
            if (service.h) {
                if (auto config = QueryConfig(service.h)) {
                    info.imagePath = Text(config->lpBinaryPathName);
                    info.startType = config->dwStartType;
                }
                info.delayed = info.startType == kServiceAutoStart && QueryDelayed(service.h);
            }
            list.push_back(std::move(info));
        }
        if (ok) break;
        if (error != ERROR_MORE_DATA) break;
        buffer.resize(std::max<std::size_t>(needed, buffer.size()) + 1024);
        count = 0;
    }
    return list;
}

std::optional<ServiceStart> Win32StartupSources::QueryServiceStart(std::string_view name) {
    ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.h) return std::nullopt;
    ScHandle service(::OpenServiceW(manager.h, ToWide(name).c_str(), SERVICE_QUERY_CONFIG));
    if (!service.h) return std::nullopt;
    auto config = QueryConfig(service.h);
    if (!config) return std::nullopt;
    ServiceStart start{config->dwStartType, false};
    start.delayed = start.startType == kServiceAutoStart && QueryDelayed(service.h);
    return start;
}

Status Win32StartupSources::SetServiceStart(std::string_view name, const ServiceStart& start) {
    ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.h) return LastError();
    ScHandle service(::OpenServiceW(manager.h, ToWide(name).c_str(),
                                    SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG));
    if (!service.h) return LastError();
    if (!::ChangeServiceConfigW(service.h, SERVICE_NO_CHANGE, start.startType, SERVICE_NO_CHANGE,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        return LastError();
    if (start.startType != kServiceAutoStart) return Status::Success();
    // The delay is a setting of its own; writing it only when it differs spares systems that
    // do not keep it a call they would refuse.
    if (QueryDelayed(service.h) == start.delayed) return Status::Success();
    SERVICE_DELAYED_AUTO_START_INFO info{start.delayed ? TRUE : FALSE};
    if (!::ChangeServiceConfig2W(service.h, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info))
        return LastError();
    return Status::Success();
}

std::vector<PackagedTaskInfo> Win32StartupSources::ListPackagedTasks() {
    std::vector<PackagedTaskInfo> list;
    HKEY root = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(kPackagedTaskStateKey).c_str(), 0, KEY_READ,
                        &root) != ERROR_SUCCESS)
        return list;
    for (const auto& family : SubkeyNames(root)) {
        HKEY familyKey = nullptr;
        if (::RegOpenKeyExW(root, family.c_str(), 0, KEY_READ, &familyKey) != ERROR_SUCCESS)
            continue;
        for (const auto& taskId : SubkeyNames(familyKey)) {
            DWORD state = 0, size = sizeof state;
            // Only a startup task's key holds a DWORD "State".
            if (::RegGetValueW(familyKey, taskId.c_str(), L"State", RRF_RT_REG_DWORD, nullptr,
                               &state, &size) != ERROR_SUCCESS)
                continue;
            PackagedTaskInfo info;
            info.packageFamily = FromWide(family);
            info.taskId = FromWide(taskId);
            info.state =
                state <= 4 ? static_cast<PackagedTaskState>(state) : PackagedTaskState::Disabled;
            DescribePackage(family, info);
            if (info.displayName.empty()) info.displayName = info.packageFamily;
            list.push_back(std::move(info));
        }
        ::RegCloseKey(familyKey);
    }
    ::RegCloseKey(root);
    return list;
}

} // namespace zt
