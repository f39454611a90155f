#pragma once

#include <string>

#include "platform/launcher_context.h"
#include "region/region_store.h"
#include "region/region_table.h"

namespace zu {

// The sales region travels from the generation being replaced to the new one;
// the user is asked only when nothing on the machine tells. The region found
// is staged below the installer's scratch key (kStagedRegionKey), because the
// clean-up of earlier generations removes the product key; the install copies
// it back with ReadRegionValues and StoreProductRegion (region_store.h).

// Establishes the region and stages it. True when a region was found or the
// user chose one (through context->chooseCountry, the region window). False
// when none could be established: nothing found in an unattended run
// (ordinaryRunSilent, zeuInstallSilent or launchInstaller; no window is
// shown), the user could not be asked, or cancelled or closed the window.
bool SelectRegion(LauncherContext* context);

// The region left by earlier generations: their "ZU.ini" files from the latest
// generation on, then the product's region key, then "Shared Info";
// Asia-Pacific is refined to China where the machine says so. kRegionNone
// when no place tells.
RegionId DiscoverRegion();

// The region whose marker ("/EU/", "/JP/", "/US/", "/AP/", "/CN/", any letter
// case) occurs in an update server address, the first in that order winning
// wherever it stands; kRegionNone without any marker.
RegionId RegionFromUrl(const std::wstring& url);

// The "InfoFileURLBase" of section "Setting" of an ini file. False, url
// untouched, when the file, the section or the value is missing or the value
// is empty.
bool ReadInfoFileUrlBase(const std::wstring& ini_path, std::wstring* url);

// Only for kRegionAsiaPacific: makes it kRegionChina when "Shared Info" says
// China or the machine model is listed as a Chinese model. True when id was
// changed.
bool RefineAsiaPacificToChina(RegionId* id);

}  // namespace zu
