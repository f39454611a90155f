#include "region/region_source_table.h"

namespace zu {

const RegionFilePlace kRegionFilePlaces[kRegionFilePlaceCount] = {
    {RegionFileBase::kProgramData, L"\\Koru Corporation\\ZEMI Update\\ZU.ini"},
    {RegionFileBase::kNativeProgramFiles, L"\\Koru\\ZEMI Update 5\\ZU.ini"},
    {RegionFileBase::kNativeProgramFiles, L"\\Koru\\ZEMI Update 4\\ZU.ini"},
    {RegionFileBase::kNativeProgramFiles, L"\\Koru\\ZEMI Update 3\\ZU.ini"},
    {RegionFileBase::kProgramFiles32, L"\\Koru\\ZEMI Update 4\\ZU.ini"},
    {RegionFileBase::kProgramFiles32, L"\\Koru\\ZEMI Update 3\\ZU.ini"},
};

}  // namespace zu
