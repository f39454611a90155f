#include "tests/support/package_copy.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "tests/support/test_paths.h"

namespace zu::test {

bool CopyPackageTo(const std::wstring& folder) {
    return CopyTree(DistDir(), folder);
}

bool CopyTree(const std::wstring& source, const std::wstring& folder) {
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    // Double-null-terminated lists, as the shell wants them.
    const std::wstring from = source + L"\\*" + L'\0';
    const std::wstring to = folder + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    return ::SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

}  // namespace zu::test
