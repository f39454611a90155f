#pragma once

#include <string>

namespace zu::test {

// Starts a Unix program of the Wine host (Wine runs ELF programs that
// CreateProcessW is given) in folder and waits up to 5 s until done(watched)
// holds: Wine hands back no process handle for such a program, so its effect
// is what is waited for. Used to make Unix symbolic links, which a Windows
// program in Wine sees as reparse points and cannot create itself.
bool RunHostProgram(const wchar_t* program,
                    const std::wstring& arguments,
                    const std::wstring& folder,
                    bool (*done)(const std::wstring&),
                    const std::wstring& watched);

// A directory symbolic link (what Wine shows as a reparse point).
bool IsHostLink(const std::wstring& path);

// "ln -s target name" in folder: a relative link, so no Unix path is needed.
// True when the link is there.
bool MakeHostDirectoryLink(const std::wstring& folder, const wchar_t* target, const wchar_t* name);

// Removes the link folder\name itself (Wine cannot). True when it is gone.
bool RemoveHostLink(const std::wstring& folder, const wchar_t* name);

}  // namespace zu::test
