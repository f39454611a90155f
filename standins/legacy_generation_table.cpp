#include "standins/legacy_generation_table.h"

#include <windows.h>

#include "components/previous_generations.h"

namespace zu::standin {
namespace {

constexpr LegacyGeneration kGenerations[] = {
    {kProductCodeGen4, L"ZEMI Update 4", true},
    {kProductCodeGen5, L"ZEMI Update 5", false},
    {kProductCodeGen58, L"ZEMI Update 5", false},
    {kProductCodeGen6, L"ZEMI Update", false},
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
