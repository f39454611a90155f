#include "region/region_table.h"

#include <wchar.h>

namespace zu {

const RegionForms kRegions[kRegionCount] = {
    {kRegionEurope, L"EU", 4309, 0, L"/EU/"},
    {kRegionJapan, L"JP", 4316, 0, L"/JP/"},
    {kRegionAmericas, L"US", 5388, 0, L"/US/"},
    {kRegionAsiaPacific, L"AP", 2031, 0, L"/AP/"},
    {kRegionChina, L"CN", 2031, kChinaSubLocation, L"/CN/"},
};

const RegionForms* FindRegionById(int id) {
    for (const RegionForms& region : kRegions) {
        if (region.id == id) {
            return &region;
        }
    }
    return nullptr;
}

const RegionForms* FindRegionByCode(const RegionCode& code) {
    for (const RegionForms& region : kRegions) {
        if (_wcsicmp(code.c_str(), region.code) == 0) {
            return &region;
        }
    }
    return nullptr;
}

RegionId RegionIdFromLocation(DWORD location, DWORD sub_location) {
    if (location == FindRegionById(kRegionChina)->location) {
        return sub_location == kChinaSubLocation ? kRegionChina : kRegionAsiaPacific;
    }
    for (const RegionForms& region : kRegions) {
        if (region.location == location) {
            return region.id;
        }
    }
    return kRegionNone;
}

}  // namespace zu
