#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zu::test {

// Raw file reads, writes and checks for setting up and checking machines,
// independent of the launcher's own file operations.

// The whole content of a file; nullopt when it cannot be opened or read.
std::optional<std::string> FileBytes(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);

// Everything below folder, keyed by the path relative to it: files with their
// content, folders with a trailing backslash and an empty content (so that an
// empty folder counts too). Links are listed, not followed. Empty when the
// folder does not exist.
using FileTree = std::map<std::wstring, std::string>;
FileTree FilesUnder(const std::wstring& folder);

// The relative paths that are in only one of the trees or differ in content,
// in order; empty when the trees are the same byte for byte.
std::vector<std::wstring> TreeDifferences(const FileTree& a, const FileTree& b);

// Creates or overwrites path with bytes; the folder must exist. False when the
// file cannot be written whole.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Deletes a file, or a folder with everything below it, clearing read-only
// attributes. A link inside is removed without touching its target. A missing
// path is fine.
void DeletePath(const std::wstring& path);

}  // namespace zu::test
