#pragma once

#include <string>

#include "tests/support/file_fixture.h"
#include "tests/support/test_paths.h"

namespace zu::test {

// "ModelName.txt" beside the running test program, where the launcher's code
// looks for it; removed again when the object goes.
class ModelListFile {
  public:
    ModelListFile() : path_(TestBinDir() + L"\\ModelName.txt") { DeletePath(path_); }
    ~ModelListFile() { DeletePath(path_); }
    ModelListFile(const ModelListFile&) = delete;
    ModelListFile& operator=(const ModelListFile&) = delete;

    // The text as UTF-16LE without a byte-order mark, as the package ships it.
    bool Write(const std::wstring& text) const {
        return WriteFileBytes(
            path_, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
    }
    bool WriteBytes(const std::string& bytes) const { return WriteFileBytes(path_, bytes); }

  private:
    std::wstring path_;
};

}  // namespace zu::test
