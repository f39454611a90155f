// Measures one start of a program in the Wine machine it runs in, for
// tools/bench.sh. Times run from just before CreateProcessW.
//   bench_probe window <class> <program> [arguments]
//       until a visible top-level window of that class belongs to the program;
//       then the program and everything it started are ended.
//       Prints "ms=<time>".
//   bench_probe run <owner> <program> [arguments]
//       until the process named owner (the program itself, or one it starts,
//       as the package starts the launcher) shows a message box: the time
//       since that process was created, its peak working set and CPU time;
//       then OK is pressed and the program's end awaited.
//       Prints "ms=<time> peak_kb=<size> cpu_ms=<time>", after one line
//       "at <start> <end> <name>" for each process started in the run (ms since
//       the owner's creation; "-" for one still running).
//   bench_probe wait <owner> <child> <program> [arguments]
//       as run, and besides the owner's CPU time while its child of that
//       executable name runs. Adds "child_ms=<time> child_cpu_ms=<time>" to the
//       last line.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/message_box.h"

namespace {

using zu::UniqueHandle;

constexpr DWORD kGiveUpMs = 180000;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    ::QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring CommandLine(int first, int argc, wchar_t** argv) {
    std::wstring line;
    for (int i = first; i < argc; ++i) {
        line += (i == first ? L"\"" : L" \"") + std::wstring(argv[i]) + L"\"";
    }
    return line;
}

// A job that ends everything in it when the probe lets go of it.
HANDLE MakeJob() {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    return job;
}

// Starts the program inside job.
bool Start(std::wstring line, HANDLE job, UniqueHandle* process, DWORD* process_id) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          nullptr, &startup, &info)) {
        return false;
    }
    ::AssignProcessToJobObject(job, info.hProcess);
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);
    process->Reset(info.hProcess);
    *process_id = info.dwProcessId;
    return true;
}

struct WindowSearch {
    const wchar_t* window_class;
    DWORD process_id;
    bool found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner == search->process_id && ::IsWindowVisible(window) &&
        lstrcmpW(name, search->window_class) == 0) {
        search->found = true;
    }
    return !search->found;
}

bool HasVisibleWindow(const wchar_t* window_class, DWORD process_id) {
    WindowSearch search = {window_class, process_id, false};
    ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double CpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return -1;
    }
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// A process named name whose parent is parent_id (any parent when 0), other
// than skipped_id, opened to be waited for and asked; null when there is none.
HANDLE OpenChild(const wchar_t* name, DWORD parent_id, DWORD skipped_id, DWORD* child_id) {
    zu::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if ((parent_id == 0 || entry.th32ParentProcessID == parent_id) &&
            entry.th32ProcessID != skipped_id && lstrcmpiW(entry.szExeFile, name) == 0) {
            *child_id = entry.th32ProcessID;
            return ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                 entry.th32ProcessID);
        }
    }
    return nullptr;
}

long long Ticks(const FILETIME& time) {
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The processes started inside a job, from its notifications.
class Timeline {
  public:
    explicit Timeline(HANDLE job)
        : port_(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {job, port_.Get()};
        ::SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &association,
                                  sizeof(association));
    }

    // Takes in the processes started since the last call, with their names
    // while they still run.
    void Collect() {
        DWORD message = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* data = nullptr;
        while (::GetQueuedCompletionStatus(port_.Get(), &message, &key, &data, 0)) {
            if (message != JOB_OBJECT_MSG_NEW_PROCESS) {
                continue;
            }
            const auto id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(data));
            Entry entry;
            entry.id = id;
            entry.process.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id));
            entries_.push_back(std::move(entry));
        }
        // A process just made has no name in the snapshot yet.
        for (Entry& entry : entries_) {
            if (entry.name.empty()) {
                entry.name = NameOf(entry.id);
            }
        }
    }

    void Print(const FILETIME& origin) const {
        for (const Entry& entry : entries_) {
            FILETIME created, ended, kernel, user;
            if (!entry.process ||
                !::GetProcessTimes(entry.process.Get(), &created, &ended, &kernel, &user) ||
                Ticks(created) == 0 || (Ticks(ended) != 0 && Ticks(created) > Ticks(ended))) {
                continue;
            }
            const double start = static_cast<double>(Ticks(created) - Ticks(origin)) / 10000.0;
            const bool running = ::WaitForSingleObject(entry.process.Get(), 0) == WAIT_TIMEOUT;
            if (running) {
                std::printf("at %.0f - %ls\n", start, Shown(entry.name));
            } else {
                std::printf("at %.0f %.0f %ls\n", start,
                            static_cast<double>(Ticks(ended) - Ticks(origin)) / 10000.0,
                            Shown(entry.name));
            }
        }
    }

  private:
    struct Entry {
        DWORD id = 0;
        UniqueHandle process;
        std::wstring name;
    };

    static const wchar_t* Shown(const std::wstring& name) {
        return name.empty() ? L"(ended before it was named)" : name.c_str();
    }

    static std::wstring NameOf(DWORD id) {
        zu::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
             more = ::Process32NextW(snapshot.Get(), &entry)) {
            if (entry.th32ProcessID == id) {
                return entry.szExeFile;
            }
        }
        return std::wstring();
    }

    UniqueHandle port_;
    std::vector<Entry> entries_;
};

int TimeToWindow(const wchar_t* window_class, const std::wstring& line) {
    UniqueHandle job(MakeJob());
    UniqueHandle process;
    DWORD process_id = 0;
    const double start = Now();
    if (!Start(line, job.Get(), &process, &process_id)) {
        return 1;
    }
    while (!HasVisibleWindow(window_class, process_id)) {
        if (::WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0 || Now() - start > kGiveUpMs) {
            return 1;
        }
    }
    std::printf("ms=%.1f\n", Now() - start);
    return 0;
}

// The program's CPU time while its first child named child_name that runs a
// second or longer runs (an instant one of the same name, such as an earlier
// generation's setup, does not count).
// " child_ms=<time> child_cpu_ms=<time>", or nothing when no such child ran.
std::string MeasureChild(const wchar_t* child_name,
                         DWORD process_id,
                         HANDLE process,
                         double start) {
    DWORD skipped_id = 0;
    while (Now() - start < kGiveUpMs && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        DWORD child_id = 0;
        UniqueHandle child(OpenChild(child_name, process_id, skipped_id, &child_id));
        if (!child) {
            ::Sleep(2);
            continue;
        }
        const double child_start = Now();
        const double cpu_before = CpuMs(process);
        ::WaitForSingleObject(child.Get(), kGiveUpMs);
        const double child_ms = Now() - child_start;
        if (child_ms >= 1000) {
            char text[80];
            std::snprintf(text, sizeof(text), " child_ms=%.0f child_cpu_ms=%.1f", child_ms,
                          CpuMs(process) - cpu_before);
            return text;
        }
        skipped_id = child_id;
    }
    return std::string();
}

// Milliseconds since process was created.
double MsSinceCreated(HANDLE process) {
    FILETIME created, ended, kernel, user, now;
    ::GetProcessTimes(process, &created, &ended, &kernel, &user);
    ::GetSystemTimeAsFileTime(&now);
    return static_cast<double>(Ticks(now) - Ticks(created)) / 10000.0;
}

int TimeToBox(const wchar_t* owner_name, const wchar_t* child_name, const std::wstring& line) {
    UniqueHandle job(MakeJob());
    UniqueHandle process;
    DWORD process_id = 0;
    Timeline timeline(job.Get());
    const double start = Now();
    if (!Start(line, job.Get(), &process, &process_id)) {
        return 1;
    }
    DWORD owner_id = 0;
    UniqueHandle owner;
    while (!owner) {
        timeline.Collect();
        owner.Reset(OpenChild(owner_name, 0, 0, &owner_id));
        if (::WaitForSingleObject(process.Get(), owner ? 0 : 1) == WAIT_OBJECT_0 ||
            Now() - start > kGiveUpMs) {
            return 1;
        }
    }
    const std::string child =
        child_name != nullptr ? MeasureChild(child_name, owner_id, owner.Get(), start) : "";
    zu::test::MessageBoxContent box;
    while (!zu::test::WaitForMessageBox(owner_id, 0, &box)) {
        timeline.Collect();
        if (::WaitForSingleObject(owner.Get(), 1) == WAIT_OBJECT_0 || Now() - start > kGiveUpMs) {
            return 1;
        }
    }
    const double elapsed = MsSinceCreated(owner.Get());
    FILETIME origin, ended, kernel, user;
    ::GetProcessTimes(owner.Get(), &origin, &ended, &kernel, &user);
    timeline.Collect();
    timeline.Print(origin);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(owner.Get(), &memory, sizeof(memory));
    std::printf("ms=%.1f peak_kb=%lu cpu_ms=%.1f%s\n", elapsed,
                static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024), CpuMs(owner.Get()),
                child.c_str());
    zu::test::PressOk(box);
    ::WaitForSingleObject(process.Get(), 30000);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"window" && argc > 3) {
        return TimeToWindow(argv[2], CommandLine(3, argc, argv));
    }
    if (mode == L"run" && argc > 3) {
        return TimeToBox(argv[2], nullptr, CommandLine(3, argc, argv));
    }
    if (mode == L"wait" && argc > 4) {
        return TimeToBox(argv[2], argv[3], CommandLine(4, argc, argv));
    }
    std::fprintf(stderr,
                 "usage: bench_probe window <class> | run <owner> | wait <owner> <child> "
                 "<program> [arguments]\n");
    return 2;
}
