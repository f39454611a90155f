#pragma once

#include <cstddef>

namespace zu {

// Windows Installer names its registry keys after GUIDs in packed form: 32
// upper-case hex digits without braces or hyphens, the first three groups
// reversed digit by digit, then each of the last eight bytes with its two
// digits swapped:
//   {12345678-9ABC-DEF0-1234-56789ABCDEF0} -> 87654321CBA90FED21436587A9CBED0F
// Everything here is constexpr so that the clean-up tables are packed from the
// braced identifiers when the launcher is compiled.

inline constexpr size_t kBracedGuidLength = 38;
inline constexpr size_t kPackedGuidLength = 32;

// A packed GUID, null-terminated.
struct PackedGuid {
    wchar_t text[kPackedGuidLength + 1];
};

namespace packed_guid_internal {

// For each digit of the packed form, where it stands in the braced form.
inline constexpr unsigned char kBracedPosition[kPackedGuidLength] = {
    8,  7,  6,  5,  4,  3,  2,  1,                                   // first group, reversed
    13, 12, 11, 10,                                                  // second group, reversed
    18, 17, 16, 15,                                                  // third group, reversed
    21, 20, 23, 22, 26, 25, 28, 27, 30, 29, 32, 31, 34, 33, 36, 35,  // bytes, digits swapped
};

constexpr bool IsUpperHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

// Whether c may stand at position i of a braced GUID.
constexpr bool FitsBracedPosition(size_t i, wchar_t c) {
    if (i == 0) {
        return c == L'{';
    }
    if (i == kBracedGuidLength - 1) {
        return c == L'}';
    }
    if (i == 9 || i == 14 || i == 19 || i == 24) {
        return c == L'-';
    }
    return IsUpperHexDigit(c);
}

}  // namespace packed_guid_internal

// True when text is exactly a GUID in registry notation with upper-case hex
// digits, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". False for null, for a
// shorter or longer text and for lower-case digits.
constexpr bool IsBracedGuid(const wchar_t* text) {
    if (text == nullptr) {
        return false;
    }
    // Stops at the first character that does not fit, so a short text is read
    // no further than its terminating null.
    for (size_t i = 0; i < kBracedGuidLength; ++i) {
        if (!packed_guid_internal::FitsBracedPosition(i, text[i])) {
            return false;
        }
    }
    return text[kBracedGuidLength] == L'\0';
}

// Writes the packed form of braced to *packed. Returns false, *packed
// untouched, when braced is not IsBracedGuid.
constexpr bool PackGuid(const wchar_t* braced, PackedGuid* packed) {
    if (!IsBracedGuid(braced)) {
        return false;
    }
    for (size_t i = 0; i < kPackedGuidLength; ++i) {
        packed->text[i] = braced[packed_guid_internal::kBracedPosition[i]];
    }
    packed->text[kPackedGuidLength] = L'\0';
    return true;
}

}  // namespace zu
