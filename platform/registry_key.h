#pragma once

#include <windows.h>

namespace zu {

// Access masks in use. Every open names its view: the launcher is a 32-bit
// process, and the product's own keys live in the 64-bit view.
constexpr REGSAM kRegRead = KEY_READ;
constexpr REGSAM kRegRead64 = KEY_READ | KEY_WOW64_64KEY;
constexpr REGSAM kRegWrite = KEY_WRITE;
constexpr REGSAM kRegWrite64 = KEY_WRITE | KEY_WOW64_64KEY;
constexpr REGSAM kRegReadWrite = KEY_READ | KEY_WRITE;
constexpr REGSAM kRegReadWrite64 = KEY_READ | KEY_WRITE | KEY_WOW64_64KEY;
constexpr REGSAM kRegAllAccess = KEY_ALL_ACCESS;
constexpr REGSAM kRegAllAccess64 = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

// Below HKEY_LOCAL_MACHINE: the programs that start with every logon.
inline constexpr wchar_t kAutostartRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A registry key that closes itself and remembers the view (KEY_WOW64_64KEY,
// KEY_WOW64_32KEY or 0) it was opened in, so that deletions below it happen in
// the same view. Move-only. Every operation returns a Win32 status (0 = success);
// a failed Open or CreateWritable leaves an already open key open and usable.
class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;

    // RegOpenKeyExW. On success closes any key held before (its close status
    // becomes the result) and takes the view from the access mask.
    LONG Open(HKEY parent, const wchar_t* subkey, REGSAM access);

    // Creates or opens subkey under HKEY_LOCAL_MACHINE, 64-bit view, KEY_WRITE.
    // The only way the launcher creates keys.
    LONG CreateWritable(const wchar_t* subkey);

    // Closes the key if one is held; returns RegCloseKey's status (0 if none).
    LONG Close();

    // Reads a REG_SZ or REG_EXPAND_SZ value (unexpanded). buffer may be null to
    // learn the size; length is in characters, in: capacity, out: characters
    // stored including the terminating null (0 on any failure). Returns 13
    // (ERROR_INVALID_DATA) for another type or for data that is not a
    // null-terminated string, 122 (ERROR_INSUFFICIENT_BUFFER) for a buffer of
    // no characters, else the registry's status.
    LONG ReadString(const wchar_t* name, wchar_t* buffer, DWORD* length) const;

    // Reads a REG_MULTI_SZ value; like ReadString, and also 122
    // (ERROR_INSUFFICIENT_BUFFER) for a buffer shorter than 2 characters, and 13
    // for data not ending in two nulls.
    LONG ReadMultiString(const wchar_t* name, wchar_t* buffer, DWORD* length) const;

    // REG_SZ with its terminating null; a null text writes nothing and returns 0.
    LONG WriteString(const wchar_t* name, const wchar_t* text) const;
    LONG WriteDword(const wchar_t* name, DWORD value) const;
    LONG WriteMultiString(const wchar_t* name, const wchar_t* data, DWORD bytes) const;
    LONG DeleteValue(const wchar_t* name) const;

    // Deletes a subkey that has no subkeys, in this key's view where the system
    // offers RegDeleteKeyExW (looked up at run time; XP SP2 lacks it).
    LONG DeleteChildKey(const wchar_t* subkey) const;

    // Deletes a subkey with all its subkeys and values, deepest first, in this
    // key's view. A registry link (in place of the subkey or below it) is
    // deleted as a link; its target is left alone. A missing subkey returns 2
    // (ERROR_FILE_NOT_FOUND); on another failure what was deleted stays deleted.
    LONG DeleteTree(const wchar_t* subkey) const;

    HKEY Handle() const { return handle_; }
    REGSAM View() const { return view_; }
    bool IsOpen() const { return handle_ != nullptr; }

  private:
    LONG Adopt(HKEY handle, REGSAM view);

    HKEY handle_ = nullptr;
    REGSAM view_ = 0;
};

}  // namespace zu
