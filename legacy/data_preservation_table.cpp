#include "legacy/data_preservation_table.h"

#include <iterator>

namespace zu {
namespace {

constexpr const wchar_t* kDataRecordNames[] = {
    L"PatchProcessInfo.dat",
    L"PatchProcessInfo_V2.0.dat",
};

constexpr const wchar_t* kDisplayRecordNames[] = {
    L"ItemDisplayListInfo.dat",
    L"PatchCheckStatus.dat",
};

}  // namespace

const FileList kDataRecordFiles = {kDataRecordNames, std::size(kDataRecordNames)};
const FileList kDisplayRecordFiles = {kDisplayRecordNames, std::size(kDisplayRecordNames)};

}  // namespace zu
