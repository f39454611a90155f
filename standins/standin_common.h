#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu::standin {

// One start of a stand-in program: constructing it appends the start line to
// the journal and makes the behaviour file's keys for this start available.
// Journal writes that fail (no C: drive, no rights) are dropped silently: a
// stand-in never fails because its journal could not be written.
class Standin {
  public:
    // section: the behaviour section and journal program name; empty means
    // the executable's file name as it was started.
    explicit Standin(const std::wstring& section = std::wstring());

    const std::wstring& OwnPath() const { return own_path_; }
    // The folder of the executable, without a trailing backslash.
    std::wstring OwnFolder() const;
    // The arguments as CommandLineToArgvW splits them, without the program.
    const std::vector<std::wstring>& Arguments() const { return arguments_; }
    // True when one argument equals name without regard to case.
    bool HasSwitch(const wchar_t* name) const;

    // The behaviour key from the section "<program> <first argument>", else
    // from "<program>", else default_value.
    int Behaviour(const wchar_t* key, int default_value) const;
    bool Flag(const wchar_t* key) const { return Behaviour(key, 0) == 1; }

    // Runs sleep_ms, then never returns when hang=1.
    void WaitAsTold() const;

    // Appends "program<TAB>pid<TAB>event<TAB>detail" to the journal.
    void Record(const wchar_t* event, const std::wstring& detail) const;

    // exit_code from the behaviour, else default_code.
    int ExitCode(int default_code) const { return Behaviour(L"exit_code", default_code); }

  private:
    bool ReadKey(const std::wstring& section, const wchar_t* key, int* value) const;

    std::wstring program_;
    std::wstring own_path_;
    std::vector<std::wstring> arguments_;
};

// The part of a path before its last backslash (the whole path if it has none).
std::wstring FolderOf(const std::wstring& path);
// The part of a path after its last backslash.
std::wstring FileNameOf(const std::wstring& path);
// Lower-case copy (for comparisons without regard to case).
std::wstring Lower(std::wstring text);
// "0x" and eight hexadecimal digits (HRESULTs, status codes).
std::wstring HexCode(unsigned long code);

}  // namespace zu::standin
