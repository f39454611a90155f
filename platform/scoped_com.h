#pragma once

#include <objbase.h>

namespace zu {

// COM for the duration of one operation, as a single-threaded apartment on the
// calling thread. A thread that already runs COM in the multithreaded
// apartment (RPC_E_CHANGED_MODE) may still use COM; CoUninitialize is called
// only to balance an initialisation that succeeded.
class ScopedComApartment {
  public:
    ScopedComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedComApartment() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }

    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

    // True when COM can be used on this thread now.
    bool IsUsable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

}  // namespace zu
