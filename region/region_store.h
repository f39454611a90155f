#pragma once

#include "region/region_table.h"

namespace zu {

// Where a region is kept in the registry (HKEY_LOCAL_MACHINE, 64-bit view), as
// "dwLocation" and "subdwLocation".

// The product's own key; earlier generations left their region here, and the
// install writes it back once the clean-up has removed the old product key.
inline constexpr wchar_t kProductRegionKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update\\Region";
// The maker's key shared by its applications.
inline constexpr wchar_t kSharedInfoKey[] = L"SOFTWARE\\Koru Corporation\\Shared Info";
// Below the installer's scratch key: the region carried across the uninstall.
inline constexpr wchar_t kStagedRegionKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\Region";

// Reads the region stored under key_path. True when the key opened; id then
// holds the region (kRegionNone for missing or unknown values). False, with id
// set to kRegionNone, when the key does not open.
bool ReadRegionValues(const wchar_t* key_path, RegionId* id);

// Writes one REG_DWORD below the staging key, creating it when missing.
// Failures are not reported: a region that cannot be staged is simply lost.
void StageRegionId(const wchar_t* value_name, DWORD value);

// Stages the region of code (compared without regard to case); an unknown or
// empty code stages nothing.
void StageRegionCode(const RegionCode& code);

// Writes the region's values under the product's region key, each through its
// own create-write-close; kRegionNone and unknown ids write nothing. Failures
// are ignored.
void StoreProductRegion(int id);

}  // namespace zu
