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

}  // namespace zu::test
