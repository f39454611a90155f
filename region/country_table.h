#pragma once

#include <map>
#include <string>
#include <vector>

#include "region/region_table.h"

namespace zu {

// The countries a user may choose from when nothing on the machine tells the
// region. The names are fixed English texts, not localized.

// Country names in display order (the region window does not sort them).
using CountryList = std::vector<std::wstring>;

// Country name -> region code; keyed by the exact name, case-sensitive.
using CountryRegionMap = std::map<std::wstring, RegionCode>;

// Appends the 68 country names in display order.
void BuildCountryList(CountryList* list);

// Inserts the 68 names with their region codes.
void BuildCountryRegionMap(CountryRegionMap* map);

// The code stored for name; empty for a name that is not in map ("japan" is
// not "Japan").
RegionCode LookUpRegionCode(const CountryRegionMap& map, const std::wstring& name);

}  // namespace zu
