#include "legacy/legacy_shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <cwctype>
#include <initializer_list>
#include <vector>

#include "legacy/legacy_shortcuts_table.h"
#include "legacy/shortcut_reader.h"
#include "platform/durable_file.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/os_version.h"
#include "platform/scoped_com.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

// The folder's path; empty when it cannot be resolved, which every caller
// treats as "skip": a path built on an empty folder would name the drive root.
std::wstring ResolveFolder(REFKNOWNFOLDERID folder) {
    std::wstring path;
    KnownFolderResolver().GetPath(folder, &path);
    return path;
}

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
    return folder + L"\\" + name;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// folder\name, when folder resolves and that file exists.
bool FindShortcut(REFKNOWNFOLDERID folder, std::wstring* path) {
    const std::wstring resolved = ResolveFolder(folder);
    if (resolved.empty()) {
        return false;
    }
    const std::wstring shortcut = Join(resolved, kClientShortcutName);
    if (!IsFile(shortcut)) {
        return false;
    }
    *path = shortcut;
    return true;
}

// The shortcut files at the top of folder, in the order the system lists them.
std::vector<std::wstring> ListShortcuts(const std::wstring& folder) {
    std::vector<std::wstring> shortcuts;
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW((folder + kShortcutPattern).c_str(), &entry));
    if (!find) {
        return shortcuts;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            shortcuts.push_back(Join(folder, entry.cFileName));
        }
    } while (::FindNextFileW(find.Get(), &entry));
    return shortcuts;
}

// The target may name the client in any letter case.
bool StartsClient(std::wstring target) {
    for (wchar_t& letter : target) {
        letter = static_cast<wchar_t>(std::towlower(letter));
    }
    return target.find(kClientTargetMarker) != std::wstring::npos;
}

void RemoveShortcutsToClientIn(const std::wstring& folder) {
    const std::vector<std::wstring> shortcuts = ListShortcuts(folder);
    if (shortcuts.empty()) {
        return;
    }
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return;
    }
    ShortcutReader reader;
    if (FAILED(reader.Initialize())) {
        return;
    }
    for (const std::wstring& shortcut : shortcuts) {
        std::wstring target;
        if (reader.ReadTarget(shortcut, &target) && StartsClient(target)) {
            ::DeleteFileW(shortcut.c_str());
        }
    }
}

}  // namespace

bool FindPublicDesktopShortcut(std::wstring* path) {
    // Only Windows 8 and later put the client on the public desktop.
    if (GetOsVersionCode() < kOsWindows8) {
        return false;
    }
    return FindShortcut(FOLDERID_PublicDesktop, path);
}

bool FindProgramsShortcut(std::wstring* path) {
    return FindShortcut(FOLDERID_CommonPrograms, path);
}

void RemoveShortcutsToClient() {
    for (REFKNOWNFOLDERID folder : {FOLDERID_CommonPrograms, FOLDERID_CommonStartMenu}) {
        const std::wstring resolved = ResolveFolder(folder);
        if (!resolved.empty()) {
            RemoveShortcutsToClientIn(resolved);
        }
    }
}

bool RemoveLegacyShortcuts() {
    const std::wstring programs = ResolveFolder(FOLDERID_CommonPrograms);
    const std::wstring start_menu = ResolveFolder(FOLDERID_CommonStartMenu);
    if (programs.empty() || start_menu.empty()) {
        return false;
    }
    ::DeleteFileW(Join(start_menu, kClientShortcutName).c_str());
    ::DeleteFileW(Join(programs, kClientShortcutName).c_str());
    ::DeleteFileW(Join(programs, kGeneration5ShortcutName).c_str());
    for (const wchar_t* group : kLegacyProgramGroups) {
        DeleteFolderTree(Join(programs, group));
    }
    return true;
}

void RestorePublicDesktopShortcut() {
    const std::wstring desktop = ResolveFolder(FOLDERID_PublicDesktop);
    const std::wstring program_data = ResolveFolder(FOLDERID_ProgramData);
    if (desktop.empty() || program_data.empty()) {
        return;
    }
    ReplaceFileDurably(program_data + kNewClientShortcutTail, Join(desktop, kClientShortcutName),
                       nullptr);
}

}  // namespace zu
