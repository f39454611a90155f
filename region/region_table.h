#pragma once

#include <windows.h>

#include <string>

namespace zu {

// The five sales regions the client serves, in their internal numbering;
// kRegionNone means no region was found.
enum RegionId : int {
    kRegionNone = 0,
    kRegionEurope = 1,
    kRegionJapan = 2,
    kRegionAmericas = 3,
    kRegionAsiaPacific = 4,
    kRegionChina = 5,
};

// A region's two-letter code ("EU", "JP", "US", "AP", "CN") as the region
// window returns it; empty for none. Codes compare without regard to case.
using RegionCode = std::wstring;

// The registry values that hold a stored region (REG_DWORD each).
inline constexpr wchar_t kLocationValue[] = L"dwLocation";
inline constexpr wchar_t kSubLocationValue[] = L"subdwLocation";

// China shares its location number with Asia-Pacific and is told apart only
// by this sub-location.
inline constexpr DWORD kChinaSubLocation = 2032;

// Every form of one region.
struct RegionForms {
    RegionId id;
    const wchar_t* code;
    DWORD location;     // "dwLocation"
    DWORD subLocation;  // "subdwLocation", 0 = not written
    // What marks the region inside an update server address of earlier generations.
    const wchar_t* urlMarker;
};

// The five regions in id order; the order is also the order in which URL
// markers are looked for.
inline constexpr int kRegionCount = 5;
extern const RegionForms kRegions[kRegionCount];

// The forms of id, or null for kRegionNone and anything outside 1-5.
const RegionForms* FindRegionById(int id);

// The forms of code compared without regard to case, or null for an unknown code.
const RegionForms* FindRegionByCode(const RegionCode& code);

// The region stored as these two values: a location outside the table gives
// kRegionNone; the shared Asia-Pacific location is China only with China's
// sub-location.
RegionId RegionIdFromLocation(DWORD location, DWORD sub_location);

}  // namespace zu
