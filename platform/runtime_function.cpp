#include "platform/runtime_function.h"

namespace zu {

FARPROC FindLoadedFunction(const wchar_t* module, const char* name) {
    HMODULE handle = ::GetModuleHandleW(module);
    if (handle == nullptr) {
        return nullptr;
    }
    return ::GetProcAddress(handle, name);
}

}  // namespace zu
