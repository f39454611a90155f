#pragma once

#include <windows.h>

#include <utility>

namespace zu {

// One owner for every kind of system handle: the traits say which value means
// "none" and how to give the handle back. Move-only, so nothing leaks on an
// early return and nothing is closed twice.
template <typename Traits>
class ScopedHandle {
  public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    bool IsValid() const { return handle_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    Handle Get() const { return handle_; }

    // Gives up ownership without closing.
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    void Reset(Handle handle = Traits::Invalid()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

  private:
    Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

// CreateFile and CreateToolhelp32Snapshot report failure as INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};

struct SidTraits {
    using Handle = PSID;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeSid(h); }
};

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};

using UniqueHandle = ScopedHandle<KernelHandleTraits>;
using UniqueFileHandle = ScopedHandle<FileHandleTraits>;
using UniqueFindHandle = ScopedHandle<FindHandleTraits>;
using UniqueLocalMemory = ScopedHandle<LocalMemoryTraits>;
using UniqueSid = ScopedHandle<SidTraits>;
using UniqueGdiObject = ScopedHandle<GdiObjectTraits>;
using UniqueModule = ScopedHandle<ModuleTraits>;

}  // namespace zu
