#include "standins/legacy_generation_table.h"

#include <windows.h>

#include "standins/outside_identifiers.h"

namespace zu::standin {
namespace {

constexpr LegacyGeneration kGenerations[] = {
    {outside::kProductCodeGen4, L"ZEMI Update 4", true},
    {outside::kProductCodeGen5, L"ZEMI Update 5", false},
    {outside::kProductCodeGen58, L"ZEMI Update 5", false},
    {outside::kProductCodeGen6, L"ZEMI Update", false},
};

}  // namespace

const LegacyGeneration* FindLegacyGeneration(const wchar_t* code) {
    for (const LegacyGeneration& generation : kGenerations) {
        if (::lstrcmpiW(generation.product_code, code) == 0) {
            return &generation;
        }
    }
    return nullptr;
}

}  // namespace zu::standin
