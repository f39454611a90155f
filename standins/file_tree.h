#pragma once

#include <string>

namespace zu::standin {

// Creates folder and every missing folder above it. True when it exists afterwards.
bool CreateFolderChain(const std::wstring& folder);

// Copies the files (not subfolders) of from into the existing folder to,
// overwriting. True when every file was copied.
bool CopyFolderFiles(const std::wstring& from, const std::wstring& to);

// Deletes folder with everything in it, without any user interface. True when
// it is gone afterwards (also when it was never there).
bool DeleteFolderTree(const std::wstring& folder);

bool PathExists(const std::wstring& path);

// The first line of an 8-bit text file (at most max_chars, without its line
// break); empty when the file cannot be read.
std::wstring FirstLineOf(const std::wstring& path, size_t max_chars);

}  // namespace zu::standin
