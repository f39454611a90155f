// Stand-in for the automation object of the client's agent: its own class and
// interface (standins/outside_identifiers.h), whose state getter sits at the
// place components/agent_automation.h names in the interface's method table.
// The launcher calls nothing else, so the agent's other methods have no
// entries here. Tests register it as an in-process server; the behaviour file
// sets the state it reports.
#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <string>

#include "components/agent_automation.h"
#include "standins/outside_identifiers.h"
#include "standins/inproc_server.h"

using zu::standin::CanUnloadNow;
using zu::standin::GetClassObject;
using zu::standin::LoadedStandin;

namespace {

struct AgentAutomation;

// The interface's method table, as the agent lays it out.
struct AgentMethods {
    HRESULT(STDMETHODCALLTYPE* query_interface)(AgentAutomation*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* add_ref)(AgentAutomation*);
    ULONG(STDMETHODCALLTYPE* release)(AgentAutomation*);
    HRESULT(STDMETHODCALLTYPE* get_type_info_count)(AgentAutomation*, UINT*);
    HRESULT(STDMETHODCALLTYPE* get_type_info)(AgentAutomation*, UINT, LCID, ITypeInfo**);
    HRESULT(STDMETHODCALLTYPE* get_ids_of_names)
    (AgentAutomation*, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
    HRESULT(STDMETHODCALLTYPE* invoke)
    (AgentAutomation*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
    void* methods_not_called[zu::kAgentStateGetterSlot - 7];
    HRESULT(STDMETHODCALLTYPE* get_state)(AgentAutomation*, LONG*);
};
static_assert(offsetof(AgentMethods, get_state) == zu::kAgentStateGetterSlot * sizeof(void*),
              "the state getter must sit where the launcher calls it");

struct AgentAutomation {
    const AgentMethods* methods;
    LONG references;
};

HRESULT STDMETHODCALLTYPE QueryInterface(AgentAutomation* self, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDispatch) ||
        ::IsEqualIID(iid, zu::outside::kAgentInterfaceId)) {
        *object = self;
        ::InterlockedIncrement(&self->references);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(AgentAutomation* self) {
    return ::InterlockedIncrement(&self->references);
}

ULONG STDMETHODCALLTYPE Release(AgentAutomation* self) {
    const LONG left = ::InterlockedDecrement(&self->references);
    if (left == 0) {
        delete self;
        zu::standin::ObjectDestroyed();
    }
    return left;
}

HRESULT STDMETHODCALLTYPE GetTypeInfoCount(AgentAutomation*, UINT*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE GetTypeInfo(AgentAutomation*, UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE GetIDsOfNames(AgentAutomation*, REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE
Invoke(AgentAutomation*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// state=N from the behaviour file (default 0); with fail=1 the call still
// writes the state but fails.
HRESULT STDMETHODCALLTYPE GetState(AgentAutomation*, LONG* state) {
    *state = LoadedStandin().Behaviour(L"state", 0);
    const bool fail = LoadedStandin().Flag(L"fail");
    LoadedStandin().Record(L"GetState", std::to_wstring(*state) + (fail ? L" failed" : L""));
    return fail ? E_FAIL : S_OK;
}

constexpr AgentMethods kMethods = {
    &QueryInterface, &AddRef, &Release, &GetTypeInfoCount, &GetTypeInfo,
    &GetIDsOfNames,  &Invoke, {},       &GetState,
};

HRESULT CreateAgentAutomation(REFIID iid, void** object) {
    AgentAutomation* created = new AgentAutomation{&kMethods, 1};
    zu::standin::ObjectCreated();
    const HRESULT result = QueryInterface(created, iid, object);
    Release(created);
    return result;
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!::IsEqualCLSID(clsid, zu::outside::kAgentClassId)) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    LoadedStandin().Record(L"created", L"AgentAutomation");
    return GetClassObject(&CreateAgentAutomation, iid, object);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() {
    return CanUnloadNow();
}
