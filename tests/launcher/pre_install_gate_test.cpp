// The gate on a worker thread against a live progress window on this thread,
// as the launcher runs it: what the user sees and how the window is let go.
#include "launcher/pre_install_gate.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/scoped_handle.h"
#include "region/region_store.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/message_box.h"
#include "tests/support/region_window_user.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/test_paths.h"
#include "ui/progress_window.h"
#include "ui/region_window.h"

namespace zu {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
constexpr wchar_t kCounterKey[] = L"Software\\Koru Corporation\\ZEMI Update Temp";
constexpr wchar_t kNewerText[] =
    L"A newly version has already been installed on your computer.\nInstallation is stopped.";
constexpr DWORD kTimeoutMs = 30000;

// What the user saw of a box, read on the user's own thread.
struct SeenBox {
    bool shown = false;
    std::wstring text;
    std::wstring caption;
    bool ownedByProgressWindow = false;
    bool progressWindowVisible = true;
};

class PreInstallGateTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { RegisterProgressWindowClass(::GetModuleHandleW(nullptr)); }

    PreInstallGateTest() { ResetKeys(); }
    ~PreInstallGateTest() override {
        if (::IsWindow(context_.mainWindow)) {
            context_.closeBlocked = false;
            ::DestroyWindow(context_.mainWindow);
        }
        Pump(50);
        ResetKeys();
    }

    static void ResetKeys() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, k64);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kCounterKey, k64);
    }

    void CreateWindowForMode(bool LauncherContext::*mode) {
        context_.dpi = DpiScale(96, 96);
        context_.chooseCountry = RunRegionDialog;  // as the launcher's start-up sets it
        context_.*mode = true;
        ASSERT_TRUE(CreateProgressWindow(&context_, ::GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    }

    // The region the gate finds without asking.
    void PutRegion() {
        ASSERT_TRUE(
            machine_.SetDword(HKEY_LOCAL_MACHINE, kSharedInfoKey, k64, kLocationValue, 4316));
    }

    // An installed client newer than the package's "Installer\Version.txt",
    // which lies beside the launcher (here: this test program).
    void PutNewerInstalledVersion() {
        ASSERT_TRUE(
            machine_.WriteFile(test::TestBinDir() + L"\\Installer\\Version.txt", "7.5.0.0\r\n"));
        ASSERT_TRUE(machine_.WriteFile(
            test::NativeProgramFiles() + L"\\Koru\\ZEMI Update\\Version.txt", "7.6.0.0\r\n"));
    }

    // Runs the gate on a worker thread while this thread serves the window.
    // True when the window was let go: destroyed, with the quit code 0.
    bool RunGate() {
        UniqueHandle worker(::CreateThread(nullptr, 0, GateThread, this, 0, nullptr));
        int quit_code = -1;
        const bool quit = Pump(kTimeoutMs, worker.Get(), &quit_code);
        ::WaitForSingleObject(worker.Get(), kTimeoutMs);
        return quit && quit_code == 0 && !::IsWindow(context_.mainWindow);
    }

    // Dispatches this thread's messages until WM_QUIT, or until ms pass or
    // (when given) the worker has ended and the queue has settled.
    static bool Pump(DWORD ms, HANDLE worker = nullptr, int* quit_code = nullptr) {
        const DWORD start = ::GetTickCount();
        DWORD settled_since = 0;
        while (::GetTickCount() - start < ms) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    if (quit_code != nullptr) {
                        *quit_code = static_cast<int>(message.wParam);
                    }
                    return true;
                }
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (worker != nullptr && ::WaitForSingleObject(worker, 0) == WAIT_OBJECT_0) {
                settled_since = settled_since != 0 ? settled_since : ::GetTickCount();
                if (::GetTickCount() - settled_since > 300) {
                    return false;
                }
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return false;
    }

    static DWORD WINAPI GateThread(void* parameter) {
        auto* test = static_cast<PreInstallGateTest*>(parameter);
        test->passed_ = PassPreInstallGate(&test->context_, false);
        // The launcher ends a refused run by releasing the window.
        if (!test->passed_) {
            ReleaseProgressWindow(&test->context_);
        }
        return 0;
    }

    // A user on another thread who reads the first box of this process and presses OK.
    class BoxReader {
      public:
        BoxReader(HWND progress_window, SeenBox* seen) : progress_(progress_window), seen_(seen) {
            thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
        }
        ~BoxReader() { ::WaitForSingleObject(thread_.Get(), INFINITE); }

      private:
        static DWORD WINAPI Run(void* parameter) {
            auto* reader = static_cast<BoxReader*>(parameter);
            test::MessageBoxContent box;
            if (!test::WaitForMessageBox(::GetCurrentProcessId(), 3000, &box)) {
                return 0;
            }
            reader->seen_->shown = true;
            reader->seen_->text = box.text;
            reader->seen_->caption = box.caption;
            reader->seen_->ownedByProgressWindow =
                ::GetWindow(box.window, GW_OWNER) == reader->progress_;
            reader->seen_->progressWindowVisible = ::IsWindowVisible(reader->progress_);
            test::PressOk(box);
            return 0;
        }

        HWND progress_;
        SeenBox* seen_;
        UniqueHandle thread_;
    };

    test::Machine machine_;
    LauncherContext context_;
    bool passed_ = false;
};

TEST_F(PreInstallGateTest, NothingInTheWay_PassesKeepsWindowAndStagesRegion) {
    PutRegion();
    CreateWindowForMode(&LauncherContext::ordinaryRun);
    EXPECT_FALSE(RunGate());
    EXPECT_TRUE(passed_);
    EXPECT_TRUE(::IsWindowVisible(context_.mainWindow));
    EXPECT_TRUE(context_.closeBlocked);
    EXPECT_EQ(4316u, test::DwordValue(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64, kLocationValue));
}

TEST_F(PreInstallGateTest, NewerVersionAttended_WarningOverHiddenWindowThenReleased) {
    PutRegion();
    PutNewerInstalledVersion();
    CreateWindowForMode(&LauncherContext::ordinaryRun);
    SeenBox seen;
    {
        BoxReader user(context_.mainWindow, &seen);
        EXPECT_TRUE(RunGate());
    }
    EXPECT_FALSE(passed_);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(kNewerText, seen.text);
    EXPECT_EQ(L"ZEMI Update", seen.caption);
    EXPECT_TRUE(seen.ownedByProgressWindow);
    EXPECT_FALSE(seen.progressWindowVisible);
    // Refused before the region step: nothing staged.
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64));
}

TEST_F(PreInstallGateTest, NewerVersionInLaunchInstallerMode_NoBoxWindowReleasedAtOnce) {
    PutRegion();
    PutNewerInstalledVersion();
    CreateWindowForMode(&LauncherContext::launchInstaller);
    SeenBox seen;
    {
        BoxReader user(context_.mainWindow, &seen);
        EXPECT_TRUE(RunGate());
    }
    EXPECT_FALSE(passed_);
    EXPECT_FALSE(seen.shown);
}

TEST_F(PreInstallGateTest, NoRegionAndUserCancels_ReleasedWithoutBoxNothingStaged) {
    CreateWindowForMode(&LauncherContext::ordinaryRun);
    SeenBox seen;
    {
        BoxReader box_user(context_.mainWindow, &seen);
        test::RegionWindowUser region_user(::GetCurrentProcessId(),
                                           [](const test::RegionWindow& window) {
                                               test::ChooseCountry(window, L"Japan");
                                               test::PressCancel(window);
                                           });
        EXPECT_TRUE(RunGate());
        EXPECT_TRUE(region_user.Finish());
    }
    EXPECT_FALSE(passed_);
    EXPECT_FALSE(seen.shown);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64));
}

// A run that is not the automatic installer task is never held back by the
// busy check, which then clears the counter of earlier busy runs.
TEST_F(PreInstallGateTest, ManualRunWithCounterLeft_PassesAndClearsCounter) {
    PutRegion();
    ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, kCounterKey, k64, L"InstallerTaskCount", 7));
    CreateWindowForMode(&LauncherContext::ordinaryRun);
    RunGate();
    EXPECT_TRUE(passed_);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kCounterKey, k64));
}

}  // namespace
}  // namespace zu
