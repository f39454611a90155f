#pragma once

#include <string>

namespace zu::test {

// Lays the package (everything in dist\) out in folder, which is created; a
// package in a folder of the tests' choosing, such as one whose path has
// spaces. False when the copy failed.
bool CopyPackageTo(const std::wstring& folder);

// Copies everything below source into folder, which is created. False when
// the copy failed.
bool CopyTree(const std::wstring& source, const std::wstring& folder);

}  // namespace zu::test
