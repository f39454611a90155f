#pragma once

namespace zu::standin {

// What an earlier generation's InstallShield setup installed and removes
// again on uninstall, found by the product code in the name of its cache folder.
struct LegacyGeneration {
    const wchar_t* product_code;
    // Product folder name below "<Program Files>\Koru" and product key name
    // below "SOFTWARE\Koru Corporation".
    const wchar_t* name;
    // Generation 4 also installed into the 32-bit Program Files folder.
    bool also_in_program_files_32;
};

// The generation whose product code equals code without regard to case, or null.
const LegacyGeneration* FindLegacyGeneration(const wchar_t* code);

}  // namespace zu::standin
