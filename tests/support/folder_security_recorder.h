#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace zu::test {

// SYSTEM and Administrators full control, Users read and execute, inherited
// inside, nothing inherited from the parent: the DACL of a private folder.
extern const wchar_t kPrivateFolderDacl[];

// The DACL of a descriptor as SDDL; "<none>" when it cannot be converted.
std::wstring DaclSddl(PSECURITY_DESCRIPTOR descriptor);

class ScopedImportPatch;

// Wine keeps no security descriptor of a file, so what the code under test
// asks for is read where it asks: while this lives, every CreateDirectoryW of
// this program is recorded with the DACL it passes ("<inherited>" for none).
// One recorder at a time.
class FolderSecurityRecorder {
  public:
    FolderSecurityRecorder();
    ~FolderSecurityRecorder();
    FolderSecurityRecorder(const FolderSecurityRecorder&) = delete;
    FolderSecurityRecorder& operator=(const FolderSecurityRecorder&) = delete;

    bool active() const;
    // Path (lower case) to the DACL of its last creation.
    const std::map<std::wstring, std::wstring>& created() const { return created_; }

  private:
    static BOOL WINAPI RecordingCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES security);

    std::map<std::wstring, std::wstring> created_;
    std::unique_ptr<ScopedImportPatch> patch_;
};

}  // namespace zu::test
