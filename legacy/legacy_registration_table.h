#pragma once

#include <windows.h>

#include <cstddef>

#include "legacy/packed_guid.h"
#include "platform/registry_key.h"

namespace zu {

// What earlier generations of the client registered and the launcher removes:
// Windows Installer registrations, product keys, autostart values and tasks.
// Every table is walked in its stored order. The identifiers themselves are in
// components/legacy_identifiers.h.

// Keys below HKEY_LOCAL_MACHINE (and the maker's key also below
// HKEY_CURRENT_USER).
inline constexpr wchar_t kMsiComponentsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components";
// Uninstall entries of the Windows Installer products of each edition.
inline constexpr wchar_t kMsiUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The same key, for the further earlier products.
inline constexpr wchar_t kUninstallEntriesKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kAppPathsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr wchar_t kMakerSoftwareKey[] = L"Software\\Koru Corporation";

// The three keys whose children record each generation's shared information.
inline constexpr const wchar_t* kSharedInfoKeys[] = {
    L"Software\\Koru Corporation\\Shared Info",
    L"Software\\Koru Corporation\\Shared Info\\AppDB",
    L"Software\\Koru Corporation\\Shared Info\\VersionPath",
};

// A read-only run of table entries, for range-for.
template <typename Entry>
struct TableView {
    const Entry* entries;
    size_t count;

    const Entry* begin() const { return entries; }
    const Entry* end() const { return entries + count; }
};

// What one edition (64-bit or 32-bit) of the earlier generations registered
// with Windows Installer: component keys by packed code, and each product's
// uninstall entry under its packed and under its braced code (the two product
// tables hold the same products in the same order).
struct InstallerEdition {
    TableView<PackedGuid> components;
    TableView<PackedGuid> packedProducts;
    TableView<const wchar_t*> products;
};
extern const InstallerEdition kLegacyEdition64;
extern const InstallerEdition kLegacyEdition32;

// A key or value name of one generation with the access mask (and so the
// registry view) in which it is removed.
struct GenerationEntry {
    const wchar_t* name;
    REGSAM access;
};

// The product keys below the maker's key, the unnumbered one first.
extern const GenerationEntry kLegacyProductKeys[5];
// The children of each kSharedInfoKeys entry.
extern const GenerationEntry kLegacySharedInfoEntries[5];
// Autostart values, named after the generation, removed in both views.
extern const wchar_t* const kLegacyRunValueNames[5];

// A scheduled task "<makerFolder>\ZEMI Update\<name>" of an earlier generation.
struct LegacyTask {
    const wchar_t* makerFolder;
    const wchar_t* name;
};
extern const LegacyTask kLegacyTaskTable[6];

}  // namespace zu
