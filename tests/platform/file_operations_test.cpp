#include "platform/file_operations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <aclapi.h>
#include <sddl.h>

#include "platform/durable_file.h"
#include "platform/plain_tree.h"
#include "platform/private_folder.h"
#include "platform/scoped_handle.h"
#include "tests/support/file_fixture.h"
#include "tests/support/folder_security_recorder.h"
#include "tests/support/host_program.h"
#include "tests/support/import_patch.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kTestRoot[] = L"C:\\zutest";

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

// The file's text, "<missing>" when it cannot be read.
std::string Text(const std::wstring& path) {
    return test::FileBytes(path).value_or("<missing>");
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
        test::MakeHostDirectoryLink(swap->folder, swap->target, swap->name);
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
            ASSERT_TRUE(test::MakeHostDirectoryLink(tree, L"../target", row.link));
            EXPECT_TRUE(DeleteFolderTree(tree));
        } else if (row.plant == Plant::kAsTheFolder) {
            ASSERT_TRUE(test::MakeHostDirectoryLink(root_, L"target", row.link));
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
        EXPECT_NE(row.plant == Plant::kAsTheFolder, !Exists(tree + L"\\gone.txt"));
        // Wine cannot remove such a link (Windows removes the link itself), so
        // the link, and with it the tree's own folder, may stay here.
        test::RemoveHostLink(row.plant == Plant::kAsTheFolder ? root_ : tree, row.link);
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

    std::vector<std::wstring> names = {L"untouched"};
    EXPECT_FALSE(ListMatchingFiles(Path(L"missing"), &names));
    EXPECT_EQ(std::vector<std::wstring>{L"untouched"}, names);
    ASSERT_TRUE(ListMatchingFiles(source, &names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"B.XML", L"a.xml"}), names);
    ASSERT_TRUE(::CreateDirectoryW(Path(L"empty").c_str(), nullptr));
    EXPECT_TRUE(ListMatchingFiles(Path(L"empty"), &names));
    EXPECT_TRUE(names.empty());

    EXPECT_TRUE(DeleteMatchingFiles(source));
    EXPECT_FALSE(Exists(source + L"\\a.xml"));
    EXPECT_FALSE(Exists(source + L"\\B.XML"));
    EXPECT_TRUE(Exists(source + L"\\c.txt"));
    EXPECT_TRUE(Exists(source + L"\\folder.xml\\d.xml"));
}

TEST_F(FileOperationsTest, PrivateFolderDescriptor_ProtectedDaclForSystemAdministratorsUsers) {
    UniqueLocalMemory descriptor;
    ASSERT_TRUE(BuildPrivateFolderDescriptor(&descriptor));
    EXPECT_EQ(test::kPrivateFolderDacl, test::DaclSddl(descriptor.Get()));
}

// Whatever a user planted at the path goes, without following a link; the
// folder is then made with the private descriptor.
TEST_F(FileOperationsTest, CreatePrivateFolder_PlantedPaths_ReplacedLinkTargetSurvives) {
    const std::wstring target = Path(L"target");
    ASSERT_TRUE(CreateDirectoryPath(target + L"\\inner\\"));
    ASSERT_TRUE(test::WriteFileBytes(target + L"\\inner\\keep.txt", "keep"));
    struct Case {
        const wchar_t* name;
        const char* planted;  // "folder", "file", "link" or nothing
    } const cases[] = {{L"fresh", ""}, {L"folder", "folder"}, {L"file", "file"}, {L"link", "link"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.planted);
        const std::wstring folder = Path(c.name);
        const std::string planted = c.planted;
        if (planted == "folder") {
            ASSERT_TRUE(CreateDirectoryPath(folder + L"\\sub\\"));
            ASSERT_TRUE(test::WriteFileBytes(folder + L"\\sub\\planted.dll", "planted"));
        } else if (planted == "file") {
            ASSERT_TRUE(test::WriteFileBytes(folder, "planted"));
        } else if (planted == "link") {
            ASSERT_TRUE(test::MakeHostDirectoryLink(root_, L"target", c.name));
        }
        bool made = false;
        std::map<std::wstring, std::wstring> created;
        {
            test::FolderSecurityRecorder recorder;
            ASSERT_TRUE(recorder.active());
            made = CreatePrivateFolder(folder);
            created = recorder.created();
        }
        const std::map<std::wstring, std::wstring> expected = {
            {Lower(folder), test::kPrivateFolderDacl}};
        EXPECT_EQ(expected, created);
        EXPECT_EQ("keep", Text(target + L"\\inner\\keep.txt"));
        if (test::IsHostLink(folder)) {
            // Wine cannot remove a link (Windows can): the path is refused.
            EXPECT_FALSE(made);
            test::RemoveHostLink(root_, c.name);
            continue;
        }
        EXPECT_TRUE(made);
        EXPECT_TRUE(test::FolderExists(folder));
        EXPECT_TRUE(test::FilesUnder(folder).empty());
    }
}

// Wine gives every file the running user as owner; other owners are shown to
// the code at GetSecurityInfo.
decltype(&::GetSecurityInfo) g_real_get_security_info = nullptr;
PSID g_shown_owner = nullptr;

DWORD WINAPI GetSecurityInfoShowingOwner(HANDLE handle,
                                         SE_OBJECT_TYPE type,
                                         SECURITY_INFORMATION information,
                                         PSID* owner,
                                         PSID* group,
                                         PACL* dacl,
                                         PACL* sacl,
                                         PSECURITY_DESCRIPTOR* descriptor) {
    const DWORD status =
        g_real_get_security_info(handle, type, information, owner, group, dacl, sacl, descriptor);
    if (status == ERROR_SUCCESS && owner != nullptr) {
        *owner = g_shown_owner;
    }
    return status;
}

TEST_F(FileOperationsTest, IsAdminOwnedFolder_OnlyARealFolderOfAnAdministrator) {
    const std::wstring folder = Path(L"folder");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_TRUE(IsAdminOwnedFolder(folder));  // made by this account
    struct Owner {
        const wchar_t* sid;
        bool trusted;
    } const owners[] = {
        {L"SY", true}, {L"BA", true}, {L"BU", false}, {L"S-1-5-21-1-2-3-1001", false}};
    for (const Owner& owner : owners) {
        SCOPED_TRACE(std::string(owner.sid, owner.sid + std::wcslen(owner.sid)));
        PSID sid = nullptr;
        ASSERT_TRUE(::ConvertStringSidToSidW(owner.sid, &sid));
        UniqueLocalMemory sid_owner(sid);
        g_shown_owner = sid;
        test::ScopedImportPatch patch("advapi32.dll", "GetSecurityInfo",
                                      reinterpret_cast<void*>(&GetSecurityInfoShowingOwner));
        ASSERT_TRUE(patch.active());
        g_real_get_security_info =
            reinterpret_cast<decltype(g_real_get_security_info)>(patch.original());
        EXPECT_EQ(owner.trusted, IsAdminOwnedFolder(folder));
    }

    EXPECT_FALSE(IsAdminOwnedFolder(Path(L"missing")));
    ASSERT_TRUE(test::WriteFileBytes(Path(L"file"), "file"));
    EXPECT_FALSE(IsAdminOwnedFolder(Path(L"file")));
    ASSERT_TRUE(test::WriteFileBytes(folder + L"\\keep.txt", "keep"));
    ASSERT_TRUE(test::MakeHostDirectoryLink(root_, L"folder", L"link"));
    EXPECT_FALSE(IsAdminOwnedFolder(Path(L"link")));
    test::RemoveHostLink(root_, L"link");
}

// What reaches the disk when every write reports all its bytes written: all
// of them, one byte fewer, or the last one changed.
enum class Spoil { kNone, kShort, kDifferent };

// What the durable copies ask of the file system, recorded where they ask it:
// each flush with the size of the file flushed, each move with its flags and
// whether the file moved was flushed in full by then.
struct DurableCalls {
    std::vector<LONGLONG> flushed_sizes;
    std::vector<DWORD> move_flags;
    bool moved_after_flush = true;
    bool fail_flush = false;
    Spoil spoil = Spoil::kNone;
};
DurableCalls* g_durable = nullptr;
BOOL(WINAPI* g_real_flush)(HANDLE) = nullptr;
BOOL(WINAPI* g_real_move)(const wchar_t*, const wchar_t*, DWORD) = nullptr;
BOOL(WINAPI* g_real_write)(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*) = nullptr;

BOOL WINAPI
WriteSpoiling(HANDLE file, const void* bytes, DWORD count, DWORD* written, OVERLAPPED* overlapped) {
    const char* begin = static_cast<const char*>(bytes);
    std::string on_disk(begin, begin + count);
    if (count > 0 && g_durable->spoil == Spoil::kShort) {
        on_disk.pop_back();
    } else if (count > 0 && g_durable->spoil == Spoil::kDifferent) {
        on_disk.back() ^= 0x20;
    }
    DWORD done = 0;
    const BOOL result =
        g_real_write(file, on_disk.data(), static_cast<DWORD>(on_disk.size()), &done, overlapped);
    if (written != nullptr) {
        *written = result ? count : done;
    }
    return result;
}

BOOL WINAPI FlushRecording(HANDLE file) {
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    g_durable->flushed_sizes.push_back(size.QuadPart);
    return g_durable->fail_flush ? FALSE : g_real_flush(file);
}

BOOL WINAPI MoveRecording(const wchar_t* from, const wchar_t* to, DWORD flags) {
    g_durable->move_flags.push_back(flags);
    const std::optional<std::string> moved = test::FileBytes(from);
    g_durable->moved_after_flush =
        g_durable->moved_after_flush && moved.has_value() && !g_durable->flushed_sizes.empty() &&
        g_durable->flushed_sizes.back() == static_cast<LONGLONG>(moved->size());
    return g_real_move(from, to, flags);
}

class DurableFileTest : public FileOperationsTest {
  protected:
    void SetUp() override {
        FileOperationsTest::SetUp();
        flush_ = std::make_unique<test::ScopedImportPatch>(
            "kernel32.dll", "FlushFileBuffers", reinterpret_cast<void*>(&FlushRecording));
        move_ = std::make_unique<test::ScopedImportPatch>("kernel32.dll", "MoveFileExW",
                                                          reinterpret_cast<void*>(&MoveRecording));
        write_ = std::make_unique<test::ScopedImportPatch>("kernel32.dll", "WriteFile",
                                                           reinterpret_cast<void*>(&WriteSpoiling));
        ASSERT_TRUE(flush_->active() && move_->active() && write_->active());
        g_real_flush = reinterpret_cast<decltype(g_real_flush)>(flush_->original());
        g_real_move = reinterpret_cast<decltype(g_real_move)>(move_->original());
        g_real_write = reinterpret_cast<decltype(g_real_write)>(write_->original());
        g_durable = &calls_;
    }
    void TearDown() override {
        write_.reset();
        move_.reset();
        flush_.reset();
        g_durable = nullptr;
        FileOperationsTest::TearDown();
    }

    DurableCalls calls_;
    std::unique_ptr<test::ScopedImportPatch> flush_;
    std::unique_ptr<test::ScopedImportPatch> move_;
    std::unique_ptr<test::ScopedImportPatch> write_;
};

// A copy is flushed before it counts, and its digest tells it from a torn one.
TEST_F(DurableFileTest, CopyFileDurably_FlushedInFullAndTornCopiesTellable) {
    const std::string bytes = std::string(200000, 'd') + std::string("\0\xff tail", 7);
    ASSERT_TRUE(test::WriteFileBytes(Path(L"source"), bytes));
    FileDigest digest;
    ASSERT_TRUE(CopyFileDurably(Path(L"source"), Path(L"copy"), &digest));
    EXPECT_EQ(bytes, Text(Path(L"copy")));
    EXPECT_EQ(bytes.size(), digest.size);
    EXPECT_EQ(std::vector<LONGLONG>{static_cast<LONGLONG>(bytes.size())}, calls_.flushed_sizes);
    FileDigest read;
    ASSERT_TRUE(ReadFileDigest(Path(L"copy"), &read));
    EXPECT_EQ(digest, read);
    // What a lost cache leaves: the file cut short, or its blocks zero-filled.
    for (const std::string& torn : {bytes.substr(0, 65536), std::string(bytes.size(), '\0')}) {
        ASSERT_TRUE(test::WriteFileBytes(Path(L"copy"), torn));
        ASSERT_TRUE(ReadFileDigest(Path(L"copy"), &read));
        EXPECT_NE(digest, read);
    }
    // A flush that fails leaves no copy that could be taken for one.
    calls_.fail_flush = true;
    EXPECT_FALSE(CopyFileDurably(Path(L"source"), Path(L"again"), &read));
    EXPECT_FALSE(Exists(Path(L"again")));
}

// Every write reported all its bytes, yet the disk holds a copy cut short or
// changed: the read-back tells, the save and the restore fail, nothing is left
// that could be taken for the copy, and the restore's target keeps its bytes.
TEST_F(DurableFileTest, CopyComesOutShortOrDifferent_SaveAndRestoreFailAndLeaveNothing) {
    ASSERT_TRUE(test::WriteFileBytes(Path(L"source"), "saved data\r\n"));
    ASSERT_TRUE(test::WriteFileBytes(Path(L"target"), "original"));
    for (Spoil spoil : {Spoil::kShort, Spoil::kDifferent}) {
        calls_.spoil = spoil;
        FileDigest digest;
        const bool saved = CopyFileDurably(Path(L"source"), Path(L"copy"), &digest);
        const bool restored = ReplaceFileDurably(Path(L"source"), Path(L"target"), nullptr);
        calls_.spoil = Spoil::kNone;
        EXPECT_FALSE(saved) << static_cast<int>(spoil);
        EXPECT_FALSE(restored) << static_cast<int>(spoil);
        EXPECT_FALSE(Exists(Path(L"copy")));
        EXPECT_FALSE(Exists(Path(L"target.zu-new")));
        EXPECT_EQ("original", Text(Path(L"target")));
    }
}

TEST_F(DurableFileTest, ReplaceFileDurably_MovesAFlushedCheckedCopyOverTheTargetInOneStep) {
    ASSERT_TRUE(test::WriteFileBytes(Path(L"source"), "restored"));
    FileDigest digest;
    ASSERT_TRUE(ReadFileDigest(Path(L"source"), &digest));
    ASSERT_TRUE(test::WriteFileBytes(Path(L"target"), "original"));
    ASSERT_TRUE(::SetFileAttributesW(Path(L"target").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_TRUE(ReplaceFileDurably(Path(L"source"), Path(L"target"), &digest));

    EXPECT_EQ("restored", Text(Path(L"target")));
    EXPECT_FALSE(Exists(Path(L"target.zu-new")));
    EXPECT_EQ(std::vector<DWORD>{MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH},
              calls_.move_flags);
    EXPECT_TRUE(calls_.moved_after_flush);

    // A source that no longer matches what was recorded replaces nothing.
    ASSERT_TRUE(test::WriteFileBytes(Path(L"source"), "torn"));
    EXPECT_FALSE(ReplaceFileDurably(Path(L"source"), Path(L"target"), &digest));
    EXPECT_EQ("restored", Text(Path(L"target")));
    EXPECT_FALSE(Exists(Path(L"target.zu-new")));
}

// Whatever another account put below a folder the launcher copies from:
// links are not entered, files with a second name not read, and a link
// among the folders to write into stops the write.
TEST_F(FileOperationsTest, PlainTree_LinksAndSecondNamesLeftOutAndNeverWrittenThrough) {
    const std::wstring tree = Path(L"tree");
    ASSERT_TRUE(CreateDirectoryPath(tree + L"\\sub\\"));
    ASSERT_TRUE(CreateDirectoryPath(Path(L"elsewhere\\")));
    ASSERT_TRUE(test::WriteFileBytes(Path(L"elsewhere\\secret.txt"), "secret"));
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\sub\\kept.dat", "kept"));
    ASSERT_TRUE(test::WriteFileBytes(tree + L"\\top.dat", "top"));
    ASSERT_TRUE(::CreateHardLinkW((tree + L"\\second.txt").c_str(),
                                  Path(L"elsewhere\\secret.txt").c_str(), nullptr));
    ASSERT_TRUE(test::MakeHostDirectoryLink(tree, L"../elsewhere", L"link"));

    std::vector<std::wstring> files;
    std::vector<std::wstring> skipped;
    ASSERT_TRUE(ListPlainFiles(tree, &files, &skipped));
    std::sort(files.begin(), files.end());
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ((std::vector<std::wstring>{L"sub\\kept.dat", L"top.dat"}), files);
    EXPECT_EQ((std::vector<std::wstring>{L"link", L"second.txt"}), skipped);
    FileDigest digest;
    EXPECT_FALSE(ReadFileDigest(tree + L"\\second.txt", &digest));
    EXPECT_FALSE(CopyFileDurably(tree + L"\\second.txt", Path(L"copy"), &digest));

    EXPECT_TRUE(CreatePlainFolders(tree, L"sub\\new\\file.dat"));
    EXPECT_TRUE(IsPlainFolder(tree + L"\\sub\\new"));
    EXPECT_FALSE(CreatePlainFolders(tree, L"link\\new\\file.dat"));
    EXPECT_FALSE(Exists(Path(L"elsewhere\\new")));
    EXPECT_FALSE(CreatePlainFolders(Path(L"tree\\link"), L"file.dat"));
    test::RemoveHostLink(tree, L"link");
}

}  // namespace
}  // namespace zu
