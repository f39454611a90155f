#pragma once

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// A file the launcher checks and then starts or copies, held open so that
// nobody can write, rename or delete it in between: what was checked through
// the handle is what is used while the handle stays open.

// Opens path for reading, sharing reading only. False, held untouched, when it
// cannot be opened so (also while another process has it open for writing).
bool OpenHeldFile(const std::wstring& path, UniqueFileHandle* held);

}  // namespace zu
