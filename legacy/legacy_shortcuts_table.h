#pragma once

// Names of the client's shortcuts, those of earlier generations and the new
// generation's own.

namespace zu {

// The client's shortcut in the all-users Start menu, its Programs folder and
// on the public desktop, under every generation that used the unnumbered name.
inline constexpr wchar_t kClientShortcutName[] = L"ZEMI Update.lnk";

// Generation 5's shortcut in the all-users Programs folder.
inline constexpr wchar_t kGeneration5ShortcutName[] = L"ZEMI Update 5.lnk";

// Start-menu program groups of generations 4, 3 and 2 below the all-users
// Programs folder, removed in this order with everything in them.
inline constexpr const wchar_t* kLegacyProgramGroups[] = {
    L"ZEMI Update 4",
    L"ZEMI Update 3",
    L"ZEMI Update 2",
};

// A shortcut whose lower-cased target contains this starts the client.
inline constexpr wchar_t kClientTargetMarker[] = L"zemiupdt.exe";

// The shortcuts at the top of a folder.
inline constexpr wchar_t kShortcutPattern[] = L"\\*.lnk";

// Below ProgramData: the client's shortcut that the new setup creates in the
// all-users Programs folder.
inline constexpr wchar_t kNewClientShortcutTail[] =
    L"\\Microsoft\\Windows\\Start Menu\\Programs\\ZEMI Update.lnk";

}  // namespace zu
