#include "legacy/generation_table.h"

#include <gtest/gtest.h>

#include <string>

#include "standins/outside_identifiers.h"

namespace zu {
namespace {

PreviousGeneration Untouched() {
    return {L"untouched", L"untouched", true};
}

void ExpectGeneration(const wchar_t* version,
                      const wchar_t* product_code,
                      const wchar_t* response_file,
                      bool replace_script) {
    SCOPED_TRACE(testing::Message()
                 << "version " << std::string(version, version + wcslen(version)));
    PreviousGeneration generation = Untouched();
    ASSERT_TRUE(FindPreviousGeneration(version, &generation));
    EXPECT_STREQ(product_code, generation.productCode);
    EXPECT_STREQ(response_file, generation.responseFile);
    EXPECT_EQ(replace_script, generation.replaceScript);
}

TEST(GenerationTableTest, FindPreviousGeneration_KnownVersions_SelectProductAndResponseFile) {
    ExpectGeneration(L"5.8.0.12345", outside::kProductCodeGen58, L"ZE8UUninstall.iss", false);
    ExpectGeneration(L"5.7.1.3", outside::kProductCodeGen5, L"ZU5Uninstall.iss", true);
    ExpectGeneration(L"5.6.2.0", outside::kProductCodeGen5, L"ZU5Uninstall.iss", false);
    ExpectGeneration(L"6.0.0", outside::kProductCodeGen6, L"ZU6Uninstall.iss", false);
    ExpectGeneration(L"7.1.0.0", outside::kProductCodeGen6, L"ZU6Uninstall.iss", false);
    ExpectGeneration(L"4.3.0.2", outside::kProductCodeGen4, L"ZU4Uninstall.iss", false);
}

// Only the first five characters are the key: "5.8" is not "5.8.0", and
// whatever follows "5.7.1" still replaces the script.
TEST(GenerationTableTest, FindPreviousGeneration_KeyIsFirstFiveCharacters) {
    ExpectGeneration(L"5.8", outside::kProductCodeGen5, L"ZU5Uninstall.iss", false);
    ExpectGeneration(L"5.8.01", outside::kProductCodeGen58, L"ZE8UUninstall.iss", false);
    ExpectGeneration(L"5.7.1", outside::kProductCodeGen5, L"ZU5Uninstall.iss", true);
    ExpectGeneration(L"5.7.10.0", outside::kProductCodeGen5, L"ZU5Uninstall.iss", true);
    ExpectGeneration(L"5.7.2.0", outside::kProductCodeGen5, L"ZU5Uninstall.iss", false);
}

TEST(GenerationTableTest, FindPreviousGeneration_OtherVersions_FindNothingAndLeaveOutput) {
    for (const wchar_t* version : {L"3.2.1", L"2.5.1.0", L"8.0.0.0", L"", L" 5.8.0", L"v5.8.0"}) {
        PreviousGeneration generation = Untouched();
        EXPECT_FALSE(FindPreviousGeneration(version, &generation));
        EXPECT_STREQ(L"untouched", generation.productCode);
        EXPECT_STREQ(L"untouched", generation.responseFile);
        EXPECT_TRUE(generation.replaceScript);
    }
}

}  // namespace
}  // namespace zu
