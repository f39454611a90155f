#pragma once

#include <vector>

namespace zu::test {

// While it lives, points the running program's imports of one function (its
// import address table entries) at a replacement, so a test can show the code
// under test another system: a function missing, or one answering other data.
// active() is false when the program does not import the function by name.
class ScopedImportPatch {
  public:
    ScopedImportPatch(const char* dll, const char* function, void* replacement);
    ~ScopedImportPatch();
    ScopedImportPatch(const ScopedImportPatch&) = delete;
    ScopedImportPatch& operator=(const ScopedImportPatch&) = delete;

    bool active() const { return !slots_.empty(); }
    // What the entries held before; null when not active.
    void* original() const { return original_; }

  private:
    std::vector<void**> slots_;
    void* original_ = nullptr;
};

}  // namespace zu::test
