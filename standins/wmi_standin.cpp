// Stand-in for a stuck WMI service: CLSID_WbemLocator whose ConnectServer
// does not answer until the test signals the event kWmiReleaseEvent (or a
// minute has passed), and then fails. Tests register it in place of the
// system's class.
#include <windows.h>
#include <wbemidl.h>

#include "standins/inproc_server.h"

using zu::standin::CanUnloadNow;
using zu::standin::ComObject;
using zu::standin::CreateObject;
using zu::standin::GetClassObject;
using zu::standin::LoadedStandin;

namespace {

constexpr wchar_t kWmiReleaseEvent[] = L"Local\\ZuStuckWmiRelease";
constexpr DWORD kLongestHoldMs = 60000;

class StuckLocator : public ComObject<IWbemLocator> {
  public:
    StuckLocator() : ComObject(IID_IWbemLocator) {}

    HRESULT STDMETHODCALLTYPE
    ConnectServer(BSTR, BSTR, BSTR, BSTR, LONG, BSTR, IWbemContext*, IWbemServices**) override {
        LoadedStandin().Record(L"ConnectServer", L"held");
        HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, kWmiReleaseEvent);
        ::WaitForSingleObject(release, kLongestHoldMs);
        if (release != nullptr) {
            ::CloseHandle(release);
        }
        return WBEM_E_FAILED;
    }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (::IsEqualCLSID(clsid, CLSID_WbemLocator)) {
        return GetClassObject(&CreateObject<StuckLocator>, iid, object);
    }
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
    return CanUnloadNow();
}
