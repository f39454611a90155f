// Earlier generations' COM registrations as the machine fixture lays them out
// (the 64-bit view holds them all, the 32-bit view of 64-bit Windows a subset),
// with registrations of other classes and vendors around them that must stay.
#include "legacy/com_registrations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kPreApproved[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Ext\\PreApproved";
constexpr wchar_t kElevationPolicy[] =
    L"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy";

// Another vendor's identifier, used under every parent.
constexpr wchar_t kOtherVendorId[] = L"{3F1D7C2E-5B8A-4E61-9C0D-7A2B4E6F8D10}";

std::wstring Below(const std::wstring& parent, const std::wstring& name) {
    return parent + L"\\" + name;
}

template <typename Names>
void AppendBelow(const wchar_t* parent, const Names& names, std::vector<std::wstring>* keys) {
    for (const wchar_t* name : names) {
        keys->push_back(Below(parent, name));
    }
}

const std::vector<std::wstring> kProgIds = {
    L"DARiziz.ZEMICareObject",     L"DARiziz.ZEMICareObject.1", L"DARiziz.DARizizObject",
    L"DARiziz.DARizizObject.1",    L"DARiziz.ZUAppObject",      L"DARiziz.ZUAppObject.1",
    L"DARiziz.ZUAXObject",         L"DARiziz.ZUAXObject.1",     L"DARiziz.ZUPlatformObject",
    L"DARiziz.ZUPlatformObject.1", L"ZUAX.ZUAXCtrl.5",
};

// Below HKEY_CLASSES_ROOT: the keys that both views of 64-bit Windows hold.
std::vector<std::wstring> KeysOfBothViews() {
    std::vector<std::wstring> keys = {L"AppID\\DARiziz.EXE"};
    AppendBelow(L"AppID", outside::kAppIds, &keys);
    const wchar_t* const classes[] = {outside::kClassIdA, outside::kPolicyClassId,
                                      outside::kClassIdD};
    AppendBelow(L"CLSID", classes, &keys);
    AppendBelow(L"Interface", outside::kInterfaceIds, &keys);
    keys.push_back(Below(L"Interface", outside::kClassIdA));
    AppendBelow(L"TypeLib", outside::kTypeLibIds, &keys);
    return keys;
}

// Below HKEY_CLASSES_ROOT: the keys that the servers registered only in the
// 64-bit view.
std::vector<std::wstring> KeysOf64BitViewOnly() {
    std::vector<std::wstring> keys = {Below(L"CLSID", outside::kClassIdB),
                                      Below(L"Interface", outside::kClassIdB)};
    AppendBelow(L"CLSID", outside::kOtherClassIds, &keys);
    return keys;
}

// Below HKEY_LOCAL_MACHINE.
std::vector<std::wstring> PolicyKeys() {
    return {Below(kPreApproved, outside::kPolicyClassId),
            Below(kElevationPolicy, outside::kPolicyClassId)};
}

class ComRegistrationsTest : public testing::Test {
  protected:
    void SetUp() override {
        views_ = test::RegistryViewsAreSeparate()
                     ? std::vector<REGSAM>{KEY_WOW64_64KEY, KEY_WOW64_32KEY}
                     : std::vector<REGSAM>{0};
        for (const std::wstring& key : KeysOfBothViews()) {
            ASSERT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, key, views_.front()));
        }
        test::GenerationOptions options;
        options.programs = false;
        options.setupCache = false;
        options.schedule = test::Schedule::kNone;
        options.shortcuts = false;
        options.eulaFile = false;
        ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
        LayOutNeighbours();
    }

    // Other classes and vendors, in every view; on 64-bit Windows also the
    // classes that earlier generations registered in the 64-bit view only,
    // registered in the 32-bit view by someone else.
    void LayOutNeighbours() {
        for (REGSAM view : views_) {
            for (const wchar_t* parent : {L"AppID", L"CLSID", L"Interface", L"TypeLib"}) {
                ASSERT_TRUE(
                    machine_.CreateKey(HKEY_CLASSES_ROOT, Below(parent, kOtherVendorId), view));
            }
            for (const wchar_t* parent : {kPreApproved, kElevationPolicy}) {
                ASSERT_TRUE(
                    machine_.CreateKey(HKEY_LOCAL_MACHINE, Below(parent, kOtherVendorId), view));
            }
            ASSERT_TRUE(machine_.CreateKey(HKEY_CLASSES_ROOT, L"DARiziz.ZUAXObject.2", view));
        }
        if (test::RegistryViewsAreSeparate()) {
            for (const std::wstring& key : KeysOf64BitViewOnly()) {
                ASSERT_TRUE(machine_.CreateKey(HKEY_CLASSES_ROOT, key, KEY_WOW64_32KEY));
            }
        }
    }

    std::vector<REGSAM> views_;
    test::Machine machine_;
};

TEST_F(ComRegistrationsTest, Generation5Machine_RemovesItsRegistrationsInTheirViewsOnly) {
    for (const std::wstring& key : KeysOf64BitViewOnly()) {
        ASSERT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, key, views_.front()));
    }

    RemoveLegacyComRegistrations();

    for (REGSAM view : views_) {
        for (const std::wstring& key : kProgIds) {
            EXPECT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, key, view)) << key << " " << view;
        }
        for (const std::wstring& key : KeysOfBothViews()) {
            EXPECT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, key, view)) << key << " " << view;
        }
        for (const std::wstring& key : PolicyKeys()) {
            EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, key, view)) << key << " " << view;
        }
        // Other classes and vendors stay.
        for (const wchar_t* parent : {L"AppID", L"CLSID", L"Interface", L"TypeLib"}) {
            EXPECT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, Below(parent, kOtherVendorId), view))
                << parent << " " << view;
        }
        for (const wchar_t* parent : {kPreApproved, kElevationPolicy}) {
            EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, Below(parent, kOtherVendorId), view))
                << parent << " " << view;
        }
        EXPECT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, L"DARiziz.ZUAXObject.2", view)) << view;
    }
    for (const std::wstring& key : KeysOf64BitViewOnly()) {
        EXPECT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, key, views_.front())) << key;
        // The 32-bit view is cleaned only of what the servers registered there.
        if (test::RegistryViewsAreSeparate()) {
            EXPECT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, key, KEY_WOW64_32KEY)) << key;
        }
    }
}

}  // namespace
}  // namespace zu
