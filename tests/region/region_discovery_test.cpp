#include "region/region_discovery.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/region/model_list_file.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/region_window_user.h"
#include "ui/region_window.h"

namespace zu {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";

// The eight places that may hold a region, in the order they are tried.
enum Place {
    kDataIni,
    kGen5Ini,
    kGen4NativeIni,
    kGen3NativeIni,
    kGen4Ini32,
    kGen3Ini32,
    kProductKey,
    kSharedInfo,
    kPlaceCount
};

std::wstring IniPath(Place place) {
    switch (place) {
        case kDataIni:
            return test::ProgramData() + L"\\Koru Corporation\\ZEMI Update\\ZU.ini";
        case kGen5Ini:
            return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update 5\\ZU.ini";
        case kGen4NativeIni:
            return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update 4\\ZU.ini";
        case kGen3NativeIni:
            return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update 3\\ZU.ini";
        case kGen4Ini32:
            return test::ProgramFiles32() + L"\\Koru\\ZEMI Update 4\\ZU.ini";
        default:
            return test::ProgramFiles32() + L"\\Koru\\ZEMI Update 3\\ZU.ini";
    }
}

bool IsIni(Place place) {
    return place != kProductKey && place != kSharedInfo;
}

// On 32-bit Windows both Program Files are one folder: a later place may be
// the file of one tried up to `upto`.
bool IsEarlierFile(Place place, Place upto) {
    for (int earlier = 0; earlier <= upto && IsIni(place); ++earlier) {
        if (IsIni(static_cast<Place>(earlier)) &&
            ::lstrcmpiW(IniPath(place).c_str(), IniPath(static_cast<Place>(earlier)).c_str()) ==
                0) {
            return true;
        }
    }
    return false;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string IniWithUrl(const std::string& url) {
    return "[Setting]\r\nVersion=5.6.2.0\r\nInfoFileURLBase=" + url + "\r\n";
}

struct Location {
    DWORD location;
    std::optional<DWORD> subLocation;
};

Location LocationOf(RegionId id) {
    switch (id) {
        case kRegionEurope:
            return {4309, std::nullopt};
        case kRegionJapan:
            return {4316, std::nullopt};
        case kRegionAmericas:
            return {5388, std::nullopt};
        case kRegionAsiaPacific:
            return {2031, std::nullopt};
        default:
            return {2031, 2032};
    }
}

const wchar_t* CodeOf(RegionId id) {
    static const wchar_t* const kCodes[] = {L"", L"EU", L"JP", L"US", L"AP", L"CN"};
    return kCodes[id];
}

class RegionDiscoveryTest : public testing::Test {
  protected:
    RegionDiscoveryTest() { ResetRegionKeys(); }
    ~RegionDiscoveryTest() override { ResetRegionKeys(); }

    static void ResetRegionKeys() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, k64);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductRegionKey, k64);
    }

    // Lays out place with an update server address (files) or stored values
    // (keys) that say region.
    void Put(test::Machine* machine, Place place, RegionId region) {
        if (!IsIni(place)) {
            PutLocation(machine, place, LocationOf(region));
        } else {
            PutUrl(machine, place,
                   "https://zu.koru.example/InfoFile/" + Narrow(CodeOf(region)) + "/");
        }
    }

    void PutUrl(test::Machine* machine, Place place, const std::string& url) {
        ASSERT_TRUE(machine->WriteFile(IniPath(place), IniWithUrl(url)));
    }

    void PutLocation(test::Machine* machine, Place place, const Location& location) {
        const wchar_t* key = place == kProductKey ? kProductRegionKey : kSharedInfoKey;
        ASSERT_TRUE(
            machine->SetDword(HKEY_LOCAL_MACHINE, key, k64, kLocationValue, location.location));
        if (location.subLocation) {
            ASSERT_TRUE(machine->SetDword(HKEY_LOCAL_MACHINE, key, k64, kSubLocationValue,
                                          *location.subLocation));
        }
    }

    static std::optional<DWORD> Staged(const wchar_t* name) {
        return test::DwordValue(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64, name);
    }

    static bool NothingStaged() {
        return !test::KeyExists(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64);
    }
};

TEST_F(RegionDiscoveryTest, NothingAnywhereOrEachPlaceAlone_NoRegionOrItsRegion) {
    EXPECT_EQ(kRegionNone, DiscoverRegion());
    const RegionId regions[] = {kRegionEurope, kRegionJapan, kRegionAmericas};
    for (int place = 0; place < kPlaceCount; ++place) {
        const RegionId region = regions[place % 3];
        test::Machine machine;
        Put(&machine, static_cast<Place>(place), region);
        EXPECT_EQ(region, DiscoverRegion()) << "place " << place + 1;
    }
}

// Every place wins over all that come after it, and is not asked while an
// earlier one answers.
TEST_F(RegionDiscoveryTest, SeveralPlaces_FirstInOrderWins) {
    for (int first = 0; first < kPlaceCount; ++first) {
        test::Machine machine;
        Put(&machine, static_cast<Place>(first), kRegionJapan);
        for (int later = first + 1; later < kPlaceCount; ++later) {
            if (!IsEarlierFile(static_cast<Place>(later), static_cast<Place>(first))) {
                Put(&machine, static_cast<Place>(later), kRegionAmericas);
            }
        }
        EXPECT_EQ(kRegionJapan, DiscoverRegion()) << "first place " << first + 1;
    }
}

TEST_F(RegionDiscoveryTest, LowerCaseMarkerInDataFolder_EuropeAndOlderFilesNotRead) {
    test::Machine machine;
    PutUrl(&machine, kDataIni, "https://zu.koru.example/infofile/eu/");
    Put(&machine, kGen5Ini, kRegionJapan);
    EXPECT_EQ(kRegionEurope, DiscoverRegion());
}

TEST_F(RegionDiscoveryTest, JapanAndEuropeMarkersInOneAddress_EuropeWhateverTheOrder) {
    for (const char* url :
         {"https://zu.koru.example/JP/x/EU/", "https://zu.koru.example/EU/x/JP/"}) {
        test::Machine machine;
        PutUrl(&machine, kGen5Ini, url);
        EXPECT_EQ(kRegionEurope, DiscoverRegion()) << url;
    }
}

TEST_F(RegionDiscoveryTest, AddressWithoutMarkerOrEmpty_NextPlaceTried) {
    test::Machine machine;
    PutUrl(&machine, kDataIni, "https://zu.koru.example/InfoFile/");
    PutUrl(&machine, kGen5Ini, "");
    PutUrl(&machine, kGen4NativeIni, "https://zu.koru.example/EUR/");  // no "/EU/" either
    Put(&machine, kGen3Ini32, kRegionAmericas);
    EXPECT_EQ(kRegionAmericas, DiscoverRegion());
}

TEST_F(RegionDiscoveryTest, ProductKeyWithUnknownLocation_FallsThroughToSharedInfo) {
    for (DWORD unknown : {0u, 1234u, 2032u}) {
        test::Machine machine;
        PutLocation(&machine, kProductKey, {unknown, std::nullopt});
        Put(&machine, kSharedInfo, kRegionJapan);
        EXPECT_EQ(kRegionJapan, DiscoverRegion()) << unknown;
    }
}

TEST_F(RegionDiscoveryTest, AsiaPacificAnywhere_ChinaWhenSharedInfoSaysChina) {
    for (Place place : {kDataIni, kGen3Ini32, kProductKey}) {
        test::Machine machine;
        Put(&machine, place, kRegionAsiaPacific);
        Put(&machine, kSharedInfo, kRegionChina);
        EXPECT_EQ(kRegionChina, DiscoverRegion()) << "place " << place + 1;
    }
}

// Wine's WMI names the model "Wine".
TEST_F(RegionDiscoveryTest, AsiaPacificWithSharedInfoEurope_ChinaOnlyForListedModel) {
    test::ModelListFile models;
    test::Machine machine;
    Put(&machine, kGen5Ini, kRegionAsiaPacific);
    Put(&machine, kSharedInfo, kRegionEurope);

    ASSERT_TRUE(models.Write(L"ZEMI-C100, Wine, ZEMI-C200"));
    EXPECT_EQ(kRegionChina, DiscoverRegion());
    ASSERT_TRUE(models.Write(L"ZEMI-C100, ZEMI-C200"));
    EXPECT_EQ(kRegionAsiaPacific, DiscoverRegion());
}

TEST_F(RegionDiscoveryTest, SharedInfoAsiaPacificAlone_RefinedByModelOnly) {
    test::ModelListFile models;
    test::Machine machine;
    Put(&machine, kSharedInfo, kRegionAsiaPacific);
    EXPECT_EQ(kRegionAsiaPacific, DiscoverRegion());
    ASSERT_TRUE(models.Write(L"Wine"));
    EXPECT_EQ(kRegionChina, DiscoverRegion());
}

TEST_F(RegionDiscoveryTest, RefineAsiaPacificToChina_LeavesOtherRegionsAlone) {
    test::Machine machine;
    Put(&machine, kSharedInfo, kRegionChina);
    RegionId id = kRegionJapan;
    EXPECT_FALSE(RefineAsiaPacificToChina(&id));
    EXPECT_EQ(kRegionJapan, id);
    id = kRegionAsiaPacific;
    EXPECT_TRUE(RefineAsiaPacificToChina(&id));
    EXPECT_EQ(kRegionChina, id);
}

TEST_F(RegionDiscoveryTest, FoundRegion_StagedAsItsStoredValuesForEveryRegion) {
    for (RegionId region :
         {kRegionEurope, kRegionJapan, kRegionAmericas, kRegionAsiaPacific, kRegionChina}) {
        ResetRegionKeys();
        test::Machine machine;
        Put(&machine, kProductKey, region);
        LauncherContext context;
        context.zeuInstallSilent = true;
        EXPECT_TRUE(SelectRegion(&context)) << CodeOf(region);
        const Location expected = LocationOf(region);
        EXPECT_EQ(expected.location, Staged(kLocationValue)) << CodeOf(region);
        EXPECT_EQ(expected.subLocation, Staged(kSubLocationValue)) << CodeOf(region);
    }
}

TEST_F(RegionDiscoveryTest, StoreProductRegion_WritesEveryRegionAndReadsBack) {
    for (RegionId region :
         {kRegionEurope, kRegionJapan, kRegionAmericas, kRegionAsiaPacific, kRegionChina}) {
        ResetRegionKeys();
        StoreProductRegion(region);
        const Location expected = LocationOf(region);
        EXPECT_EQ(expected.location,
                  test::DwordValue(HKEY_LOCAL_MACHINE, kProductRegionKey, k64, kLocationValue));
        EXPECT_EQ(expected.subLocation,
                  test::DwordValue(HKEY_LOCAL_MACHINE, kProductRegionKey, k64, kSubLocationValue));
        RegionId read = kRegionNone;
        EXPECT_TRUE(ReadRegionValues(kProductRegionKey, &read));
        EXPECT_EQ(region, read);
    }
}

TEST_F(RegionDiscoveryTest, StoreProductRegion_NoRegion_WritesNothing) {
    StoreProductRegion(kRegionNone);
    StoreProductRegion(6);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kProductRegionKey, k64));
}

TEST_F(RegionDiscoveryTest, ReadRegionValues_MissingKey_FalseAndNoRegion) {
    RegionId id = kRegionJapan;
    EXPECT_FALSE(ReadRegionValues(kStagedRegionKey, &id));
    EXPECT_EQ(kRegionNone, id);
}

// The staged region lives in the 64-bit view, where the install reads it back.
TEST_F(RegionDiscoveryTest, StageRegionCode_AnyCaseIn64BitViewUnknownCodeNothing) {
    StageRegionCode(L"xx");
    StageRegionCode(L"");
    EXPECT_TRUE(NothingStaged());
    StageRegionCode(L"cn");
    EXPECT_EQ(2031u, Staged(kLocationValue));
    EXPECT_EQ(2032u, Staged(kSubLocationValue));
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kStagedRegionKey, KEY_WOW64_32KEY));
    }
}

TEST_F(RegionDiscoveryTest, NothingFoundUnattended_FailsWithoutWindowAndStagesNothing) {
    for (bool LauncherContext::*mode :
         {&LauncherContext::ordinaryRunSilent, &LauncherContext::zeuInstallSilent,
          &LauncherContext::launchInstaller}) {
        LauncherContext context;
        context.instance = ::GetModuleHandleW(nullptr);
        context.chooseCountry = RunRegionDialog;
        context.*mode = true;
        EXPECT_FALSE(SelectRegion(&context));
        EXPECT_FALSE(test::RegionWindowExists(::GetCurrentProcessId()));
        EXPECT_TRUE(NothingStaged());
    }
}

class RegionPromptTest : public RegionDiscoveryTest {
  protected:
    RegionPromptTest() {
        context_.instance = ::GetModuleHandleW(nullptr);
        context_.mainWindow = ::CreateWindowExW(0, L"STATIC", L"progress", WS_POPUP | WS_VISIBLE, 0,
                                                0, 50, 50, nullptr, nullptr, nullptr, nullptr);
        context_.chooseCountry = RunRegionDialog;
    }
    ~RegionPromptTest() override { ::DestroyWindow(context_.mainWindow); }

    // Selects the region while a user chooses country in the window and ends
    // it with end (OK, Cancel or the title bar's close button).
    bool SelectChoosing(const wchar_t* country, void (*end)(const test::RegionWindow&)) {
        test::RegionWindowUser user(::GetCurrentProcessId(),
                                    [country, end](const test::RegionWindow& window) {
                                        test::ChooseCountry(window, country);
                                        end(window);
                                    });
        const bool selected = SelectRegion(&context_);
        EXPECT_TRUE(user.Finish()) << "the region window never appeared";
        return selected;
    }

    LauncherContext context_;
};

TEST_F(RegionPromptTest, UserPicksMexico_AmericasStagedAndProgressWindowBack) {
    context_.ordinaryRun = true;
    EXPECT_TRUE(SelectChoosing(L"Mexico", test::PressOk));
    EXPECT_EQ(5388u, Staged(kLocationValue));
    EXPECT_EQ(std::nullopt, Staged(kSubLocationValue));
    EXPECT_TRUE(::IsWindowVisible(context_.mainWindow));
}

// Launch mode 2 keeps its progress window hidden after the prompt.
TEST_F(RegionPromptTest, UserPicksChinaInZusrRun_BothValuesStagedWindowStaysHidden) {
    context_.zusrInstall = true;
    EXPECT_TRUE(SelectChoosing(L"China", test::PressOk));
    EXPECT_EQ(2031u, Staged(kLocationValue));
    EXPECT_EQ(2032u, Staged(kSubLocationValue));
    EXPECT_FALSE(::IsWindowVisible(context_.mainWindow));
}

TEST_F(RegionPromptTest, UserCancelsOrClosesWindow_FailsAndStagesNothing) {
    context_.ordinaryRun = true;
    for (auto end : {test::PressCancel, test::CloseWithTitleBar}) {
        EXPECT_FALSE(SelectChoosing(L"Japan", end));
        EXPECT_TRUE(NothingStaged());
    }
}

TEST_F(RegionPromptTest, NothingFoundAndNoWayToAsk_FailsAndStagesNothing) {
    context_.ordinaryRun = true;
    context_.chooseCountry = nullptr;
    EXPECT_FALSE(SelectRegion(&context_));
    EXPECT_TRUE(NothingStaged());
}

TEST_F(RegionPromptTest, RegionFoundInAttendedRun_NoWindow) {
    context_.ordinaryRun = true;
    test::Machine machine;
    Put(&machine, kDataIni, kRegionJapan);
    EXPECT_TRUE(SelectRegion(&context_));
    EXPECT_EQ(4316u, Staged(kLocationValue));
    EXPECT_TRUE(::IsWindowVisible(context_.mainWindow));
}

}  // namespace
}  // namespace zu
