#include "tests/support/import_patch.h"

#include <windows.h>

#include <cstring>

namespace zu::test {
namespace {

const IMAGE_IMPORT_DESCRIPTOR* FirstImportDescriptor(const BYTE* base) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return nullptr;
    }
    return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
}

bool WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) {
        return false;
    }
    *slot = value;
    ::VirtualProtect(slot, sizeof(*slot), protection, &protection);
    return true;
}

}  // namespace

ScopedImportPatch::ScopedImportPatch(const char* dll, const char* function, void* replacement) {
    BYTE* const base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    for (auto* entry = FirstImportDescriptor(base); entry != nullptr && entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0 ||
            entry->OriginalFirstThunk == 0) {
            continue;
        }
        // The name table and the address table run side by side.
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* address = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++address) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
                continue;
            }
            const auto* by_name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) {
                continue;
            }
            void** slot = reinterpret_cast<void**>(&address->u1.Function);
            void* const previous = *slot;
            if (WriteSlot(slot, replacement)) {
                original_ = previous;
                slots_.push_back(slot);
            }
        }
    }
}

ScopedImportPatch::~ScopedImportPatch() {
    for (void** slot : slots_) {
        WriteSlot(slot, original_);
    }
}

}  // namespace zu::test
