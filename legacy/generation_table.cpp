#include "legacy/generation_table.h"

#include <windows.h>

#include "components/previous_generations.h"

namespace zu {
namespace {

constexpr size_t kVersionKeyLength = 5;

// The one release whose cached setup script cannot uninstall it.
constexpr wchar_t kScriptReplacementKey[] = L"5.7.1";

struct GenerationRow {
    wchar_t firstCharacter;
    const wchar_t* versionKey;  // null: any key with that first character
    const wchar_t* productCode;
    const wchar_t* responseFile;
};

// The first matching row wins, so an exact key stands before its catch-all.
constexpr GenerationRow kGenerationRows[] = {
    {L'4', nullptr, kProductCodeGen4, L"ZU4Uninstall.iss"},
    {L'5', L"5.8.0", kProductCodeGen58, L"ZE8UUninstall.iss"},
    {L'5', nullptr, kProductCodeGen5, L"ZU5Uninstall.iss"},
    {L'6', nullptr, kProductCodeGen6, L"ZU6Uninstall.iss"},
    {L'7', nullptr, kProductCodeGen6, L"ZU6Uninstall.iss"},
};

bool SameText(const std::wstring& a, const wchar_t* b) {
    return ::lstrcmpiW(a.c_str(), b) == 0;
}

bool RowMatches(const GenerationRow& row, const std::wstring& key) {
    return key[0] == row.firstCharacter &&
           (row.versionKey == nullptr || SameText(key, row.versionKey));
}

}  // namespace

const VersionFileLocation kVersionFileLocations[4] = {
    {ProgramFilesKind::kNative, L"\\Koru\\ZEMI Update\\Version.txt"},
    {ProgramFilesKind::kNative, L"\\Koru\\ZEMI Update 5\\Version.txt"},
    {ProgramFilesKind::kNative, L"\\Koru\\ZEMI Update 4\\Version.txt"},
    {ProgramFilesKind::kView32, L"\\Koru\\ZEMI Update 4\\Version.txt"},
};

bool FindPreviousGeneration(const std::wstring& version, PreviousGeneration* generation) {
    if (version.empty()) {
        return false;
    }
    const std::wstring key = version.substr(0, kVersionKeyLength);
    for (const GenerationRow& row : kGenerationRows) {
        if (RowMatches(row, key)) {
            *generation = {row.productCode, row.responseFile, SameText(key, kScriptReplacementKey)};
            return true;
        }
    }
    return false;
}

}  // namespace zu
