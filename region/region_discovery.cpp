#include "region/region_discovery.h"

#include <windows.h>
#include <shlobj.h>

#include <cwctype>

#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "region/country_table.h"
#include "region/model_region.h"
#include "region/region_source_table.h"

namespace zu {
namespace {

constexpr DWORD kUrlCapacity = 260;

bool IsUnattended(const LauncherContext& context) {
    return context.ordinaryRunSilent || context.zeuInstallSilent || context.launchInstaller;
}

// The place's full path; false when its base folder cannot be resolved.
bool RegionFilePath(const RegionFilePlace& place, std::wstring* path) {
    if (place.base == RegionFileBase::kNativeProgramFiles) {
        return GetNativeProgramFilesPath(place.tail, path);
    }
    const KNOWNFOLDERID& folder =
        place.base == RegionFileBase::kProgramData ? FOLDERID_ProgramData : FOLDERID_ProgramFiles;
    std::wstring base;
    if (FAILED(KnownFolderResolver().GetPath(folder, &base))) {
        return false;
    }
    *path = base + place.tail;
    return true;
}

RegionId RegionFromFiles() {
    for (const RegionFilePlace& place : kRegionFilePlaces) {
        std::wstring path;
        std::wstring url;
        if (!RegionFilePath(place, &path) || !PathExists(path) ||
            !ReadInfoFileUrlBase(path, &url)) {
            continue;
        }
        const RegionId id = RegionFromUrl(url);
        if (id != kRegionNone) {
            return id;
        }
    }
    return kRegionNone;
}

RegionId RegionFromKey(const wchar_t* key_path) {
    RegionId id = kRegionNone;
    ReadRegionValues(key_path, &id);
    return id;
}

// The region code of the country the user chooses; empty when the user
// declines. False, code untouched, when the user cannot be asked.
bool AskUserForRegion(const LauncherContext& context, RegionCode* code) {
    CountryList countries;
    BuildCountryList(&countries);
    std::wstring country;
    if (context.chooseCountry == nullptr || !context.chooseCountry(context, countries, &country)) {
        return false;
    }
    CountryRegionMap regions;
    BuildCountryRegionMap(&regions);
    *code = LookUpRegionCode(regions, country);
    return true;
}

}  // namespace

bool SelectRegion(LauncherContext* context) {
    const RegionForms* region = FindRegionById(DiscoverRegion());
    if (region != nullptr) {
        StageRegionCode(region->code);
        return true;
    }
    if (IsUnattended(*context)) {
        return false;
    }
    RegionCode code;
    if (!AskUserForRegion(*context, &code) || FindRegionByCode(code) == nullptr) {
        return false;
    }
    ::ShowWindow(context->mainWindow, context->ordinaryRun ? SW_SHOWNORMAL : SW_HIDE);
    ::UpdateWindow(context->mainWindow);
    StageRegionCode(code);
    return true;
}

RegionId DiscoverRegion() {
    RegionId id = RegionFromFiles();
    if (id == kRegionNone) {
        id = RegionFromKey(kProductRegionKey);
    }
    if (id == kRegionNone) {
        id = RegionFromKey(kSharedInfoKey);
    }
    RefineAsiaPacificToChina(&id);
    return id;
}

RegionId RegionFromUrl(const std::wstring& url) {
    std::wstring upper = url;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    for (const RegionForms& region : kRegions) {
        if (upper.find(region.urlMarker) != std::wstring::npos) {
            return region.id;
        }
    }
    return kRegionNone;
}

bool ReadInfoFileUrlBase(const std::wstring& ini_path, std::wstring* url) {
    wchar_t buffer[kUrlCapacity] = {};
    if (::GetPrivateProfileStringW(kRegionIniSection, kRegionIniKey, L"", buffer, kUrlCapacity,
                                   ini_path.c_str()) == 0) {
        return false;
    }
    *url = buffer;
    return true;
}

bool RefineAsiaPacificToChina(RegionId* id) {
    if (*id != kRegionAsiaPacific) {
        return false;
    }
    if (RegionFromKey(kSharedInfoKey) != kRegionChina && !IsListedModel()) {
        return false;
    }
    *id = kRegionChina;
    return true;
}

}  // namespace zu
