#pragma once

#include <windows.h>

#include <string>

namespace zu::test {

// Quotes a program path for a command line.
std::wstring Quote(const std::wstring& path);

// Starts command_line and waits up to timeout_ms for it. True when the program
// started and ended in time; exit_code then holds its exit code. A program
// still running at the timeout is terminated (and false is returned).
bool RunProgram(const std::wstring& command_line, DWORD timeout_ms, DWORD* exit_code);

// The id of a running process of that executable name, in any case; 0 when
// none runs.
DWORD FindProcessId(const wchar_t* executable_name);

// Waits until no process of that executable name runs. False when one still
// runs after timeout_ms.
bool AllEndedWithin(const wchar_t* executable_name, DWORD timeout_ms);

// Sets the Windows version that Wine reports to programs named exe_name
// ("winxp", "win7", "win81", "win10"); removed again on destruction.
class ScopedWineVersion {
  public:
    ScopedWineVersion(const std::wstring& exe_name, const wchar_t* version);
    ~ScopedWineVersion();
    ScopedWineVersion(const ScopedWineVersion&) = delete;
    ScopedWineVersion& operator=(const ScopedWineVersion&) = delete;

  private:
    std::wstring key_;
};

}  // namespace zu::test
