// The shipped program is built without exceptions: nothing in it throws, and
// no step catches. What the standard library would throw (memory exhausted, a
// string grown past its limit) ends the process here instead, with a status
// that says why, and the window goes with it. These definitions take the
// place of the library's own, so its exception machinery stays out of the
// file. The test programs keep the library's throwing versions.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void EndProcess(UINT status) {
    ::ExitProcess(status);
}

void* Allocate(std::size_t size) {
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) {
        EndProcess(ERROR_NOT_ENOUGH_MEMORY);
    }
    return memory;
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}

void* operator new[](std::size_t size) {
    return Allocate(size);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace std {

void __throw_bad_alloc() {
    EndProcess(ERROR_NOT_ENOUGH_MEMORY);
}

void __throw_bad_array_new_length() {
    EndProcess(ERROR_NOT_ENOUGH_MEMORY);
}

void __throw_length_error(const char*) {
    EndProcess(ERROR_NOT_ENOUGH_MEMORY);
}

void __throw_logic_error(const char*) {
    EndProcess(ERROR_INVALID_PARAMETER);
}

void __throw_out_of_range(const char*) {
    EndProcess(ERROR_INVALID_PARAMETER);
}

void __throw_out_of_range_fmt(const char*, ...) {
    EndProcess(ERROR_INVALID_PARAMETER);
}

}  // namespace std
