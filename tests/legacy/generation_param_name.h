#pragma once

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "tests/support/machine_fixture.h"

namespace zu::test {

// Names a test of one generation after it: "ZEMIUpdate4", "ZEMIUpdate" for the latest.
inline std::string GenerationParamName(const testing::TestParamInfo<Generation>& info) {
    std::string name;
    for (const wchar_t* letter = GenerationName(info.param); *letter != L'\0'; ++letter) {
        if (std::iswalnum(*letter)) {
            name += static_cast<char>(*letter);
        }
    }
    return name;
}

}  // namespace zu::test
