#include "legacy/com_registration_table.h"

#include "components/legacy_identifiers.h"

namespace zu {
namespace {

constexpr wchar_t kAppIdParent[] = L"AppID";
constexpr wchar_t kClassParent[] = L"CLSID";
constexpr wchar_t kInterfaceParent[] = L"Interface";
constexpr wchar_t kTypeLibParent[] = L"TypeLib";

// The agent's AppID is registered under its executable name as well.
constexpr wchar_t kAgentAppIdName[] = L"DARiziz.EXE";

template <typename Names>
void AppendUnder(const wchar_t* parent, const Names& names, std::vector<RegistrationKey>* keys) {
    for (const wchar_t* name : names) {
        keys->push_back({parent, name});
    }
}

// What the servers registered in both views of 64-bit Windows: the AppIDs,
// classes A and D and the control class, every interface but B's, and the
// type libraries.
std::vector<RegistrationKey> KeysOfBothViews() {
    std::vector<RegistrationKey> keys = {{kAppIdParent, kAgentAppIdName}};
    AppendUnder(kAppIdParent, kLegacyAppIds, &keys);
    const wchar_t* const classes[] = {kLegacyClassIdA, kLegacyPolicyClassId, kLegacyClassIdD};
    AppendUnder(kClassParent, classes, &keys);
    AppendUnder(kInterfaceParent, kLegacyInterfaceIds, &keys);
    keys.push_back({kInterfaceParent, kLegacyClassIdA});
    AppendUnder(kTypeLibParent, kLegacyTypeLibIds, &keys);
    return keys;
}

}  // namespace

std::vector<const wchar_t*> LegacyProgIds() {
    return {
        L"DARiziz.ZEMICareObject",     L"DARiziz.ZEMICareObject.1", L"DARiziz.DARizizObject",
        L"DARiziz.DARizizObject.1",    L"DARiziz.ZUAppObject",      L"DARiziz.ZUAppObject.1",
        L"DARiziz.ZUAXObject",         L"DARiziz.ZUAXObject.1",     L"DARiziz.ZUPlatformObject",
        L"DARiziz.ZUPlatformObject.1", L"ZUAX.ZUAXCtrl.5",
    };
}

std::vector<RegistrationKey> LegacyComKeys() {
    std::vector<RegistrationKey> keys = KeysOfBothViews();
    keys.push_back({kClassParent, kLegacyClassIdB});
    AppendUnder(kClassParent, kLegacyOtherClassIds, &keys);
    keys.push_back({kInterfaceParent, kLegacyClassIdB});
    return keys;
}

std::vector<RegistrationKey> LegacyComKeysDefaultView() {
    return KeysOfBothViews();
}

std::vector<RegistrationKey> LegacyBrowserPolicyKeys() {
    return {
        {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Ext\\PreApproved", kLegacyPolicyClassId},
        {L"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy",
         kLegacyPolicyClassId},
    };
}

}  // namespace zu
