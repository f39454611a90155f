#pragma once

#include <string>

namespace zu {

// The ProductVersion string of the file's version resource, in the first
// language and code page that the resource lists. Empty on any failure (no
// such file, no version resource, no translation table, no such string).
std::wstring GetProductVersion(const std::wstring& path);

}  // namespace zu
