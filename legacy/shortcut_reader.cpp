#include "legacy/shortcut_reader.h"

namespace zu {

HRESULT ShortcutReader::Initialize() {
    ComPtr<IShellLinkW> link;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IShellLinkW, link.ReceiveVoid());
    if (FAILED(result)) {
        return result;
    }
    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
    if (FAILED(result)) {
        return result;
    }
    link_ = std::move(link);
    file_ = std::move(file);
    return S_OK;
}

bool ShortcutReader::ReadTarget(const std::wstring& link_path, std::wstring* target) const {
    // Only a complete load counts: anything else may leave the previous
    // shortcut's target in the object.
    if (!file_ || file_->Load(link_path.c_str(), STGM_READ) != S_OK) {
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    // S_FALSE and an empty path: a shortcut to something that is not a file.
    if (FAILED(link_->GetPath(path, MAX_PATH, nullptr, SLGP_SHORTPATH)) || path[0] == L'\0') {
        return false;
    }
    *target = path;
    return true;
}

}  // namespace zu
