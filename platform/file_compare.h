#pragma once

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// True when both files can be read and hold the same bytes. False when either
// cannot be opened or read, or they differ.
bool FilesHaveSameContent(const std::wstring& first, const std::wstring& second);

// True when the held file (platform/held_file) holds exactly the bytes of the
// file at reference. Reads the held file from its start. False on any read
// failure.
bool HeldFileMatches(const UniqueFileHandle& held, const std::wstring& reference);

// True when every file below source (at any depth) has a copy of the same
// bytes at the same place below copy. Links below source are not followed and
// count as a difference. False when source cannot be listed.
bool IsTreeCopied(const std::wstring& source, const std::wstring& copy);

}  // namespace zu
