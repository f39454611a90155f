#pragma once

// The InstallShield product codes of the earlier generations: their setup
// caches live in "<Program Files (x86)>\InstallShield Installation Information\<code>".

namespace zu {

inline constexpr wchar_t kProductCodeGen4[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A04}";
inline constexpr wchar_t kProductCodeGen5[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A05}";
inline constexpr wchar_t kProductCodeGen58[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A58}";
inline constexpr wchar_t kProductCodeGen6[] = L"{6F1C2A40-3B7D-4E21-9A58-0C4D2E7B1A06}";

}  // namespace zu
