// The stop request to the agent's Windows service, against a service "DARiziz"
// that the test installs around a stand-in (agent_service_stand_in.cpp), which
// records the stop request it receives.
#include "legacy/legacy_agent_service.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "standins/standin_contract.h"
#include "tests/support/child_process.h"
#include "tests/support/journal.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kServiceName[] = L"DARiziz";
constexpr DWORD kStateTimeoutMs = 20000;

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseServiceHandle(h); }
};
using UniqueServiceHandle = ScopedHandle<ServiceHandleTraits>;

UniqueServiceHandle OpenManager() {
    return UniqueServiceHandle(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

UniqueServiceHandle OpenAgentService(const UniqueServiceHandle& manager) {
    return UniqueServiceHandle(::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
}

DWORD CurrentState(const UniqueServiceHandle& service) {
    SERVICE_STATUS status = {};
    return ::QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

bool WaitForState(const UniqueServiceHandle& service, DWORD state) {
    for (DWORD waited = 0; waited < kStateTimeoutMs; waited += 100) {
        if (CurrentState(service) == state) {
            return true;
        }
        ::Sleep(100);
    }
    return false;
}

// Stops and deletes the service if it is there.
void RemoveAgentService() {
    UniqueServiceHandle manager = OpenManager();
    UniqueServiceHandle service = OpenAgentService(manager);
    if (!service) {
        return;
    }
    SERVICE_STATUS status = {};
    if (::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        WaitForState(service, SERVICE_STOPPED);
    }
    ::DeleteService(service.Get());
}

class LegacyAgentServiceTest : public testing::Test {
  protected:
    void SetUp() override {
        RemoveAgentService();
        test::ClearJournal();
        manager_ = OpenManager();
        ASSERT_TRUE(manager_);
    }
    void TearDown() override {
        service_.Reset();
        RemoveAgentService();
        test::ClearJournal();
        ::RemoveDirectoryW(standin::kJournalFolder);
    }

    void InstallService() {
        const std::wstring binary =
            test::Quote(test::TestBinDir() + L"\\agent_service_stand_in.exe");
        service_.Reset(::CreateServiceW(manager_.Get(), kServiceName, kServiceName,
                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                        SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(),
                                        nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(service_) << ::GetLastError();
    }

    UniqueServiceHandle manager_;
    UniqueServiceHandle service_;
};

TEST_F(LegacyAgentServiceTest, NoService_ReturnsFalse) {
    EXPECT_FALSE(StopLegacyAgentService());
    EXPECT_FALSE(OpenAgentService(manager_));
}

TEST_F(LegacyAgentServiceTest, RunningService_ReturnsTrueAndTheServiceStops) {
    InstallService();
    ASSERT_TRUE(::StartServiceW(service_.Get(), 0, nullptr)) << ::GetLastError();
    ASSERT_TRUE(WaitForState(service_, SERVICE_RUNNING));

    EXPECT_TRUE(StopLegacyAgentService());

    EXPECT_TRUE(WaitForState(service_, SERVICE_STOPPED));
    EXPECT_TRUE(test::HasEvent(kServiceName, L"stop requested"));
    // Stopped, not removed.
    EXPECT_TRUE(OpenAgentService(manager_));
}

TEST_F(LegacyAgentServiceTest, StoppedService_ReturnsFalseAndLeavesItInstalled) {
    InstallService();

    EXPECT_FALSE(StopLegacyAgentService());

    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), CurrentState(service_));
    EXPECT_TRUE(OpenAgentService(manager_));
}

}  // namespace
}  // namespace zu
