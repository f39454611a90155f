// Stand-in for the Windows Update Agent's classes that the launcher asks:
// CLSID_UpdateInstaller (IUpdateInstaller::get_IsBusy) and
// CLSID_AutomaticUpdates (IAutomaticUpdates::get_Settings, whose settings give
// the scheduled installation day and hour and the notification level). Tests
// register it in place of the system's classes; the behaviour file says what
// it answers.
#include <windows.h>
// This library's one use of the agent's identifiers, which MinGW-w64 has no
// import library for: define them here.
#include <initguid.h>
#include <wuapi.h>

#include <string>

#include "standins/inproc_server.h"

using zu::standin::CanUnloadNow;
using zu::standin::CreateObject;
using zu::standin::DispatchObject;
using zu::standin::GetClassObject;
using zu::standin::LoadedStandin;

namespace {

class InstallerStandin : public DispatchObject<IUpdateInstaller> {
  public:
    InstallerStandin() : DispatchObject(IID_IUpdateInstaller) {}

    HRESULT STDMETHODCALLTYPE get_IsBusy(VARIANT_BOOL* busy) override {
        const bool is_busy = LoadedStandin().Flag(L"busy");
        LoadedStandin().Record(L"IsBusy", is_busy ? L"1" : L"0");
        *busy = is_busy ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // The rest of the interface is not used by the launcher.
    HRESULT STDMETHODCALLTYPE get_ClientApplicationID(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ClientApplicationID(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsForced(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_IsForced(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ParentHwnd(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ParentHwnd(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ParentWindow(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ParentWindow(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Updates(IUpdateCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Updates(IUpdateCollection*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginInstall(IUnknown*,
                                           IUnknown*,
                                           VARIANT,
                                           IInstallationJob**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BeginUninstall(IUnknown*,
                                             IUnknown*,
                                             VARIANT,
                                             IInstallationJob**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndInstall(IInstallationJob*, IInstallationResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndUninstall(IInstallationJob*, IInstallationResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Install(IInstallationResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RunWizard(BSTR, IInstallationResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Uninstall(IInstallationResult**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_AllowSourcePrompts(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_AllowSourcePrompts(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_RebootRequiredBeforeInstallation(VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
};

class SettingsStandin : public DispatchObject<IAutomaticUpdatesSettings> {
  public:
    SettingsStandin() : DispatchObject(IID_IAutomaticUpdatesSettings) {}

    HRESULT STDMETHODCALLTYPE
    get_NotificationLevel(AutomaticUpdatesNotificationLevel* level) override {
        *level = static_cast<AutomaticUpdatesNotificationLevel>(
            LoadedStandin().Behaviour(L"notification_level", aunlScheduledInstallation));
        LoadedStandin().Record(L"NotificationLevel", std::to_wstring(*level));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_ScheduledInstallationDay(AutomaticUpdatesScheduledInstallationDay* day) override {
        return Answer(L"ScheduledInstallationDay", L"schedule_day", day);
    }
    HRESULT STDMETHODCALLTYPE get_ScheduledInstallationTime(LONG* hour) override {
        return Answer(L"ScheduledInstallationTime", L"schedule_hour", hour);
    }

    // Not used by the launcher.
    HRESULT STDMETHODCALLTYPE put_NotificationLevel(AutomaticUpdatesNotificationLevel) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_ReadOnly(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Required(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    put_ScheduledInstallationDay(AutomaticUpdatesScheduledInstallationDay) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE put_ScheduledInstallationTime(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save() override { return E_NOTIMPL; }

  private:
    // The schedule's value from the behaviour key (default 0); with
    // schedule_fails=1 the call fails and leaves the value alone.
    template <typename Value>
    static HRESULT Answer(const wchar_t* event, const wchar_t* key, Value* value) {
        if (LoadedStandin().Flag(L"schedule_fails")) {
            LoadedStandin().Record(event, L"failed");
            return E_FAIL;
        }
        *value = static_cast<Value>(LoadedStandin().Behaviour(key, 0));
        LoadedStandin().Record(event, std::to_wstring(*value));
        return S_OK;
    }
};

class AutomaticUpdatesStandin : public DispatchObject<IAutomaticUpdates> {
  public:
    AutomaticUpdatesStandin() : DispatchObject(IID_IAutomaticUpdates) {}

    HRESULT STDMETHODCALLTYPE get_Settings(IAutomaticUpdatesSettings** settings) override {
        LoadedStandin().Record(L"Settings", L"");
        return CreateObject<SettingsStandin>(IID_IAutomaticUpdatesSettings,
                                             reinterpret_cast<void**>(settings));
    }

    // Not used by the launcher.
    HRESULT STDMETHODCALLTYPE DetectNow() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShowSettingsDialog() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ServiceEnabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableService() override { return E_NOTIMPL; }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (::IsEqualCLSID(clsid, CLSID_UpdateInstaller)) {
        LoadedStandin().Record(L"created", L"UpdateInstaller");
        return GetClassObject(&CreateObject<InstallerStandin>, iid, object);
    }
    if (::IsEqualCLSID(clsid, CLSID_AutomaticUpdates)) {
        LoadedStandin().Record(L"created", L"AutomaticUpdates");
        return GetClassObject(&CreateObject<AutomaticUpdatesStandin>, iid, object);
    }
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
    return CanUnloadNow();
}
