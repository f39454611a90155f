// A COM server DLL for regsvr32 to load: each call of its registration entry
// points is recorded in the stand-ins' journal, as a start of the program
// named after this DLL's file name (path and arguments are regsvr32's, so its
// command line shows), followed by an event "DllRegisterServer" or
// "DllUnregisterServer" with this DLL's path. Copied under the file names of
// the client's server DLLs.
#include <windows.h>

#include <string>

#include "standins/standin_common.h"

namespace {

HMODULE own_module = nullptr;

std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(own_module, path, MAX_PATH * 2);
    return path;
}

HRESULT Record(const wchar_t* entry_point) {
    const std::wstring path = OwnPath();
    const zu::standin::Standin call(zu::standin::FileNameOf(path));
    call.Record(entry_point, path);
    return S_OK;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        own_module = instance;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    return Record(L"DllRegisterServer");
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    return Record(L"DllUnregisterServer");
}
