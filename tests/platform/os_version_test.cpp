#include "platform/os_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

OSVERSIONINFOEXW Version(DWORD major, DWORD minor, WORD service_pack, BYTE product_type) {
    OSVERSIONINFOEXW info = {};
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wServicePackMajor = service_pack;
    info.wProductType = product_type;
    return info;
}

TEST(OsVersionCode, ReportedVersions_MapToCoarseCodes) {
    struct Case {
        OSVERSIONINFOEXW info;
        int code;
    } cases[] = {
        {Version(5, 0, 4, VER_NT_WORKSTATION), 0},        // Windows 2000
        {Version(5, 1, 1, VER_NT_WORKSTATION), 0},        // XP SP1: below the minimum
        {Version(5, 1, 2, VER_NT_WORKSTATION), 81},       // XP SP2
        {Version(5, 1, 3, VER_NT_WORKSTATION), 81},       // XP SP3
        {Version(5, 2, 2, VER_NT_SERVER), 0},             // Server 2003 / XP x64
        {Version(6, 0, 0, VER_NT_WORKSTATION), 96},       // Vista
        {Version(6, 0, 2, VER_NT_SERVER), 0},             // Server 2008
        {Version(6, 1, 1, VER_NT_WORKSTATION), 97},       // Windows 7
        {Version(6, 1, 1, VER_NT_DOMAIN_CONTROLLER), 0},  // Server 2008 R2
        {Version(6, 3, 0, VER_NT_WORKSTATION), 98},       // Windows 8.1
        {Version(10, 0, 0, VER_NT_SERVER), 98},           // any major above 6
        {Version(4, 0, 6, VER_NT_WORKSTATION), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, OsVersionCodeFromVersionInfo(c.info))
            << c.info.dwMajorVersion << "." << c.info.dwMinorVersion << " SP"
            << c.info.wServicePackMajor << " type " << int(c.info.wProductType);
    }
}

bool Is32BitPrefix() {
    const char* arch = std::getenv("ZU_WINE_ARCH");
    return arch != nullptr && std::string(arch) == "32";
}

DWORD RunProbe() {
    DWORD exit_code = 0;
    EXPECT_TRUE(
        test::RunProgram(test::Quote(test::TestBinDir() + L"\\os_probe.exe"), 30000, &exit_code));
    return exit_code;
}

// Runs the probe as Wine reports the given Windows to it (null: the prefix's
// own Windows 7 SP1 workstation; Wine's "win7" setting reports a server).
void Probe(const wchar_t* windows, int* code, int* architecture, int* minor = nullptr) {
    DWORD exit_code = 0;
    if (windows == nullptr) {
        exit_code = RunProbe();
    } else {
        test::ScopedWineVersion version(L"os_probe.exe", windows);
        exit_code = RunProbe();
    }
    *code = static_cast<int>(exit_code & 0xFF);
    *architecture = static_cast<int>((exit_code >> 8) & 0xFFFF);
    if (minor != nullptr) {
        *minor = static_cast<int>(exit_code >> 24);
    }
}

TEST(OsVersionCode, RealWindowsVersions_GiveTheirCodesAndArchitecture) {
    struct Case {
        const wchar_t* windows;
        int code;
    } cases[] = {{nullptr, 97}, {L"win8", 98}, {L"win81", 98}, {L"win10", 98}, {L"vista", 96}};
    const int native =
        Is32BitPrefix() ? PROCESSOR_ARCHITECTURE_INTEL : PROCESSOR_ARCHITECTURE_AMD64;
    for (const Case& c : cases) {
        int code = -1;
        int architecture = -1;
        Probe(c.windows, &code, &architecture);
        const wchar_t* name = c.windows != nullptr ? c.windows : L"prefix default";
        EXPECT_EQ(c.code, code) << name;
        EXPECT_EQ(native, architecture) << name;
    }
}

// The launcher's manifest declares Windows 8.1, so 8.1 reports itself as 6.3.
TEST(OsVersionCode, Windows81WithTheManifest_Reports63AndGives98) {
    int code = -1;
    int architecture = -1;
    int minor = -1;
    Probe(L"win81", &code, &architecture, &minor);
    EXPECT_EQ(3, minor);
    EXPECT_EQ(98, code);
}

// Wine offers XP only to programs of a 32-bit prefix (it reports SP3).
TEST(OsVersionCode, WindowsXpSp3In32BitPrefix_Gives81) {
    if (!Is32BitPrefix()) {
        GTEST_SKIP() << "XP runs only in the 32-bit prefix";
    }
    int code = -1;
    int architecture = -1;
    Probe(L"winxp", &code, &architecture);
    EXPECT_EQ(81, code);
    EXPECT_EQ(PROCESSOR_ARCHITECTURE_INTEL, architecture);
}

}  // namespace
}  // namespace zu
