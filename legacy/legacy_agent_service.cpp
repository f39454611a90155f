#include "legacy/legacy_agent_service.h"

#include <windows.h>

#include "legacy/server_registration_table.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};
using UniqueServiceHandle = ScopedHandle<ServiceHandleTraits>;

}  // namespace

bool StopLegacyAgentService() {
    UniqueServiceHandle manager(
        ::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return false;
    }
    // Declared after the manager, so closed before it.
    UniqueServiceHandle service(
        ::OpenServiceW(manager.Get(), kAgentServiceName, SERVICE_STOP | SERVICE_QUERY_CONFIG));
    if (!service) {
        return false;
    }
    SERVICE_STATUS status = {};
    return ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) != FALSE;
}

}  // namespace zu
