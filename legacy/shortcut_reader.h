#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/com_ptr.h"

namespace zu {

// Reads where shortcut files point, through the shell's own link object, one
// file after another. COM must be usable on the calling thread for the whole
// life of the reader (see ScopedComApartment).
class ShortcutReader {
  public:
    ShortcutReader() = default;
    ShortcutReader(const ShortcutReader&) = delete;
    ShortcutReader& operator=(const ShortcutReader&) = delete;

    // Creates the link object. On failure returns the failing HRESULT and the
    // reader reads nothing.
    HRESULT Initialize();

    // The target of the shortcut at link_path in its short (8.3) form. False,
    // target untouched, when the reader is not initialised, the file does not
    // load as a shortcut, or the shortcut names no file.
    bool ReadTarget(const std::wstring& link_path, std::wstring* target) const;

  private:
    ComPtr<IShellLinkW> link_;
    ComPtr<IPersistFile> file_;
};

}  // namespace zu
