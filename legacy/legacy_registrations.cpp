#include "legacy/legacy_registrations.h"

#include <windows.h>

#include <initializer_list>

#include "components/legacy_identifiers.h"
#include "legacy/legacy_registration_table.h"
#include "platform/os_version.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/scheduled_task_removal.h"

namespace zu {
namespace {

// One step each: open the parent, act only if it opened, close. The results
// of the deletions are not needed: what is already gone is the normal case.

void DeleteChildKeyBelow(const wchar_t* parent, REGSAM access, const wchar_t* child) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, parent, access) == ERROR_SUCCESS) {
        key.DeleteChildKey(child);
    }
}

void DeleteTreeBelow(HKEY root, const wchar_t* parent, REGSAM access, const wchar_t* child) {
    RegistryKey key;
    if (key.Open(root, parent, access) == ERROR_SUCCESS) {
        key.DeleteTree(child);
    }
}

void DeleteValueBelow(const wchar_t* parent, REGSAM access, const wchar_t* name) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, parent, access) == ERROR_SUCCESS) {
        key.DeleteValue(name);
    }
}

}  // namespace

void RemoveLegacyInstallerRegistrations() {
    const InstallerEdition& edition = GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_AMD64
                                          ? kLegacyEdition64
                                          : kLegacyEdition32;
    for (const PackedGuid& component : edition.components) {
        DeleteChildKeyBelow(kMsiComponentsKey, kRegWrite64, component.text);
    }
    for (const PackedGuid& product : edition.packedProducts) {
        DeleteChildKeyBelow(kMsiUninstallKey, kRegWrite64, product.text);
    }
    for (const wchar_t* product : edition.products) {
        DeleteChildKeyBelow(kMsiUninstallKey, kRegWrite64, product);
    }
}

void RemoveLegacyAppPath() {
    for (REGSAM access : {kRegWrite64, kRegWrite}) {
        DeleteTreeBelow(HKEY_LOCAL_MACHINE, kAppPathsKey, access, kClientExe);
    }
}

void RemoveLegacyProductKeys() {
    for (const GenerationEntry& product : kLegacyProductKeys) {
        DeleteTreeBelow(HKEY_LOCAL_MACHINE, kMakerSoftwareKey, product.access, product.name);
    }
    for (const wchar_t* shared_info : kSharedInfoKeys) {
        for (const GenerationEntry& entry : kLegacySharedInfoEntries) {
            DeleteChildKeyBelow(shared_info, entry.access, entry.name);
        }
    }
}

void RemoveLegacyTasksAndRunEntries() {
    for (const LegacyTask& task : kLegacyTaskTable) {
        RemoveLegacyTask(task.makerFolder, task.name);
    }
    for (REGSAM access : {kRegWrite, kRegWrite64}) {
        for (const wchar_t* name : kLegacyRunValueNames) {
            DeleteValueBelow(kAutostartRunKey, access, name);
        }
    }
}

void RemoveLegacyUninstallEntries() {
    for (REGSAM access : {kRegWrite64, kRegWrite}) {
        for (const wchar_t* code : kLegacyUninstallCodes) {
            DeleteTreeBelow(HKEY_LOCAL_MACHINE, kUninstallEntriesKey, access, code);
        }
    }
}

void RemoveLegacyUserKeys() {
    // HKEY_CURRENT_USER\Software is not redirected: one pass reaches every key.
    for (const GenerationEntry& product : kLegacyProductKeys) {
        DeleteTreeBelow(HKEY_CURRENT_USER, kMakerSoftwareKey, kRegWrite64, product.name);
    }
}

}  // namespace zu
