#include "selfrepair/task_table.h"

namespace zu {

const wchar_t kMakerTaskFolder[] = L"Koru Corporation";

const ScheduledTaskRecord kGuardTask = {
    L"ZEMI Update Self Repair Guard",
    L"ZEMI Update Self Repair",
    L"\\Koru Corporation\\ZEMI Update Self Repair\\ZUSR.exe",
    L"/Guard",
    L"PT5M",
    L"PT24H",
};

const ScheduledTaskRecord kRepairTask = {
    L"ZEMI Update Self Repair",
    L"ZEMI Update",
    L"\\Koru\\ZEMI Update\\ZUSR.exe",
    L"",
    L"PT5M",
    L"PT24H",
};

const ScheduledTaskRecord kUltimateRepairTask = {
    L"ZEMI Update Self Ultimate Repair",
    L"ZEMI Update",
    L"\\Koru\\ZEMI Update\\ZUSR.exe",
    L"/Ultimate",
    L"PT2M",
    L"",
};

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kGuardRunValue[] = L"ZEMI Update Self Repair Guard";
const wchar_t kRepairRunValue[] = L"ZEMI Update Self Repair";
const wchar_t kUltimateRepairRunValue[] = L"ZEMI Update Self Ultimate Repair";

}  // namespace zu
