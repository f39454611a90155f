#pragma once

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// True when the held file (platform/held_file) holds exactly the bytes of the
// file at reference. Reads the held file from its start. False on any read
// failure.
bool HeldFileMatches(const UniqueFileHandle& held, const std::wstring& reference);

}  // namespace zu
