#include "region/country_table.h"

#include <gtest/gtest.h>

#include "region/region_table.h"

namespace zu {
namespace {

TEST(CountryTable, CountryList_68NamesInDisplayOrderSpeltAsShown) {
    CountryList list = {L"already there"};
    BuildCountryList(&list);
    ASSERT_EQ(69u, list.size());  // appended, not replaced
    EXPECT_EQ(L"Japan", list[1]);
    EXPECT_EQ(L"Puerto Rico", list[18]);
    EXPECT_EQ(L"The Netherlands", list[34]);
    EXPECT_EQ(L"Bosnia & Herzegovina", list[51]);
    EXPECT_EQ(L"China", list[54]);
    EXPECT_EQ(L"Gulf & Africa", list[62]);
    EXPECT_EQ(L"Korea", list[68]);
}

// Regions come in contiguous runs of the list: Japan, 17 Americas, 35 Europe,
// China, 14 Asia-Pacific.
TEST(CountryTable, RegionMap_EveryListedCountryFallsInItsRegionRun) {
    CountryList list;
    BuildCountryList(&list);
    CountryRegionMap map;
    BuildCountryRegionMap(&map);
    ASSERT_EQ(68u, map.size());
    std::wstring runs;
    for (const std::wstring& country : list) {
        const RegionCode code = LookUpRegionCode(map, country);
        if (runs.size() < 2 || runs.compare(runs.size() - 2, 2, code) != 0) {
            runs += code;
        }
    }
    EXPECT_EQ(L"JPUSEUCNAP", runs);
    int europe = 0;
    for (const std::wstring& country : list) {
        europe += LookUpRegionCode(map, country) == L"EU";
    }
    EXPECT_EQ(35, europe);
}

TEST(CountryTable, LookUpRegionCode_BorderCasesOfTheRuns) {
    CountryRegionMap map;
    BuildCountryRegionMap(&map);
    EXPECT_EQ(L"US", LookUpRegionCode(map, L"Puerto Rico"));
    for (const wchar_t* country : {L"Kazakhstan", L"Russian Federation", L"Turkey", L"Ukraine"}) {
        EXPECT_EQ(L"EU", LookUpRegionCode(map, country)) << country;
    }
    for (const wchar_t* country :
         {L"South Africa", L"Gulf & Africa", L"India", L"Taiwan", L"Hong Kong"}) {
        EXPECT_EQ(L"AP", LookUpRegionCode(map, country)) << country;
    }
    EXPECT_EQ(L"CN", LookUpRegionCode(map, L"China"));
}

TEST(CountryTable, LookUpRegionCode_NameNotExactlyListed_GivesEmptyCode) {
    CountryRegionMap map;
    BuildCountryRegionMap(&map);
    EXPECT_EQ(L"", LookUpRegionCode(map, L"japan"));
    EXPECT_EQ(L"", LookUpRegionCode(map, L"Netherlands"));
    EXPECT_EQ(L"", LookUpRegionCode(map, L""));
    EXPECT_EQ(L"", LookUpRegionCode(CountryRegionMap(), L"Japan"));
}

TEST(RegionTable, StoredLocations_MapBackToTheirRegion) {
    EXPECT_EQ(kRegionEurope, RegionIdFromLocation(4309, 0));
    EXPECT_EQ(kRegionJapan, RegionIdFromLocation(4316, 0));
    EXPECT_EQ(kRegionAmericas, RegionIdFromLocation(5388, 2032));
    EXPECT_EQ(kRegionAsiaPacific, RegionIdFromLocation(2031, 0));
    EXPECT_EQ(kRegionAsiaPacific, RegionIdFromLocation(2031, 2033));
    EXPECT_EQ(kRegionChina, RegionIdFromLocation(2031, 2032));
    EXPECT_EQ(kRegionNone, RegionIdFromLocation(0, 0));
    EXPECT_EQ(kRegionNone, RegionIdFromLocation(2032, 2032));
}

}  // namespace
}  // namespace zu
