#pragma once

#include <windows.h>

#include <string>

namespace zu {

// China and the rest of Asia-Pacific share a stored location, so the machine
// model decides between them: the package lists, in "ModelName.txt" beside
// the launcher, the models sold in China.

// WMI answers in well under a second when it works, and within seconds while
// its service starts; a stuck service (a broken repository, a hung provider)
// would otherwise hold the window and the single-instance mutex for good.
constexpr DWORD kModelQueryTimeLimitMs = 20000;

// The "Name" of the first Win32_ComputerSystemProduct instance from WMI
// (root\cimv2), asked on a thread of its own and waited for at most
// time_limit_ms. False, name untouched, when WMI cannot be reached, does not
// answer in time, or the name cannot be read as text.
bool GetModelName(std::wstring* name, DWORD time_limit_ms = kModelQueryTimeLimitMs);

// The content of "ModelName.txt" beside the launcher, taken as UTF-16LE up to
// its first NUL (a byte-order mark is not removed). False, text untouched,
// when the file cannot be opened or read, or is larger than a model list can
// plausibly be (1 MiB).
bool ReadModelNameList(std::wstring* text);

// True when model_name equals, without regard to case, one of the
// comma-separated names of list (white space around each name ignored, empty
// pieces skipped). An empty model name is never listed.
bool IsModelInList(const std::wstring& model_name, const std::wstring& list);

// True when this machine's model is one of the listed models. A missing list
// or a model name that cannot be read gives false.
bool IsListedModel();

}  // namespace zu
