#pragma once

#include <oleauto.h>

#include "platform/scoped_handle.h"

namespace zu {

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::SysFreeString(h); }
};

// A BSTR for passing a string to a COM method:
//   ScopedBstr name(::SysAllocString(L"..."));
// Test it before use: SysAllocString gives null when memory runs out.
using ScopedBstr = ScopedHandle<BstrTraits>;

}  // namespace zu
