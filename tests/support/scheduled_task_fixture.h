#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zu::test {

// Scheduled tasks of the Task Scheduler 2.0, set up and checked through its COM
// interface, independent of the launcher's own task code. Folders are full
// paths such as "\Koru Corporation\ZEMI Update"; each call initialises COM for
// its own duration.

struct TaskSpec {
    std::wstring folder;
    std::wstring name;
    std::wstring program;
    std::wstring arguments;
    bool enabled = true;
};

// Creates the task, or replaces one of that name, creating the missing folders
// one level at a time; the full path of every folder it created is appended to
// created_folders, outermost first. Returns the first failing HRESULT.
HRESULT RegisterTask(const TaskSpec& task, std::vector<std::wstring>* created_folders);

bool TaskExists(const std::wstring& folder, const std::wstring& name);
bool TaskFolderExists(const std::wstring& folder);

// True when the task is registered enabled, false when disabled, nullopt when
// it does not exist.
std::optional<bool> IsTaskEnabled(const std::wstring& folder, const std::wstring& name);

HRESULT DeleteTask(const std::wstring& folder, const std::wstring& name);
// Deletes an empty task folder.
HRESULT DeleteTaskFolder(const std::wstring& folder);

}  // namespace zu::test
