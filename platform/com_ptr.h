#pragma once

#include <unknwn.h>

#include <utility>

namespace zu {

// Owns one reference to a COM interface and releases it when it goes out of
// scope. Move-only. Fill it through Receive() or ReceiveVoid(), which drop any
// interface held before, so nothing leaks on an early return:
//   ComPtr<ITaskFolder> folder;
//   service->GetFolder(path, folder.Receive());
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Releases the interface held, if any.
    void Reset() {
        if (Interface* old = std::exchange(pointer_, nullptr)) {
            old->Release();
        }
    }

    // For an interface out-parameter (Interface**).
    Interface** Receive() {
        Reset();
        return &pointer_;
    }

    // For CoCreateInstance and QueryInterface (void**).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace zu
