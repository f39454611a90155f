#include "standins/standin_common.h"

#include <shellapi.h>

#include <cwctype>

#include "platform/scoped_handle.h"
#include "standins/process_list.h"
#include "standins/standin_contract.h"

namespace zu::standin {
namespace {

constexpr wchar_t kJournalMutex[] = L"ZUStandinJournal";

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return path;
}

// The command line after the program's own name, by the C runtime's rule: a
// quoted name ends at the next quote, an unquoted one at the first blank.
std::wstring ArgumentsAfterProgram(const wchar_t* line) {
    const wchar_t* p = line;
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') {
            ++p;
        }
        if (*p == L'"') {
            ++p;
        }
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') {
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

std::vector<std::wstring> SplitArguments(const wchar_t* line) {
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(line, &count);
    if (argv == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(argv[i]);
    }
    ::LocalFree(argv);
    return arguments;
}

std::wstring CurrentDirectory() {
    wchar_t folder[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 2, folder);
    return folder;
}

// Tabs and line breaks would split a journal field or line.
std::wstring Field(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'\t' || c == L'\r' || c == L'\n') {
            c = L' ';
        }
    }
    return text;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return bytes;
}

// Appends one line under a machine-wide mutex, so that lines of stand-ins
// running at the same time never interleave.
void AppendJournalLine(const std::wstring& line) {
    ::CreateDirectoryW(kJournalFolder, nullptr);
    UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kJournalMutex));
    const bool locked = mutex && ::WaitForSingleObject(mutex.Get(), 10000) != WAIT_TIMEOUT;
    UniqueFileHandle file(::CreateFileW(kJournalPath, FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        const std::string bytes = Utf8(line + L"\r\n");
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    if (locked) {
        ::ReleaseMutex(mutex.Get());
    }
}

}  // namespace

Standin::Standin(const std::wstring& section) : own_path_(ModulePath()) {
    program_ = section.empty() ? FileNameOf(own_path_) : section;
    const wchar_t* line = ::GetCommandLineW();
    arguments_ = SplitArguments(line);

    const DWORD pid = ::GetCurrentProcessId();
    const DWORD parent = ParentProcessId(pid);
    AppendJournalLine(Field(program_) + L"\t" + Field(own_path_) + L"\t" +
                      Field(ArgumentsAfterProgram(line)) + L"\t" + Field(CurrentDirectory()) +
                      L"\t" + std::to_wstring(parent) + L"\t" +
                      Field(parent != 0 ? ProcessImagePath(parent) : std::wstring()) + L"\t" +
                      std::to_wstring(pid));
    // A launcher killed while this program starts: the program goes on alone.
    if (Flag(L"kill_launcher")) {
        for (DWORD killed : TerminateProcessesNamed(L"ZUInstaller.exe", pid)) {
            Record(L"killed launcher", std::to_wstring(killed));
        }
    }
}

std::wstring Standin::OwnFolder() const {
    return FolderOf(own_path_);
}

bool Standin::HasSwitch(const wchar_t* name) const {
    for (const std::wstring& argument : arguments_) {
        if (::lstrcmpiW(argument.c_str(), name) == 0) {
            return true;
        }
    }
    return false;
}

bool Standin::ReadKey(const std::wstring& section, const wchar_t* key, int* value) const {
    wchar_t text[32] = {};
    ::GetPrivateProfileStringW(section.c_str(), key, L"", text, 32, kBehaviourPath);
    if (text[0] == L'\0') {
        return false;
    }
    *value = static_cast<int>(wcstol(text, nullptr, 0));
    return true;
}

int Standin::Behaviour(const wchar_t* key, int default_value) const {
    int value = default_value;
    if (!arguments_.empty() && ReadKey(program_ + L" " + arguments_.front(), key, &value)) {
        return value;
    }
    ReadKey(program_, key, &value);
    return value;
}

void Standin::WaitAsTold() const {
    const int sleep_ms = Behaviour(L"sleep_ms", 0);
    if (sleep_ms > 0) {
        ::Sleep(static_cast<DWORD>(sleep_ms));
    }
    if (Flag(L"hang")) {
        Record(L"hang", L"");
        for (;;) {
            ::Sleep(INFINITE);
        }
    }
}

void Standin::Record(const wchar_t* event, const std::wstring& detail) const {
    AppendJournalLine(Field(program_) + L"\t" + std::to_wstring(::GetCurrentProcessId()) + L"\t" +
                      event + L"\t" + Field(detail));
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

std::wstring HexCode(unsigned long code) {
    wchar_t text[16] = {};
    ::wsprintfW(text, L"0x%08lx", code);
    return text;
}

}  // namespace zu::standin
