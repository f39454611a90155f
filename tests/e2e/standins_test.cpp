// The stand-in programs themselves: what they record, and that each changes
// the machine as the program it stands in for would.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <softpub.h>
#include <taskschd.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "platform/com_ptr.h"
#include "platform/registry_key.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"
#include "platform/scoped_handle.h"
#include "standins/standin_contract.h"
#include "tests/support/child_process.h"
#include "tests/support/journal.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

using test::JournalRecord;

constexpr DWORD kTimeoutMs = 30000;
constexpr HRESULT kUnsigned = static_cast<HRESULT>(0x800B0100);
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kGuardFolder[] = L"\\Koru Corporation\\ZEMI Update Self Repair";
constexpr wchar_t kGuardTask[] = L"ZEMI Update Self Repair Guard";
constexpr wchar_t kRepairFolder[] = L"\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kRepairTask[] = L"ZEMI Update Self Repair";
constexpr wchar_t kUltimateTask[] = L"ZEMI Update Self Ultimate Repair";

struct Started {
    UniqueHandle process;
    DWORD pid = 0;
};

Started Start(const std::wstring& program,
              const std::wstring& arguments,
              const std::wstring& directory = std::wstring()) {
    std::wstring line = test::Quote(program) + L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    Started started;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        UniqueHandle thread(info.hThread);
        started.process.Reset(info.hProcess);
        started.pid = info.dwProcessId;
    }
    return started;
}

// The exit code, or nullopt when the program did not start or end in time.
std::optional<DWORD> RunStandin(const std::wstring& program,
                                const std::wstring& arguments,
                                const std::wstring& directory = std::wstring()) {
    Started started = Start(program, arguments, directory);
    DWORD exit_code = 0;
    if (!started.process ||
        ::WaitForSingleObject(started.process.Get(), kTimeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(started.process.Get(), &exit_code)) {
        return std::nullopt;
    }
    return exit_code;
}

std::wstring Folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring NativeProgramFiles() {
    wchar_t path[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ProgramW6432%", path, MAX_PATH);
    return path[0] != L'%' ? std::wstring(path) : Folder(CSIDL_PROGRAM_FILES);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteFolder(const std::wstring& folder) {
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&operation);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<std::wstring> RegistryString(const wchar_t* key, REGSAM view, const wchar_t* name) {
    RegistryKey opened;
    wchar_t data[1024] = {};
    DWORD length = 1024;
    if (opened.Open(HKEY_LOCAL_MACHINE, key, KEY_READ | view) != ERROR_SUCCESS ||
        opened.ReadString(name, data, &length) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}

void DeleteRegistryValue(const wchar_t* key, REGSAM view, const wchar_t* name) {
    RegistryKey opened;
    if (opened.Open(HKEY_LOCAL_MACHINE, key, KEY_SET_VALUE | view) == ERROR_SUCCESS) {
        opened.DeleteValue(name);
    }
}

ScopedBstr Bstr(const wchar_t* text) {
    return ScopedBstr(::SysAllocString(text));
}

// The task's state (TASK_STATE_DISABLED, TASK_STATE_READY, ...), or nullopt
// when it does not exist.
std::optional<TASK_STATE> TaskState(const wchar_t* folder_path, const wchar_t* name) {
    ScopedComApartment com;
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    ComPtr<IRegisteredTask> task;
    VARIANT empty = {};
    TASK_STATE state = TASK_STATE_UNKNOWN;
    if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskService, service.ReceiveVoid())) ||
        FAILED(service->Connect(empty, empty, empty, empty)) ||
        FAILED(service->GetFolder(Bstr(folder_path).Get(), folder.Receive())) ||
        FAILED(folder->GetTask(Bstr(name).Get(), task.Receive())) ||
        FAILED(task->get_State(&state))) {
        return std::nullopt;
    }
    return state;
}

std::wstring ShortcutTarget(const std::wstring& link) {
    ScopedComApartment com;
    ComPtr<IShellLinkW> shortcut;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, shortcut.ReceiveVoid())) &&
        SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
        SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
        shortcut->GetPath(target, MAX_PATH, nullptr, 0);
    }
    return target;
}

HRESULT VerifySignature(const std::wstring& path) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

// The simple display name of the first signer's certificate; empty if none.
std::wstring SignerName(const std::wstring& path) {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_ALL,
                            CERT_QUERY_FORMAT_FLAG_ALL, 0, nullptr, nullptr, nullptr, &store,
                            &message, nullptr)) {
        return std::wstring();
    }
    std::wstring name;
    DWORD size = 0;
    ::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size);
    std::vector<BYTE> buffer(size);
    if (size > 0 && ::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
        const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
        CERT_INFO info = {};
        info.Issuer = signer->Issuer;
        info.SerialNumber = signer->SerialNumber;
        PCCERT_CONTEXT certificate =
            ::CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                         CERT_FIND_SUBJECT_CERT, &info, nullptr);
        if (certificate != nullptr) {
            wchar_t text[256] = {};
            ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, text, 256);
            name = text;
            ::CertFreeCertificateContext(certificate);
        }
    }
    ::CryptMsgClose(message);
    ::CertCloseStore(store, 0);
    return name;
}

std::wstring ProductVersion(const std::wstring& path) {
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<BYTE> block(size);
    void* text = nullptr;
    UINT length = 0;
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\ProductVersion", &text,
                          &length)) {
        return std::wstring();
    }
    return static_cast<const wchar_t*>(text);
}

class StandinTest : public testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        test::ClearBehaviour();
        EXPECT_TRUE(test::EndStandinProcesses());
        test::ClearJournal();
    }
};

// --- journal and behaviour ---------------------------------------------------

TEST_F(StandinTest, Start_RecordsPathArgumentsDirectoryParentAndPid) {
    const std::wstring program = test::StandinPath(L"DARiziz.exe");
    const std::wstring directory = Folder(CSIDL_WINDOWS);
    Started started = Start(program, L"/service \"two words\"", directory);
    ASSERT_TRUE(started.process);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(started.process.Get(), kTimeoutMs));

    const std::vector<JournalRecord> starts = test::StartsOf(L"DARiziz.exe");
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(program, starts[0].path);
    EXPECT_EQ(L"/service \"two words\"", starts[0].arguments);
    EXPECT_EQ(directory, starts[0].working_directory);
    EXPECT_EQ(::GetCurrentProcessId(), starts[0].parent_pid);
    EXPECT_EQ(0, ::lstrcmpiW(test::OwnPath().c_str(), starts[0].parent_path.c_str()));
    EXPECT_EQ(started.pid, starts[0].pid);
}

TEST_F(StandinTest, Behaviour_SectionOfTheFirstArgumentOverridesTheProgramsSection) {
    const std::wstring agent = test::StandinPath(L"DARiziz.exe");
    test::SetBehaviour(L"DARiziz.exe", L"exit_code", 5);
    test::SetBehaviour(L"DARiziz.exe /service", L"exit_code", 7);
    EXPECT_EQ(7u, RunStandin(agent, L"/service"));
    EXPECT_EQ(5u, RunStandin(agent, L"/Unregserver"));
    EXPECT_EQ(5u, RunStandin(agent, L""));
    test::ClearBehaviour();
    EXPECT_EQ(0u, RunStandin(agent, L"/service"));
}

TEST_F(StandinTest, ClientHaltAll_EndsTheRunningClientAndAgent) {
    test::SetBehaviour(L"ZEMIUpdt.exe", L"hang", 1);
    test::SetBehaviour(L"ZEMIUpdt.exe /haltall", L"hang", 0);
    test::SetBehaviour(L"DARiziz.exe", L"hang", 1);
    Started client = Start(test::StandinPath(L"ZEMIUpdt.exe"), L"");
    Started agent = Start(test::StandinPath(L"DARiziz.exe"), L"/service");
    ASSERT_TRUE(test::WaitForStarts(L"ZEMIUpdt.exe", 1, kTimeoutMs));
    ASSERT_TRUE(test::WaitForStarts(L"DARiziz.exe", 1, kTimeoutMs));
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(client.process.Get(), 500));

    EXPECT_EQ(0u, RunStandin(test::StandinPath(L"ZEMIUpdt.exe"), L"/haltall"));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(client.process.Get(), 5000));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(agent.process.Get(), 5000));
    EXPECT_TRUE(test::HasEvent(L"ZEMIUpdt.exe", L"ended"));
}

// --- the self-repair tool ----------------------------------------------------

class SelfRepairToolTest : public StandinTest {
  protected:
    void SetUp() override {
        StandinTest::SetUp();
        RemoveEntries();
    }
    void TearDown() override {
        RemoveEntries();
        StandinTest::TearDown();
    }
    static void RemoveEntries() {
        RunStandin(Tool(), L"/DismissGuard");
        RunStandin(Tool(), L"/ZUSRUninstall");
        for (const wchar_t* name : {kGuardTask, kRepairTask, kUltimateTask}) {
            DeleteRegistryValue(kRunKey, KEY_WOW64_64KEY, name);
        }
        test::ClearJournal();
    }
    static std::wstring Tool() { return test::DistDir() + L"\\ZUSRFeature\\64\\ZUSR.exe"; }
    static std::wstring ProductTool() {
        return NativeProgramFiles() + L"\\Koru\\ZEMI Update\\ZUSR.exe";
    }
};

TEST_F(SelfRepairToolTest, SummonGuard_CreatesTheEnabledGuardTaskAndDismissRemovesIt) {
    EXPECT_EQ(0u, RunStandin(Tool(), L"/SummonGuard"));
    const std::optional<TASK_STATE> state = TaskState(kGuardFolder, kGuardTask);
    ASSERT_TRUE(state.has_value());
    EXPECT_NE(TASK_STATE_DISABLED, *state);

    EXPECT_EQ(0u, RunStandin(Tool(), L"/DismissGuard"));
    EXPECT_FALSE(TaskState(kGuardFolder, kGuardTask).has_value());
}

TEST_F(SelfRepairToolTest, GuardBehaviours_DisabledGuardIsDisabledAndNoGuardCreatesNone) {
    test::SetBehaviour(L"ZUSR.exe", L"disabled_guard", 1);
    EXPECT_EQ(0u, RunStandin(Tool(), L"/SummonGuard"));
    EXPECT_EQ(TASK_STATE_DISABLED, TaskState(kGuardFolder, kGuardTask));

    EXPECT_EQ(0u, RunStandin(Tool(), L"/DismissGuard"));
    test::ClearBehaviour();
    test::SetBehaviour(L"ZUSR.exe", L"no_guard", 1);
    EXPECT_EQ(0u, RunStandin(Tool(), L"/SummonGuard"));
    EXPECT_FALSE(TaskState(kGuardFolder, kGuardTask).has_value());
}

TEST_F(SelfRepairToolTest, InstallThenUninstall_CreatesAndRemovesBothRepairTasks) {
    EXPECT_EQ(0u, RunStandin(Tool(), L"/ZUSRInstall"));
    EXPECT_TRUE(TaskState(kRepairFolder, kRepairTask).has_value());
    EXPECT_TRUE(TaskState(kRepairFolder, kUltimateTask).has_value());

    test::SetBehaviour(L"ZUSR.exe", L"keep_repair", 1);
    EXPECT_EQ(0u, RunStandin(Tool(), L"/ZUSRUninstall"));
    EXPECT_TRUE(TaskState(kRepairFolder, kRepairTask).has_value());

    test::ClearBehaviour();
    EXPECT_EQ(0u, RunStandin(Tool(), L"/ZUSRUninstall"));
    EXPECT_FALSE(TaskState(kRepairFolder, kRepairTask).has_value());
    EXPECT_FALSE(TaskState(kRepairFolder, kUltimateTask).has_value());
}

TEST_F(SelfRepairToolTest, OnWindowsXp_RunValuesInsteadOfTasks) {
    test::ScopedWineVersion xp(L"ZUSR.exe", L"winxp");
    EXPECT_EQ(0u, RunStandin(Tool(), L"/SummonGuard"));
    EXPECT_EQ(test::Quote(Tool()) + L" /Guard",
              RegistryString(kRunKey, KEY_WOW64_64KEY, kGuardTask));
    EXPECT_FALSE(TaskState(kGuardFolder, kGuardTask).has_value());

    EXPECT_EQ(0u, RunStandin(Tool(), L"/ZUSRInstall"));
    EXPECT_EQ(test::Quote(ProductTool()), RegistryString(kRunKey, KEY_WOW64_64KEY, kRepairTask));
    EXPECT_EQ(test::Quote(ProductTool()) + L" /Ultimate",
              RegistryString(kRunKey, KEY_WOW64_64KEY, kUltimateTask));

    EXPECT_EQ(0u, RunStandin(Tool(), L"/DismissGuard"));
    EXPECT_EQ(0u, RunStandin(Tool(), L"/ZUSRUninstall"));
    for (const wchar_t* name : {kGuardTask, kRepairTask, kUltimateTask}) {
        EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_64KEY, name)) << name;
    }
}

TEST_F(SelfRepairToolTest, Respawn_PairOutlivesTerminationUntilTheBehaviourIsCleared) {
    test::SetBehaviour(L"ZUSR.exe", L"respawn", 1);
    Started first = Start(Tool(), L"/Guard");
    ASSERT_TRUE(test::WaitForStarts(L"ZUSR.exe", 2, kTimeoutMs));
    ::TerminateProcess(first.process.Get(), 1);
    EXPECT_TRUE(test::WaitForStarts(L"ZUSR.exe", 3, kTimeoutMs));
    EXPECT_NE(0u, test::FindProcessId(L"ZUSR.exe"));

    test::ClearBehaviour();
    EXPECT_TRUE(test::AllEndedWithin(L"ZUSR.exe", 5000));
}

// --- the setups --------------------------------------------------------------

class NewSetupTest : public StandinTest {
  protected:
    void SetUp() override {
        StandinTest::SetUp();
        Clean();
    }
    void TearDown() override {
        Clean();
        StandinTest::TearDown();
    }
    static void Clean() {
        DeleteFolder(Product());
        ::DeleteFileW(Shortcut().c_str());
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY);
    }
    static std::wstring Product() { return NativeProgramFiles() + L"\\Koru\\ZEMI Update"; }
    static std::wstring Shortcut() { return Folder(CSIDL_COMMON_PROGRAMS) + L"\\ZEMI Update.lnk"; }
    static std::wstring Installer() { return test::DistDir() + L"\\Installer"; }
};

TEST_F(NewSetupTest, Silent_InstallsProgramsVersionToolKeyAndShortcut) {
    EXPECT_EQ(0u, RunStandin(Installer() + L"\\setup.exe", L"/s", Installer() + L"\\"));
    for (const wchar_t* file : {L"ZEMIUpdt.exe", L"DARiziz.exe", L"InternetWrapper.exe"}) {
        EXPECT_TRUE(Exists(Product() + L"\\" + file)) << file;
    }
    EXPECT_EQ("7.5.0.0\r\n", ReadBytes(Product() + L"\\Version.txt"));
    EXPECT_EQ(ReadBytes(test::DistDir() + L"\\ZUSRFeature\\64\\ZUSR.exe"),
              ReadBytes(Product() + L"\\ZUSR.exe"));
    EXPECT_EQ(L"7.5.0.0", RegistryString(kProductKey, KEY_WOW64_64KEY, L"Version"));
    EXPECT_EQ(0, ::lstrcmpiW((Product() + L"\\ZEMIUpdt.exe").c_str(),
                             ShortcutTarget(Shortcut()).c_str()));
}

TEST_F(NewSetupTest, FailOrNoSilentSwitch_InstallsNothing) {
    test::SetBehaviour(L"setup.exe", L"fail", 1);
    EXPECT_EQ(1u, RunStandin(Installer() + L"\\setup.exe", L"/s"));
    test::ClearBehaviour();
    EXPECT_EQ(2u, RunStandin(Installer() + L"\\setup.exe", L""));
    EXPECT_FALSE(Exists(Product()));
    EXPECT_FALSE(Exists(Shortcut()));
}

// The earlier generation 5 as its setup left it, with the cache staged as the
// launcher stages it.
class LegacySetupTest : public StandinTest {
  protected:
    void SetUp() override {
        StandinTest::SetUp();
        Clean();
        ASSERT_TRUE(CreateFolders(Cache()));
        ASSERT_TRUE(CreateFolders(Staging()));
        ASSERT_TRUE(CreateFolders(ProgramFolder()));
        for (const std::wstring& folder : {Cache(), Staging()}) {
            ASSERT_TRUE(::CopyFileW(test::StandinPath(L"LegacySetup.exe").c_str(),
                                    (folder + L"\\setup.exe").c_str(), FALSE));
        }
        test::SetStringValue(HKEY_LOCAL_MACHINE, kGen5Key, KEY_WOW64_64KEY, L"Version", L"5.6.2.0");
        test::SetStringValue(HKEY_LOCAL_MACHINE, UninstallEntry(), KEY_WOW64_32KEY, L"DisplayName",
                             L"ZEMI Update 5");
    }
    void TearDown() override {
        Clean();
        StandinTest::TearDown();
    }
    static void Clean() {
        for (const std::wstring& folder : {Cache(), Staging(), ProgramFolder()}) {
            DeleteFolder(folder);
        }
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kGen5Key, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallEntry(), KEY_WOW64_32KEY);
        DeleteRegistryValue(kSessionManager, 0, L"PendingFileRenameOperations");
        DeleteRegistryValue(kRunOnceKey, KEY_WOW64_32KEY, outside::kProductCodeGen5);
    }
    static bool CreateFolders(const std::wstring& folder) {
        return ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS;
    }
    static std::wstring Cache() {
        return Folder(CSIDL_PROGRAM_FILES) + L"\\InstallShield Installation Information\\" +
               outside::kProductCodeGen5;
    }
    static std::wstring Staging() {
        return Folder(CSIDL_COMMON_APPDATA) + L"\\Koru Corporation\\ZEMI Update Temp\\" +
               outside::kProductCodeGen5;
    }
    static std::wstring ProgramFolder() { return NativeProgramFiles() + L"\\Koru\\ZEMI Update 5"; }
    static std::wstring UninstallEntry() {
        return std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
               outside::kProductCodeGen5;
    }
    static std::optional<DWORD> Uninstall(const wchar_t* response_file) {
        return RunStandin(Staging() + L"\\setup.exe",
                          L"/s /f1\"" + test::DistDir() + L"\\" + response_file + L"\"",
                          Staging() + L"\\");
    }
    bool Gen5Remains() const {
        return Exists(ProgramFolder()) &&
               test::KeyExists(HKEY_LOCAL_MACHINE, kGen5Key, KEY_WOW64_64KEY);
    }

    static constexpr wchar_t kGen5Key[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update 5";
    static constexpr wchar_t kSessionManager[] =
        L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    static constexpr wchar_t kRunOnceKey[] =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
};

TEST_F(LegacySetupTest, SilentWithItsResponseFile_RemovesItsGeneration) {
    EXPECT_EQ(0u, Uninstall(L"ZU5Uninstall.iss"));
    EXPECT_FALSE(Exists(ProgramFolder()));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kGen5Key, KEY_WOW64_64KEY));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallEntry(), KEY_WOW64_32KEY));
    EXPECT_FALSE(Exists(Cache()));
    EXPECT_FALSE(
        test::ValueExists(HKEY_LOCAL_MACHINE, kSessionManager, 0, L"PendingFileRenameOperations"));
}

TEST_F(LegacySetupTest, WithoutSilentSwitchOrWithAnotherGenerationsResponses_Refuses) {
    EXPECT_EQ(2u, RunStandin(Staging() + L"\\setup.exe",
                             L"/f1\"" + test::DistDir() + L"\\ZU5Uninstall.iss\"", Staging()));
    EXPECT_EQ(2u, Uninstall(L"ZU4Uninstall.iss"));
    EXPECT_TRUE(Gen5Remains());
    test::SetBehaviour(standin::kLegacySetupSection, L"fail", 1);
    EXPECT_EQ(1u, Uninstall(L"ZU5Uninstall.iss"));
    EXPECT_TRUE(Gen5Remains());
}

TEST_F(LegacySetupTest, LeavesRestartWork_PendingDeleteAndRunOnceIntoItsCache) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, L"PendingFileRenameOperations",
                         std::wstring(L"\\??\\C:\\a.tmp\0\0", 13), REG_MULTI_SZ);
    test::SetBehaviour(standin::kLegacySetupSection, L"leave_pending_rename", 1);
    test::SetBehaviour(standin::kLegacySetupSection, L"leave_runonce", 1);
    EXPECT_EQ(0u, Uninstall(L"ZU5Uninstall.iss"));

    RegistryKey session;
    ASSERT_EQ(ERROR_SUCCESS, session.Open(HKEY_LOCAL_MACHINE, kSessionManager, KEY_READ));
    wchar_t list[1024] = {};
    DWORD length = 1024;
    ASSERT_EQ(ERROR_SUCCESS,
              session.ReadMultiString(L"PendingFileRenameOperations", list, &length));
    const std::wstring pairs(list, length);
    EXPECT_EQ(std::wstring(L"\\??\\C:\\a.tmp\0\0", 13) + L"\\??\\" + ProgramFolder() +
                  std::wstring(L"\\DARiziz.exe\0\0\0", 15),
              pairs);
    const std::optional<std::wstring> run_once =
        RegistryString(kRunOnceKey, KEY_WOW64_32KEY, outside::kProductCodeGen5);
    ASSERT_TRUE(run_once.has_value());
    EXPECT_EQ(0u, run_once->find(L"\"" + Cache() + L"\\setup.exe\""));
}

// --- the package -------------------------------------------------------------

TEST_F(StandinTest, Package_RunsTheLauncherBesideItFromACopyInTemp) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zu-package-test";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring package = folder + L"\\ZEMIUpdatePackage.exe";
    ASSERT_TRUE(::CopyFileW((test::DistDir() + L"\\ZEMIUpdatePackage.exe").c_str(), package.c_str(),
                            FALSE));
    // A journal-only stand-in takes the launcher's place.
    ASSERT_TRUE(::CopyFileW(test::StandinPath(L"DARiziz.exe").c_str(),
                            (folder + L"\\ZUInstaller.exe").c_str(), FALSE));
    test::SetBehaviour(L"ZUInstaller.exe", L"exit_code", 7);

    EXPECT_EQ(7u, RunStandin(package, L"/s"));
    const std::vector<JournalRecord> packages = test::StartsOf(L"ZEMIUpdatePackage.exe");
    const std::vector<JournalRecord> launchers = test::StartsOf(L"ZUInstaller.exe");
    ASSERT_EQ(2u, packages.size());
    ASSERT_EQ(1u, launchers.size());
    const std::wstring copy = std::wstring(temp) + L"ZUPackageRun\\ZEMIUpdatePackage.exe";
    EXPECT_EQ(0, ::lstrcmpiW(copy.c_str(), packages[1].path.c_str()));
    EXPECT_EQ(L"/run \"" + folder + L"\\ZUInstaller.exe\" /s", packages[1].arguments);
    EXPECT_EQ(packages[0].pid, packages[1].parent_pid);
    EXPECT_EQ(L"/s", launchers[0].arguments);
    EXPECT_EQ(packages[1].pid, launchers[0].parent_pid);
    EXPECT_EQ(0, ::lstrcmpiW(copy.c_str(), launchers[0].parent_path.c_str()));
    EXPECT_FALSE(Exists(copy));
    DeleteFolder(folder);
}

// --- signatures and versions -------------------------------------------------

TEST(StandinSigning, PackagedPrograms_VerifyAndAreSignedByTheMaker) {
    for (const wchar_t* file : {L"ZEMIUpdatePackage.exe", L"Installer\\setup.exe",
                                L"ZUSRFeature\\32\\ZUSR.exe", L"ZUSRFeature\\64\\ZUSR.exe"}) {
        const std::wstring path = test::DistDir() + L"\\" + file;
        EXPECT_EQ(S_OK, VerifySignature(path)) << file;
        EXPECT_EQ(L"Koru Corporation", SignerName(path)) << file;
    }
    EXPECT_EQ(L"7.5.0.0", ProductVersion(test::DistDir() + L"\\ZEMIUpdatePackage.exe"));
    EXPECT_EQ(L"7.5.0.0", ProductVersion(test::DistDir() + L"\\ZUSRFeature\\64\\ZUSR.exe"));
}

TEST(StandinSigning, TestVariants_UpperCaseSignerVerifiesUnsignedAndTamperedDoNot) {
    EXPECT_EQ(S_OK, VerifySignature(test::UpperCaseSignerToolPath()));
    EXPECT_EQ(L"KORU CORPORATION", SignerName(test::UpperCaseSignerToolPath()));
    EXPECT_EQ(kUnsigned, VerifySignature(test::UnsignedToolPath()));

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring tampered = std::wstring(temp) + L"tampered-ZUSR.exe";
    std::string bytes = ReadBytes(test::DistDir() + L"\\ZUSRFeature\\32\\ZUSR.exe");
    ASSERT_GT(bytes.size(), 4096u);
    bytes[bytes.size() / 2] ^= 0x5A;
    std::ofstream(tampered.c_str(), std::ios::binary) << bytes;
    EXPECT_NE(S_OK, VerifySignature(tampered));
    EXPECT_EQ(L"Koru Corporation", SignerName(tampered));
    ::DeleteFileW(tampered.c_str());
}

}  // namespace
}  // namespace zu
