// MinGW-w64 has no import library with the Task Scheduler 2.0 class and
// interface identifiers (CLSID_TaskScheduler, IID_ITaskService, ...): this
// file defines them, as selectany data, so a second definition elsewhere in
// a program does not clash.
#include <initguid.h>

#include <taskschd.h>
