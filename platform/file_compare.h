#pragma once

#include <string>

namespace zu {

// True when both files can be read and hold the same bytes. False when either
// cannot be opened or read, or they differ.
bool FilesHaveSameContent(const std::wstring& first, const std::wstring& second);

// True when every file below source (at any depth) has a copy of the same
// bytes at the same place below copy. Links below source are not followed and
// count as a difference. False when source cannot be listed.
bool IsTreeCopied(const std::wstring& source, const std::wstring& copy);

}  // namespace zu
