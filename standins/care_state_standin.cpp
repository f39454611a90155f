// Stand-in for the care application's state library "CheckZCStates.dll" (and
// its 32-bit copy "CheckZCStates32.dll" on 64-bit Windows: tests copy this one
// library under the name they need). IsZCRunning returns result=N from the
// behaviour section of the name it was loaded under (default 0).
#include <windows.h>

#include <string>

#include "standins/inproc_server.h"

extern "C" __declspec(dllexport) int WINAPI IsZCRunning() {
    const zu::standin::Standin& standin = zu::standin::LoadedStandin();
    const int result = standin.Behaviour(L"result", 0);
    standin.Record(L"IsZCRunning", std::to_wstring(result));
    return result;
}
