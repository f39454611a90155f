#include "platform/file_operations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/file_fixture.h"
#include "tests/support/host_program.h"
#include "tests/support/import_patch.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kTestRoot[] = L"C:\\zutest";

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's text, "<missing>" when it cannot be read.
std::string Text(const std::wstring& path) {
    return test::FileBytes(path).value_or("<missing>");
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsGone(const std::wstring& path) {
    return !Exists(path);
}

// "ln -s target name" in folder: a relative link, so no Unix path is needed.
bool MakeDirectoryLink(const std::wstring& folder, const wchar_t* target, const wchar_t* name) {
    return test::RunHostProgram(L"Z:\\bin\\ln", std::wstring(L"-s ") + target + L" " + name, folder,
                                IsLink, folder + L"\\" + name);
}

bool RemoveHostLink(const std::wstring& folder, const wchar_t* name) {
    return test::RunHostProgram(L"Z:\\bin\\rm", std::wstring(L"-f ") + name, folder, IsGone,
                                folder + L"\\" + name);
}

// Every test works in C:\zutest\<test name>, which is empty when the test
// starts and gone afterwards.
class FileOperationsTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* test = testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = std::wstring(kTestRoot) + L"\\" + std::wstring(test, test + std::strlen(test));
        test::DeletePath(root_);
        ::CreateDirectoryW(kTestRoot, nullptr);
        ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr));
    }

    void TearDown() override {
        test::DeletePath(root_);
        ::RemoveDirectoryW(kTestRoot);
    }

    std::wstring Path(const wchar_t* tail) const { return root_ + L"\\" + tail; }

    std::wstring root_;
};

TEST_F(FileOperationsTest, PathBesideLauncher_GivesFileInOwnFolder) {
    const std::wstring own = test::OwnPath();
    std::wstring path = L"untouched";
    ASSERT_TRUE(PathBesideLauncher(L"setup.inx", &path));
    EXPECT_EQ(own.substr(0, own.rfind(L'\\')) + L"\\setup.inx", path);
}

TEST_F(FileOperationsTest, CreateDirectoryPath_CreatesLevelsUpToLastBackslash) {
    EXPECT_TRUE(CreateDirectoryPath(Path(L"a\\b\\c\\")));
    EXPECT_TRUE(test::FolderExists(Path(L"a\\b\\c")));

    EXPECT_TRUE(CreateDirectoryPath(Path(L"x\\y\\z")));
    EXPECT_TRUE(test::FolderExists(Path(L"x\\y")));
    EXPECT_FALSE(Exists(Path(L"x\\y\\z")));

    // Existing levels are fine.
    EXPECT_TRUE(CreateDirectoryPath(Path(L"a\\b\\c\\d\\")));
    EXPECT_TRUE(test::FolderExists(Path(L"a\\b\\c\\d")));
}

TEST_F(FileOperationsTest, CreateDirectoryPath_NotADriveLetterPath_CreatesNothing) {
    const std::wstring unc = L"\\\\localhost\\C$\\zutest\\" + root_.substr(10) + L"\\unc\\";
    EXPECT_FALSE(CreateDirectoryPath(unc));
    EXPECT_FALSE(CreateDirectoryPath(L"\\\\?\\" + Path(L"long\\")));
    EXPECT_FALSE(CreateDirectoryPath(L"C:"));
    EXPECT_FALSE(CreateDirectoryPath(L""));

    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(::SetCurrentDirectoryW(root_.c_str()));
    EXPECT_FALSE(CreateDirectoryPath(L"relative\\level\\"));
    EXPECT_FALSE(CreateDirectoryPath(L"\\rooted\\level\\"));
    ::SetCurrentDirectoryW(current);

    EXPECT_FALSE(Exists(Path(L"unc")));
    EXPECT_FALSE(Exists(Path(L"long")));
    EXPECT_FALSE(Exists(Path(L"relative")));
    EXPECT_FALSE(Exists(L"C:\\rooted"));
}

TEST_F(FileOperationsTest, CreateDirectoryPath_LevelCannotBeCreated_Fails) {
    // A drive that does not exist: the first level has no parent.
    const DWORD drives = ::GetLogicalDrives();
    wchar_t letter = L'Q';
    while (letter > L'D' && (drives & (1u << (letter - L'A')))) {
        --letter;
    }
    ASSERT_FALSE(drives & (1u << (letter - L'A')));
    EXPECT_FALSE(CreateDirectoryPath(std::wstring(1, letter) + L":\\zutest\\level\\"));

    // A file where a folder should be: the level below it has no parent folder.
    ASSERT_TRUE(test::WriteFileBytes(Path(L"file"), "kept"));
    EXPECT_FALSE(CreateDirectoryPath(Path(L"file\\sub\\")));
    EXPECT_EQ("kept", Text(Path(L"file")));
}

TEST_F(FileOperationsTest, ShellCopy_FollowsShellRules) {
    ASSERT_TRUE(::CreateDirectoryW(Path(L"source").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(Path(L"source\\sub").c_str(), nullptr));
    ASSERT_TRUE(test::WriteFileBytes(Path(L"source\\sub\\data.xml"), "data"));

    // To a missing path the copy becomes that path, parents included.
    EXPECT_TRUE(ShellCopy(Path(L"source"), Path(L"new\\copy")));
    EXPECT_EQ("data", Text(Path(L"new\\copy\\sub\\data.xml")));
    // To an existing folder it goes inside.
    EXPECT_TRUE(ShellCopy(Path(L"source"), Path(L"new")));
    EXPECT_EQ("data", Text(Path(L"new\\source\\sub\\data.xml")));
    EXPECT_TRUE(Exists(Path(L"source\\sub\\data.xml")));
}

TEST_F(FileOperationsTest, DeleteFolderTree_NestedFolders_RemovesEverything) {
    const std::wstring tree = Path(L"tree");
    ASSERT_TRUE(CreateDirectoryPath(tree + L"\\a\\b\\c\\"));
    ASSERT_TRUE(CreateDirectoryPath(tree + L"\\empty\\"));
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\top.txt", "1"));
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\a\\one.dat", "2"));
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\a\\b\\c\\deep.xml", "3"));
    // Setup caches hold read-only files; the shell's delete removed them too.
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\a\\setup.exe", "4"));
    ASSERT_TRUE(::SetFileAttributesW((tree + L"\\a\\setup.exe").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(DeleteFolderTree(tree));
    EXPECT_FALSE(Exists(tree));
    EXPECT_TRUE(DeleteFolderTree(tree));  // missing: nothing to do
    EXPECT_TRUE(test::FolderExists(root_));
}

// Swaps a folder for a link just before the code under test opens it: the
// race of a user who owns the folder above.
struct LinkSwap {
    std::wstring folder;    // where the swapped entry lies
    const wchar_t* name;    // the entry, moved aside to "<name>.moved"
    const wchar_t* target;  // what the link in its place points to
};
const LinkSwap* g_swap = nullptr;
void* g_real_create_file = nullptr;

HANDLE WINAPI CreateFileSwappingForLink(LPCWSTR path,
                                        DWORD access,
                                        DWORD share,
                                        LPSECURITY_ATTRIBUTES security,
                                        DWORD disposition,
                                        DWORD flags,
                                        HANDLE template_file) {
    if (g_swap != nullptr && g_swap->folder + L"\\" + g_swap->name == path) {
        const LinkSwap* swap = std::exchange(g_swap, nullptr);
        ::MoveFileW(path, (std::wstring(path) + L".moved").c_str());
        MakeDirectoryLink(swap->folder, swap->target, swap->name);
    }
    const auto real = reinterpret_cast<decltype(&::CreateFileW)>(g_real_create_file);
    return real(path, access, share, security, disposition, flags, template_file);
}

// The launcher runs elevated: a link planted in or as a folder it deletes, or
// swapped in while it deletes, must not lead it into the folder the link
// points to. Each row plants one link to "target" (which holds content: Wine
// removes an empty target through a link).
TEST_F(FileOperationsTest, DeleteFolderTree_DirectoryLinks_TargetSurvives) {
    enum class Plant { kInside, kAsTheFolder, kSwappedInWhileDeleting };
    const struct {
        const char* scenario;
        Plant plant;
        const wchar_t* link;
    } kRows[] = {
        {"link inside the tree", Plant::kInside, L"link"},
        {"link as the folder itself", Plant::kAsTheFolder, L"toplink"},
        {"subfolder swapped for a link after its listing", Plant::kSwappedInWhileDeleting, L"sub"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.scenario);
        const std::wstring tree = Path(L"tree");
        const std::wstring target = Path(L"target");
        ASSERT_TRUE(CreateDirectoryPath(tree + L"\\sub\\"));
        ASSERT_TRUE(CreateDirectoryPath(target + L"\\inner\\"));
        ASSERT_TRUE(test::WriteFileBytes(target + L"\\keep.txt", "keep"));
        ASSERT_TRUE(test::WriteFileBytes(target + L"\\inner\\keep.xml", "keep"));
        ASSERT_TRUE(test::WriteFileBytes(tree + L"\\sub\\gone.txt", "gone"));
        ASSERT_TRUE(test::WriteFileBytes(tree + L"\\gone.txt", "gone"));

        if (row.plant == Plant::kInside) {
            ASSERT_TRUE(MakeDirectoryLink(tree, L"../target", row.link));
            EXPECT_TRUE(DeleteFolderTree(tree));
        } else if (row.plant == Plant::kAsTheFolder) {
            ASSERT_TRUE(MakeDirectoryLink(root_, L"target", row.link));
            EXPECT_TRUE(DeleteFolderTree(Path(row.link)));
        } else {
            const LinkSwap swap{tree, row.link, L"../target"};
            test::ScopedImportPatch patch("kernel32.dll", "CreateFileW",
                                          reinterpret_cast<void*>(&CreateFileSwappingForLink));
            ASSERT_TRUE(patch.active());
            g_real_create_file = patch.original();
            g_swap = &swap;
            EXPECT_TRUE(DeleteFolderTree(tree));
            EXPECT_EQ(nullptr, g_swap) << "the subfolder was never opened";
            g_swap = nullptr;
        }

        EXPECT_EQ("keep", Text(target + L"\\keep.txt"));
        EXPECT_EQ("keep", Text(target + L"\\inner\\keep.xml"));
        EXPECT_NE(row.plant == Plant::kAsTheFolder, IsGone(tree + L"\\gone.txt"));
        // Wine cannot remove such a link (Windows removes the link itself), so
        // the link, and with it the tree's own folder, may stay here.
        RemoveHostLink(row.plant == Plant::kAsTheFolder ? root_ : tree, row.link);
        test::DeletePath(tree);
        test::DeletePath(target);
    }
}

TEST_F(FileOperationsTest, MatchingFiles_OnlyXmlFilesOfTheFolderItself) {
    const std::wstring source = Path(L"source");
    ASSERT_TRUE(CreateDirectoryPath(source + L"\\folder.xml\\"));
    ASSERT_TRUE(test::WriteFileBytes(source + L"\\a.xml", "a"));
    ASSERT_TRUE(test::WriteFileBytes(source + L"\\B.XML", "b"));
    ASSERT_TRUE(test::WriteFileBytes(source + L"\\c.txt", "c"));
    ASSERT_TRUE(test::WriteFileBytes(source + L"\\folder.xml\\d.xml", "d"));

    // No destination folder: nothing is copied and nothing created.
    EXPECT_TRUE(CopyMatchingFiles(source, Path(L"missing")));
    EXPECT_FALSE(Exists(Path(L"missing")));

    const std::wstring destination = Path(L"destination");
    ASSERT_TRUE(::CreateDirectoryW(destination.c_str(), nullptr));
    ASSERT_TRUE(test::WriteFileBytes(destination + L"\\a.xml", "old"));
    EXPECT_TRUE(CopyMatchingFiles(source, destination));
    EXPECT_EQ("a", Text(destination + L"\\a.xml"));
    EXPECT_EQ("b", Text(destination + L"\\B.XML"));
    EXPECT_FALSE(Exists(destination + L"\\c.txt"));
    EXPECT_FALSE(Exists(destination + L"\\folder.xml"));

    EXPECT_TRUE(DeleteMatchingFiles(source));
    EXPECT_FALSE(Exists(source + L"\\a.xml"));
    EXPECT_FALSE(Exists(source + L"\\B.XML"));
    EXPECT_TRUE(Exists(source + L"\\c.txt"));
    EXPECT_TRUE(Exists(source + L"\\folder.xml\\d.xml"));
}

}  // namespace
}  // namespace zu
