#pragma once

#include <windows.h>

#include <string>

// The diagnostic log of each run, for whoever must explain a failure on a
// customer's machine: "ZUInstaller.log" in the running user's temporary folder
// (for SYSTEM, in its private folder "ZEMI Update Installer" there, which only
// administrators and SYSTEM can write), one UTF-8 line per event, stamped with
// the local date and time. A log that has grown past 1 MiB is moved aside once
// ("ZUInstaller.old.log", replacing the one before) through its own handle and
// a new one begun. Writing never fails the run: a folder that cannot be
// resolved, a link anywhere on the log's path or in its place, a log file with
// a second name or a full disk only lose the line.

namespace zu {

// Appends one line.
void LogRunLine(const std::wstring& text);

// "start <program> <parameters>" before a program is started.
void LogProgramStart(const std::wstring& program, const std::wstring& parameters);

// "<program> ended with exit code <code>" once a program that was waited for
// has ended; "still running" for one still running when the wait gave up.
void LogProgramExit(const std::wstring& program, DWORD exit_code);

// "failed to start <program> (error)" when a program could not be started.
void LogProgramNotStarted(const std::wstring& program, DWORD error);

// Decimal text of a number, for log lines.
std::wstring DecimalText(DWORD value);

}  // namespace zu
