#pragma once

#include <cstddef>

namespace zu {

// The folders that earlier generations kept their "ZU.ini" below.
enum class RegionFileBase {
    kProgramData,         // FOLDERID_ProgramData
    kNativeProgramFiles,  // the 64-bit Program Files on 64-bit Windows
    kProgramFiles32,      // FOLDERID_ProgramFiles
};

// One "ZU.ini" whose update server address tells the region.
struct RegionFilePlace {
    RegionFileBase base;
    const wchar_t* tail;  // appended to the base folder, from its backslash on
};

// The ini files in the order they are tried: the latest generation first.
inline constexpr std::size_t kRegionFilePlaceCount = 6;
extern const RegionFilePlace kRegionFilePlaces[kRegionFilePlaceCount];

// The ini value that holds the update server address.
inline constexpr wchar_t kRegionIniSection[] = L"Setting";
inline constexpr wchar_t kRegionIniKey[] = L"InfoFileURLBase";

}  // namespace zu
