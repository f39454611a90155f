#include "legacy/legacy_registration_table.h"

#include <array>
#include <iterator>

#include "components/legacy_identifiers.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

template <size_t N>
constexpr bool AreBracedGuids(const wchar_t* const (&codes)[N]) {
    for (const wchar_t* code : codes) {
        if (!IsBracedGuid(code)) {
            return false;
        }
    }
    return true;
}

// Only well-formed identifiers reach PackAll: a malformed one stops the build
// here instead of leaving an empty name in a table.
static_assert(std::size(kLegacyComponentCodes64) == 15 && AreBracedGuids(kLegacyComponentCodes64));
static_assert(std::size(kLegacyComponentCodes32) == 11 && AreBracedGuids(kLegacyComponentCodes32));
static_assert(std::size(kLegacyProductCodes64) == 5 && AreBracedGuids(kLegacyProductCodes64));
static_assert(std::size(kLegacyProductCodes32) == 5 && AreBracedGuids(kLegacyProductCodes32));
static_assert(std::size(kLegacyUninstallCodes) == 7 && AreBracedGuids(kLegacyUninstallCodes));

template <size_t N>
constexpr std::array<PackedGuid, N> PackAll(const wchar_t* const (&codes)[N]) {
    std::array<PackedGuid, N> packed{};
    for (size_t i = 0; i < N; ++i) {
        PackGuid(codes[i], &packed[i]);
    }
    return packed;
}

// Packed when the launcher is compiled, stored as tables of their own.
constexpr std::array<PackedGuid, 15> kComponentCodes64 = PackAll(kLegacyComponentCodes64);
constexpr std::array<PackedGuid, 11> kComponentCodes32 = PackAll(kLegacyComponentCodes32);
constexpr std::array<PackedGuid, 5> kPackedProductCodes64 = PackAll(kLegacyProductCodes64);
constexpr std::array<PackedGuid, 5> kPackedProductCodes32 = PackAll(kLegacyProductCodes32);

}  // namespace

const InstallerEdition kLegacyEdition64 = {
    {kComponentCodes64.data(), kComponentCodes64.size()},
    {kPackedProductCodes64.data(), kPackedProductCodes64.size()},
    {kLegacyProductCodes64, std::size(kLegacyProductCodes64)},
};

const InstallerEdition kLegacyEdition32 = {
    {kComponentCodes32.data(), kComponentCodes32.size()},
    {kPackedProductCodes32.data(), kPackedProductCodes32.size()},
    {kLegacyProductCodes32, std::size(kLegacyProductCodes32)},
};

// Generations 2 and 3 kept their machine-wide keys in the default view (the
// 32-bit view on 64-bit Windows), the later ones in the 64-bit view.
const GenerationEntry kLegacyProductKeys[5] = {
    {L"ZEMI Update", kRegWrite64}, {L"ZEMI Update 5", kRegWrite64}, {L"ZEMI Update 4", kRegWrite64},
    {L"ZEMI Update 3", kRegWrite}, {L"ZEMI Update 2", kRegWrite},
};

const GenerationEntry kLegacySharedInfoEntries[5] = {
    {L"ZEMI Update 5", kRegWrite64}, {L"ZEMI Update 4", kRegWrite64}, {L"ZEMI Update", kRegWrite64},
    {L"ZEMI Update 3", kRegWrite},   {L"ZEMI Update 2", kRegWrite},
};

const wchar_t* const kLegacyRunValueNames[5] = {
    L"ZEMI Update", L"ZEMI Update 2", L"ZEMI Update 3", L"ZEMI Update 4", L"ZEMI Update 5",
};

const LegacyTask kLegacyTaskTable[6] = {
    {L"KORU", L"ZU4 Patch assistant"},
    {L"KORU", L"ZEMI Update"},
    {L"Koru Corporation", L"ZEMI Update Self Repair"},
    {L"Koru Corporation", L"Installer Task"},
    {L"Koru Corporation", L"ZEMI Update Self Ultimate Repair"},
    {L"Koru Corporation", L"ZEMI Update"},
};

}  // namespace zu
