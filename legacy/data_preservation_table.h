#pragma once

#include <cstddef>

namespace zu {

// Below ProgramData: where the client's data waits while the product is replaced.
inline constexpr wchar_t kTempFolderTail[] = L"\\Koru Corporation\\ZEMI Update Temp";

// Names inside the data folder (and, saved, inside the temporary folder).
inline constexpr wchar_t kSettingsFileName[] = L"ZU.ini";
inline constexpr wchar_t kSelfRepairDataFolderName[] = L"ZEMI Update Self Repair";

// Single files copied as they are, in this order; a missing one is skipped.
struct FileList {
    const wchar_t* const* names;
    size_t count;
};

// The patch-processing records, saved and restored with the "*.xml" files.
extern const FileList kDataRecordFiles;
// The display records.
extern const FileList kDisplayRecordFiles;

}  // namespace zu
