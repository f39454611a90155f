#include "tests/support/journal.h"

#include <tlhelp32.h>

#include "platform/scoped_handle.h"
#include "standins/standin_contract.h"
#include "tests/support/test_paths.h"

namespace zu::test {
namespace {

constexpr size_t kStartFields = 7;
constexpr size_t kEventFields = 4;
constexpr DWORD kPollMs = 100;

constexpr const wchar_t* kStandinFileNames[] = {
    L"ZEMIUpdt.exe", L"DARiziz.exe", L"InternetWrapper.exe", L"ZULauncherFor64OS.exe",
    L"ZUSR.exe",     L"setup.exe",   L"LegacySetup.exe",     L"ZEMIUpdatePackage.exe"};

std::string ReadAll(const wchar_t* path) {
    UniqueFileHandle file(::CreateFileW(path, GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size);
    return wide;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    size_t begin = 0;
    for (size_t end; (end = text.find(separator, begin)) != std::wstring::npos; begin = end + 1) {
        pieces.push_back(text.substr(begin, end - begin));
    }
    pieces.push_back(text.substr(begin));
    return pieces;
}

DWORD Number(const std::wstring& text) {
    return static_cast<DWORD>(wcstoul(text.c_str(), nullptr, 10));
}

bool ParseLine(const std::wstring& line, JournalRecord* record) {
    const std::vector<std::wstring> fields = Split(line, L'\t');
    if (fields.size() == kStartFields) {
        record->is_start = true;
        record->program = fields[0];
        record->path = fields[1];
        record->arguments = fields[2];
        record->working_directory = fields[3];
        record->parent_pid = Number(fields[4]);
        record->parent_path = fields[5];
        record->pid = Number(fields[6]);
        return true;
    }
    if (fields.size() == kEventFields) {
        record->program = fields[0];
        record->pid = Number(fields[1]);
        record->event = fields[2];
        record->detail = fields[3];
        return true;
    }
    return false;
}

std::wstring TestBinFile(const std::wstring& relative) {
    return TestBinDir() + L"\\" + relative;
}

}  // namespace

std::vector<JournalRecord> ReadJournal() {
    std::vector<JournalRecord> records;
    for (std::wstring line : Split(Wide(ReadAll(standin::kJournalPath)), L'\n')) {
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        JournalRecord record;
        if (ParseLine(line, &record)) {
            records.push_back(record);
        }
    }
    return records;
}

std::vector<JournalRecord> StartsOf(const std::wstring& program) {
    std::vector<JournalRecord> starts;
    for (const JournalRecord& record : ReadJournal()) {
        if (record.is_start && ::lstrcmpiW(record.program.c_str(), program.c_str()) == 0) {
            starts.push_back(record);
        }
    }
    return starts;
}

std::vector<JournalRecord> EventsOf(DWORD pid) {
    std::vector<JournalRecord> events;
    for (const JournalRecord& record : ReadJournal()) {
        if (!record.is_start && record.pid == pid) {
            events.push_back(record);
        }
    }
    return events;
}

bool HasEvent(const std::wstring& program, const std::wstring& event) {
    for (const JournalRecord& record : ReadJournal()) {
        if (!record.is_start && ::lstrcmpiW(record.program.c_str(), program.c_str()) == 0 &&
            ::lstrcmpiW(record.event.c_str(), event.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

bool WaitForStarts(const std::wstring& program, size_t count, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    while (StartsOf(program).size() < count) {
        if (::GetTickCount() - start >= timeout_ms) {
            return false;
        }
        ::Sleep(kPollMs);
    }
    return true;
}

void ClearJournal() {
    ::DeleteFileW(standin::kJournalPath);
}

void SetBehaviour(const std::wstring& section, const wchar_t* key, int value) {
    ::CreateDirectoryW(standin::kJournalFolder, nullptr);
    ::WritePrivateProfileStringW(section.c_str(), key, std::to_wstring(value).c_str(),
                                 standin::kBehaviourPath);
}

void ClearBehaviour() {
    ::DeleteFileW(standin::kBehaviourPath);
}

bool EndStandinProcesses() {
    // A respawning pair may put a new member up while the old ones go: repeat.
    for (int round = 0; round < 50; ++round) {
        bool found = false;
        UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
             more = ::Process32NextW(snapshot.Get(), &entry)) {
            for (const wchar_t* name : kStandinFileNames) {
                if (::lstrcmpiW(entry.szExeFile, name) != 0) {
                    continue;
                }
                found = true;
                UniqueHandle process(
                    ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
                if (process && ::TerminateProcess(process.Get(), 1)) {
                    ::WaitForSingleObject(process.Get(), 5000);
                }
            }
        }
        if (!found) {
            return true;
        }
        ::Sleep(kPollMs);
    }
    return false;
}

std::wstring StandinPath(const std::wstring& file_name) {
    return TestBinFile(std::wstring(standin::kStandinFolder) + L"\\" + file_name);
}

std::wstring UpperCaseSignerToolPath() {
    return TestBinFile(standin::kUpperCaseSignerTool);
}

std::wstring UnsignedToolPath() {
    return TestBinFile(standin::kUnsignedTool);
}

std::wstring SigningVariantPath(const wchar_t* variant, const wchar_t* file_name) {
    return TestBinFile(std::wstring(L"signing\\") + variant + L"\\" + file_name);
}

}  // namespace zu::test
