#pragma once

#include <windows.h>

#include <string>

namespace zu {

// Every visible text and font face comes from the launcher's own string tables,
// in the first of the user's, then the system's preferred UI languages whose
// table has the text, with English (United States) as the last resort.

// True when a non-empty text was found; text is emptied first and stays empty
// on failure.
bool LoadLocalizedString(std::wstring* text, UINT id);

// True when the table of exactly this language (no neutral or parent language)
// holds a non-empty text for id, copied to text; text is untouched otherwise.
bool LoadStringForLanguage(LANGID language, UINT id, std::wstring* text);

// The preferred UI languages as hexadecimal ids, each followed by a comma
// ("0411,0409,"; on XP "411,"). True when a list was obtained; list is
// untouched otherwise.
bool GetUserUiLanguageList(std::wstring* list);
bool GetSystemUiLanguageList(std::wstring* list);

// Field index of a comma-separated list (the empty text after the last comma
// counts). False with field emptied when the list has fewer fields.
bool GetListField(size_t index, const std::wstring& list, std::wstring* field);

}  // namespace zu
