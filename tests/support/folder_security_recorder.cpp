#include "tests/support/folder_security_recorder.h"

#include <sddl.h>

#include <cwctype>

#include "platform/scoped_handle.h"
#include "tests/support/import_patch.h"

namespace zu::test {
namespace {

decltype(&::CreateDirectoryW) g_real_create_directory = nullptr;
std::map<std::wstring, std::wstring>* g_created = nullptr;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

}  // namespace

const wchar_t kPrivateFolderDacl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

std::wstring DaclSddl(PSECURITY_DESCRIPTOR descriptor) {
    wchar_t* text = nullptr;
    if (descriptor == nullptr ||
        !::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return L"<none>";
    }
    UniqueLocalMemory owner(text);
    return text;
}

FolderSecurityRecorder::FolderSecurityRecorder()
    : patch_(
          std::make_unique<ScopedImportPatch>("kernel32.dll",
                                              "CreateDirectoryW",
                                              reinterpret_cast<void*>(&RecordingCreateDirectory))) {
    g_real_create_directory =
        reinterpret_cast<decltype(g_real_create_directory)>(patch_->original());
    g_created = &created_;
}

FolderSecurityRecorder::~FolderSecurityRecorder() {
    patch_.reset();
    g_created = nullptr;
}

bool FolderSecurityRecorder::active() const {
    return patch_->active();
}

BOOL WINAPI FolderSecurityRecorder::RecordingCreateDirectory(LPCWSTR path,
                                                             LPSECURITY_ATTRIBUTES security) {
    if (g_created != nullptr && path != nullptr) {
        (*g_created)[Lower(path)] =
            security != nullptr ? DaclSddl(security->lpSecurityDescriptor) : L"<inherited>";
    }
    return g_real_create_directory(path, security);
}

}  // namespace zu::test
