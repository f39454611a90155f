#include "platform/file_trust.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "selfrepair/product_version.h"
#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kMaker[] = L"Koru Corporation";
constexpr wchar_t kMakerOfAmerica[] = L"Koru Corporation of America";
constexpr wchar_t kPackageVersion[] = L"7.5.0.0";

std::wstring DistFile(const wchar_t* relative) {
    return test::DistDir() + L"\\" + relative;
}

// The tool signed under the maker's second name, and under the maker's name
// with a soft hyphen inside (built beside the tests).
std::wstring AmericaSignedToolPath() {
    return test::TestBinDir() + L"\\signing\\america\\ZUSR.exe";
}
std::wstring SoftHyphenSignedToolPath() {
    return test::TestBinDir() + L"\\signing\\soft-hyphen\\ZUSR.exe";
}

// Ways to put another file where a checked one was.
struct Swap {
    const char* name;
    bool (*attempt)(const std::wstring& checked, const std::wstring& other);
};
const Swap kSwaps[] = {
    {"overwrite",
     [](const std::wstring& t, const std::wstring& o) {
         return ::CopyFileW(o.c_str(), t.c_str(), FALSE) != FALSE;
     }},
    {"rename over",
     [](const std::wstring& t, const std::wstring& o) {
         return ::MoveFileExW(o.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
     }},
    {"move away",
     [](const std::wstring& t, const std::wstring& o) {
         return ::MoveFileW(t.c_str(), (o + L".moved").c_str()) != FALSE;
     }},
    {"delete",
     [](const std::wstring& t, const std::wstring&) { return ::DeleteFileW(t.c_str()) != FALSE; }},
};

struct SwapAttempt {
    const Swap* swap;
    std::wstring checked;
    std::wstring other;
    bool succeeded;
};

DWORD WINAPI RunSwapAttempt(void* data) {
    auto* attempt = static_cast<SwapAttempt*>(data);
    attempt->succeeded = attempt->swap->attempt(attempt->checked, attempt->other);
    return 0;
}

class FileTrustTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(machine_.CreateFolder(folder_)); }

    // A copy of source in the test's folder with one byte of its code changed.
    std::wstring TamperedCopy(const std::wstring& source) {
        std::string bytes = test::FileBytes(source).value_or(std::string());
        EXPECT_GT(bytes.size(), 0x1000u);
        bytes[0x800] = static_cast<char>(bytes[0x800] ^ 0x5A);
        const std::wstring copy = folder_ + L"\\tampered.exe";
        EXPECT_TRUE(machine_.WriteFile(copy, bytes));
        return copy;
    }

    const std::wstring folder_ = L"C:\\zu-file-trust";
    test::Machine machine_;
};

TEST_F(FileTrustTest, PackageFilesSignedByTheMaker_AreTrusted) {
    for (const wchar_t* file : {L"ZEMIUpdatePackage.exe", L"ZUSRFeature\\32\\ZUSR.exe",
                                L"ZUSRFeature\\64\\ZUSR.exe", L"Installer\\setup.exe"}) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(VerifyFileSignature(DistFile(file)));
        EXPECT_TRUE(IsSignedBy(DistFile(file), kMaker));
        EXPECT_TRUE(IsTrustedFile(DistFile(file)));
    }
}

TEST_F(FileTrustTest, SignedUnderTheMakersSecondName_Trusted) {
    EXPECT_FALSE(IsSignedBy(AmericaSignedToolPath(), kMaker));
    EXPECT_TRUE(IsSignedBy(AmericaSignedToolPath(), kMakerOfAmerica));
    EXPECT_TRUE(IsTrustedFile(AmericaSignedToolPath()));
}

TEST_F(FileTrustTest, SignerNameInCapitals_VerifiesButIsNotTrusted) {
    const std::wstring tool = test::UpperCaseSignerToolPath();
    EXPECT_TRUE(VerifyFileSignature(tool));
    EXPECT_TRUE(IsSignedBy(tool, L"KORU CORPORATION"));
    EXPECT_FALSE(IsSignedBy(tool, kMaker));
    EXPECT_FALSE(IsTrustedFile(tool));
}

// A linguistic comparison skips the soft hyphen and would take this signer
// for the maker.
TEST_F(FileTrustTest, SignerNameWithAnIgnorableCharacter_VerifiesButIsNotTrusted) {
    const std::wstring tool = SoftHyphenSignedToolPath();
    EXPECT_TRUE(VerifyFileSignature(tool));
    EXPECT_TRUE(IsSignedBy(tool, L"Koru Corpo\u00ADration"));
    EXPECT_FALSE(IsSignedBy(tool, kMaker));
    EXPECT_FALSE(IsTrustedFile(tool));
}

TEST_F(FileTrustTest, Unsigned_NotTrusted) {
    const std::wstring tool = test::UnsignedToolPath();
    ASSERT_TRUE(test::FileExists(tool));
    EXPECT_FALSE(VerifyFileSignature(tool));
    EXPECT_FALSE(IsSignedBy(tool, kMaker));
    EXPECT_FALSE(IsTrustedFile(tool));
}

// The signer can still be read from a changed file; only the hash check
// catches the change.
TEST_F(FileTrustTest, OneByteChangedAfterSigning_NotTrusted) {
    const std::wstring tampered = TamperedCopy(DistFile(L"ZUSRFeature\\32\\ZUSR.exe"));
    EXPECT_TRUE(IsSignedBy(tampered, kMaker));
    EXPECT_FALSE(VerifyFileSignature(tampered));
    EXPECT_FALSE(IsTrustedFile(tampered));
}

TEST_F(FileTrustTest, NoFileOrNoName_False) {
    const std::wstring missing = folder_ + L"\\missing.exe";
    EXPECT_FALSE(IsTrustedFile(missing));
    EXPECT_FALSE(VerifyFileSignature(missing));
    EXPECT_FALSE(IsSignedBy(missing, kMaker));
    EXPECT_FALSE(VerifyFileSignature(L""));
    EXPECT_FALSE(IsSignedBy(L"", kMaker));
    EXPECT_FALSE(IsSignedBy(DistFile(L"ZEMIUpdatePackage.exe"), nullptr));
    EXPECT_FALSE(IsSignedBy(DistFile(L"ZEMIUpdatePackage.exe"), L""));
}

// While held, the checked file cannot be swapped: not overwritten, renamed
// over, moved away or deleted, by this thread or another.
TEST_F(FileTrustTest, HeldTrustedFile_CannotBeSwappedUntilReleased) {
    const std::wstring tool = folder_ + L"\\ZUSR.exe";
    const std::wstring other = folder_ + L"\\other.exe";
    ASSERT_TRUE(machine_.CopyFile(DistFile(L"ZUSRFeature\\32\\ZUSR.exe"), tool));
    ASSERT_TRUE(machine_.CopyFile(test::UnsignedToolPath(), other));
    UniqueFileHandle held;
    ASSERT_TRUE(HoldTrustedFile(tool, &held));
    ASSERT_TRUE(held);

    for (const Swap& swap : kSwaps) {
        SCOPED_TRACE(swap.name);
        // From another thread, as another program would.
        SwapAttempt attempt = {&swap, tool, other, true};
        UniqueHandle thread(::CreateThread(nullptr, 0, &RunSwapAttempt, &attempt, 0, nullptr));
        ASSERT_TRUE(thread);
        ::WaitForSingleObject(thread.Get(), INFINITE);
        EXPECT_FALSE(attempt.succeeded);
    }
    EXPECT_TRUE(test::FileBytes(tool) == test::FileBytes(DistFile(L"ZUSRFeature\\32\\ZUSR.exe")));
    // Reading and starting stay possible.
    EXPECT_TRUE(IsTrustedFile(tool));

    held.Reset();
    EXPECT_TRUE(::CopyFileW(other.c_str(), tool.c_str(), FALSE));
}

TEST_F(FileTrustTest, HoldTrustedFile_NotTheMakersFile_FalseNothingHeld) {
    const std::wstring tampered = TamperedCopy(DistFile(L"ZUSRFeature\\32\\ZUSR.exe"));
    for (const std::wstring& path :
         {tampered, test::UnsignedToolPath(), test::UpperCaseSignerToolPath(),
          folder_ + L"\\missing.exe", std::wstring()}) {
        UniqueFileHandle held;
        EXPECT_FALSE(HoldTrustedFile(path, &held));
        EXPECT_FALSE(held);
    }
    EXPECT_TRUE(::DeleteFileW(tampered.c_str()));
}

TEST(ProductVersionTest, PackageAndTool_CarryTheVersionOfVersionTxt) {
    EXPECT_EQ(kPackageVersion, GetProductVersion(DistFile(L"ZEMIUpdatePackage.exe")));
    EXPECT_EQ(kPackageVersion, GetProductVersion(DistFile(L"ZUSRFeature\\64\\ZUSR.exe")));
    EXPECT_EQ(kPackageVersion, GetProductVersion(test::UnsignedToolPath()));
}

TEST(ProductVersionTest, NoVersionResourceOrNoFile_Empty) {
    EXPECT_EQ(L"", GetProductVersion(DistFile(L"Installer\\Version.txt")));
    EXPECT_EQ(L"", GetProductVersion(DistFile(L"missing.exe")));
    EXPECT_EQ(L"", GetProductVersion(L""));
}

}  // namespace
}  // namespace zu
