#pragma once

#include <windows.h>

#include <string>

namespace zu::test {

// Shell links made and read through the shell's own link object.

// Saves a shortcut at link_path that starts target with arguments; the folder
// must exist. Returns the first failing HRESULT.
HRESULT CreateShortcut(const std::wstring& link_path,
                       const std::wstring& target,
                       const std::wstring& arguments);

// The target path stored in a shortcut; empty when it cannot be loaded.
std::wstring ShortcutTarget(const std::wstring& link_path);

}  // namespace zu::test
