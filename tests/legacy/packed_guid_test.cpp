#include "legacy/packed_guid.h"

#include <gtest/gtest.h>

#include <string>

namespace zu {
namespace {

struct KnownPair {
    const wchar_t* braced;
    const wchar_t* packed;
};

// Worked out by hand from the rule, and the packed forms that the earlier
// generations' identifier list carried, typed apart from any code.
constexpr KnownPair kKnownPairs[] = {
    {L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}", L"87654321CBA90FED21436587A9CBED0F"},
    {L"{00000000-0000-0000-0000-000000000000}", L"00000000000000000000000000000000"},
    {L"{A30DD716-F8E7-4F13-95AC-FD3CF9C5E466}", L"617DD03A7E8F31F459CADFC39F5C4E66"},
    {L"{0B40B1BF-134F-4AD6-966B-D9B325503E63}", L"FB1B04B0F4316DA469B69D3B5205E336"},
    {L"{A3882C89-85BC-4089-B1D6-BC4A7941E703}", L"98C2883ACB5898041B6DCBA497147E30"},
    {L"{AC5D622D-C62B-4EA5-827A-5CAC177F5183}", L"D226D5CAB26C5AE428A7C5CA71F71538"},
    {L"{7815E17D-6516-46C8-B819-A347634EE57B}", L"D71E518761568C648B913A7436E45EB7"},
    {L"{629979D7-7D32-47C8-9A84-CCADD2FCA4A9}", L"7D97992623D78C74A948CCDA2DCF4A9A"},
    {L"{CEE4415A-8E99-468C-875C-81A4B2036E7B}", L"A5144EEC99E8C86478C5184A2B30E6B7"},
    {L"{FC7E9D39-E420-49A2-BB9E-1BA1AB5EF790}", L"93D9E7CF024E2A94BBE9B11ABAE57F09"},
    {L"{AEEFC1E8-D0FB-4072-892D-76E0AE4134B6}", L"8E1CFEEABF0D270498D2670EEA14436B"},
    {L"{D86D3EB4-B9CD-4CB2-87B8-99152AD171DE}", L"4BE3D68DDC9B2BC4788B9951A21D17ED"},
    {L"{1469208D-6867-4C28-9C26-EA10CDC85A5B}", L"D8029641768682C4C962AE01DC8CA5B5"},
    {L"{C8C87658-FB11-4C6C-A7C8-DA96CA877363}", L"85678C8C11BFC6C47A8CAD69AC783736"},
};

TEST(PackedGuidTest, KnownPairs_PackToTheirPackedForm) {
    for (const KnownPair& pair : kKnownPairs) {
        PackedGuid packed = {};
        ASSERT_TRUE(PackGuid(pair.braced, &packed)) << pair.braced;
        EXPECT_EQ(std::wstring(packed.text), pair.packed) << pair.braced;
    }
}

TEST(PackedGuidTest, MalformedCodes_RefusedAndOutputUntouched) {
    const wchar_t* const malformed[] = {
        nullptr,
        L"",
        L"{12345678-9ABC-DEF0-1234-56789ABCDEF}",    // a digit short
        L"{12345678-9ABC-DEF0-1234-56789ABCDEF0}x",  // something after it
        L"{12345678-9abc-DEF0-1234-56789ABCDEF0}",   // lower case
        L"12345678-9ABC-DEF0-1234-56789ABCDEF0",     // no braces
        L"{123456789-ABC-DEF0-1234-56789ABCDEF0}",   // hyphen out of place
        L"{12345678-9ABC-DEF0-1234-56789ABCDEG0}",   // not hexadecimal
        L"{87654321CBA90FED21436587A9CBED0F}",       // already packed
    };
    for (const wchar_t* code : malformed) {
        PackedGuid packed = {{L'x', L'\0'}};
        EXPECT_FALSE(IsBracedGuid(code)) << (code ? code : L"(null)");
        EXPECT_FALSE(PackGuid(code, &packed)) << (code ? code : L"(null)");
        EXPECT_EQ(std::wstring(packed.text), L"x");
    }
}

}  // namespace
}  // namespace zu
