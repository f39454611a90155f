#include "region/region_store.h"

#include "platform/registry_key.h"

namespace zu {
namespace {

void WriteRegionValue(const wchar_t* key_path, const wchar_t* value_name, DWORD value) {
    RegistryKey key;
    if (key.CreateWritable(key_path) == ERROR_SUCCESS) {
        key.WriteDword(value_name, value);
    }
}

// "dwLocation", then "subdwLocation" where the region has one.
void WriteRegion(const wchar_t* key_path, const RegionForms* region) {
    if (region == nullptr) {
        return;
    }
    WriteRegionValue(key_path, kLocationValue, region->location);
    if (region->subLocation != 0) {
        WriteRegionValue(key_path, kSubLocationValue, region->subLocation);
    }
}

// A 4-byte value read as it is, whatever its stored type; 0 when unreadable.
DWORD ReadFourBytes(const RegistryKey& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS ||
        size != sizeof(value)) {
        return 0;
    }
    return value;
}

}  // namespace

bool ReadRegionValues(const wchar_t* key_path, RegionId* id) {
    *id = kRegionNone;
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, key_path, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    *id = RegionIdFromLocation(ReadFourBytes(key, kLocationValue),
                               ReadFourBytes(key, kSubLocationValue));
    return true;
}

void StageRegionId(const wchar_t* value_name, DWORD value) {
    WriteRegionValue(kStagedRegionKey, value_name, value);
}

void StageRegionCode(const RegionCode& code) {
    const RegionForms* region = FindRegionByCode(code);
    if (region == nullptr) {
        return;
    }
    // An interrupted run may have staged China: its sub-location would turn
    // this region into China too.
    if (region->subLocation == 0) {
        RegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kStagedRegionKey, kRegWrite64) == ERROR_SUCCESS) {
            key.DeleteValue(kSubLocationValue);
        }
    }
    WriteRegion(kStagedRegionKey, region);
}

void StoreProductRegion(int id) {
    WriteRegion(kProductRegionKey, FindRegionById(id));
}

}  // namespace zu
