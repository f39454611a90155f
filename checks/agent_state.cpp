#include "checks/agent_state.h"

#include <windows.h>

#include "components/agent_automation.h"
#include "platform/com_ptr.h"
#include "platform/os_version.h"
#include "platform/scoped_com.h"

namespace zu {
namespace {

// The agent's state getter, by its place in the interface's method table.
AgentStateGetter StateGetterOf(IUnknown* automation) {
    void* const* methods = *reinterpret_cast<void* const* const*>(automation);
    return reinterpret_cast<AgentStateGetter>(methods[kAgentStateGetterSlot]);
}

}  // namespace

bool IsAgentBusy() {
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return false;
    }
    // The agent is a 64-bit server on 64-bit Windows.
    DWORD context = CLSCTX_ALL;
    if (GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_AMD64) {
        context |= CLSCTX_ACTIVATE_64_BIT_SERVER;
    }
    ComPtr<IUnknown> automation;
    if (FAILED(::CoCreateInstance(kAgentAutomationClassId, nullptr, context,
                                  kAgentAutomationInterfaceId, automation.ReceiveVoid())) ||
        !automation) {
        return false;
    }
    LONG state = 0;
    return SUCCEEDED(StateGetterOf(automation.Get())(automation.Get(), &state)) &&
           state == kAgentStateBusy;
}

}  // namespace zu
