#include "tests/support/shortcut_fixture.h"

#include <shlobj.h>

#include "platform/com_ptr.h"
#include "platform/scoped_com.h"

namespace zu::test {
namespace {

HRESULT MakeLink(ComPtr<IShellLinkW>* link, ComPtr<IPersistFile>* file) {
    const HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellLinkW, link->ReceiveVoid());
    return FAILED(result) ? result : (*link)->QueryInterface(IID_IPersistFile, file->ReceiveVoid());
}

}  // namespace

HRESULT CreateShortcut(const std::wstring& link_path,
                       const std::wstring& target,
                       const std::wstring& arguments) {
    ScopedComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    HRESULT result = MakeLink(&link, &file);
    if (SUCCEEDED(result)) {
        result = link->SetPath(target.c_str());
    }
    if (SUCCEEDED(result)) {
        result = link->SetArguments(arguments.c_str());
    }
    return FAILED(result) ? result : file->Save(link_path.c_str(), TRUE);
}

std::wstring ShortcutTarget(const std::wstring& link_path) {
    ScopedComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(MakeLink(&link, &file)) || FAILED(file->Load(link_path.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        return std::wstring();
    }
    return target;
}

}  // namespace zu::test
