#include "legacy/legacy_folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/legacy/generation_param_name.h"
#include "tests/support/host_program.h"
#include "tests/support/file_fixture.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"

namespace zu {
namespace {

using test::Generation;
using test::ProgramFolders;

constexpr wchar_t kOutside[] = L"C:\\zutest-legacy";

bool IsLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsGone(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// The Unix form of a path below C:\, relative to folder (also below C:\).
std::wstring RelativeTo(const std::wstring& folder, const std::wstring& target) {
    std::wstring relative;
    for (size_t levels = std::count(folder.begin(), folder.end(), L'\\'); levels > 0; --levels) {
        relative += L"../";
    }
    std::wstring rest = target.substr(3);
    std::replace(rest.begin(), rest.end(), L'\\', L'/');
    return relative + rest;
}

// What the test machine lays out here: program folders, data files, nothing
// else.
test::GenerationOptions FoldersAndData(ProgramFolders folders = ProgramFolders::kUsual) {
    test::GenerationOptions options;
    options.dataFiles = true;
    options.folders = folders;
    options.programs = false;
    options.setupCache = false;
    options.schedule = test::Schedule::kNone;
    options.shortcuts = false;
    options.registrations = false;
    return options;
}

class LegacyFoldersTest : public testing::Test {
  protected:
    void SetUp() override {
        native_ = test::NativeProgramFiles() + L"\\Koru";
        program_files32_ = test::ProgramFiles32() + L"\\Koru";
        maker_data_ = test::ProgramData() + L"\\Koru Corporation";
        data_ = maker_data_ + L"\\ZEMI Update";
        Clean();
        ASSERT_TRUE(::CreateDirectoryW(kOutside, nullptr));
    }
    // Before the machine puts its things back: it cannot remove a host link.
    void TearDown() override { Clean(); }

    void Clean() {
        for (const auto& [folder, name] : links_) {
            test::RunHostProgram(L"Z:\\bin\\rm", L"-f \"" + name + L"\"", folder, IsGone,
                                 folder + L"\\" + name);
        }
        links_.clear();
        for (const std::wstring& path : {native_, program_files32_, maker_data_}) {
            test::DeletePath(path);
        }
        test::DeletePath(kOutside);
    }

    // A directory link folder\name to target, as a Unix symbolic link: what a
    // Windows program in Wine sees as a reparse point (it cannot make one).
    testing::AssertionResult MakeLink(const std::wstring& folder,
                                      const std::wstring& name,
                                      const std::wstring& target) {
        if (!machine_.CreateFolder(folder)) {
            return testing::AssertionFailure() << "no folder for the link";
        }
        links_.push_back({folder, name});
        if (!test::RunHostProgram(L"Z:\\bin\\ln",
                                  L"-s \"" + RelativeTo(folder, target) + L"\" \"" + name + L"\"",
                                  folder, IsLink, folder + L"\\" + name)) {
            return testing::AssertionFailure() << "ln made no link";
        }
        return testing::AssertionSuccess();
    }

    // A folder outside every legacy folder with files and a subfolder, all of
    // which a link into it must leave as they are.
    test::FileTree MakeOutsideFolder(const std::wstring& name) {
        const std::wstring folder = std::wstring(kOutside) + L"\\" + name;
        for (const wchar_t* file : {L"ZU.ini", L"Catalog.xml", L"keep.txt", L"Inner\\deep.xml"}) {
            EXPECT_TRUE(machine_.WriteFile(folder + L"\\" + file, "outside"));
        }
        return test::FilesUnder(folder);
    }

    static std::vector<std::wstring> OutsideChanges(const std::wstring& name,
                                                    const test::FileTree& before) {
        return test::TreeDifferences(before,
                                     test::FilesUnder(std::wstring(kOutside) + L"\\" + name));
    }

    std::wstring native_;
    std::wstring program_files32_;
    std::wstring maker_data_;
    std::wstring data_;
    std::vector<std::pair<std::wstring, std::wstring>> links_;
    test::Machine machine_;
};

// Every program folder of the generation goes, and of its data only what is
// listed; the maker's shared folder, another product's folder and the data
// that the client keeps stay.
class LegacyFoldersGenerationTest : public LegacyFoldersTest,
                                    public testing::WithParamInterface<Generation> {};

TEST_P(LegacyFoldersGenerationTest, RemoveLegacyProgramFolders_RemovesExactlyTheListed) {
    const Generation generation = GetParam();
    const ProgramFolders places =
        generation == Generation::k4 ? ProgramFolders::kBoth : ProgramFolders::kUsual;
    ASSERT_TRUE(machine_.InstallGeneration(generation, FoldersAndData(places)));
    std::vector<std::wstring> kept_files;
    for (const std::wstring& koru : {native_, program_files32_}) {
        for (const wchar_t* file : {L"\\ZEMI Update Common\\Common.ini", L"\\Other\\Other.ini"}) {
            ASSERT_TRUE(machine_.WriteFile(koru + file, "kept"));
            kept_files.push_back(koru + file);
        }
    }
    for (const wchar_t* file : {L"\\Notes.xml.txt", L"\\Debug.dat.old", L"\\Other\\Catalog.xml"}) {
        ASSERT_TRUE(machine_.WriteFile(data_ + file, "kept"));
    }
    const test::FileTree data_before = test::FilesUnder(data_);
    test::FileTree kept_data;
    for (const auto& [path, bytes] : data_before) {
        if (path.rfind(L"History.log", 0) == 0 || path.rfind(L"Notes.xml.txt", 0) == 0 ||
            path.rfind(L"Debug.dat.old", 0) == 0 || path.rfind(L"Other\\", 0) == 0 ||
            path.rfind(L"ZEMI Update Self Repair\\", 0) == 0) {
            kept_data[path] = bytes;
        }
    }
    ASSERT_EQ(9u, kept_data.size());  // with the folders
    ASSERT_GT(data_before.size(), kept_data.size() + 15);

    RemoveLegacyProgramFolders();

    for (ProgramFolders place : {ProgramFolders::kNative, ProgramFolders::kProgramFiles32}) {
        EXPECT_FALSE(test::FolderExists(test::ProgramFolder(generation, place)));
    }
    for (const std::wstring& file : kept_files) {
        EXPECT_EQ("kept", test::FileBytes(file).value_or(""))
            << std::string(file.begin(), file.end());
    }
    EXPECT_EQ(kept_data, test::FilesUnder(data_));
}

INSTANTIATE_TEST_SUITE_P(Generations,
                         LegacyFoldersGenerationTest,
                         testing::Values(Generation::k2,
                                         Generation::k3,
                                         Generation::k4,
                                         Generation::k5,
                                         Generation::kLatest),
                         test::GenerationParamName);

// The launcher runs elevated: a link inside a folder that it deletes must not
// lead it into the folder the link points to.
TEST_F(LegacyFoldersTest, RemoveLegacyProgramFolders_LinkInProgramFolder_TargetIntact) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, FoldersAndData()));
    const std::wstring folder = test::ProgramFolder(Generation::k5, ProgramFolders::kNative);
    const test::FileTree outside = MakeOutsideFolder(L"shared");
    ASSERT_TRUE(MakeLink(folder + L"\\Data", L"Shared", std::wstring(kOutside) + L"\\shared"));

    RemoveLegacyProgramFolders();

    EXPECT_TRUE(OutsideChanges(L"shared", outside).empty());
    EXPECT_FALSE(test::FileExists(folder + L"\\Version.txt"));
}

// Users may create folders below ProgramData: a data subfolder, or the data
// folder itself, may be a link that someone planted.
TEST_F(LegacyFoldersTest, RemoveLegacyProgramFolders_LinkedDataSubfolder_TargetIntact) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, FoldersAndData()));
    const test::FileTree icons = MakeOutsideFolder(L"icons");
    const test::FileTree catalog = MakeOutsideFolder(L"catalog");
    test::DeletePath(data_ + L"\\XML Files");
    ASSERT_TRUE(MakeLink(data_, L"XML Files", std::wstring(kOutside) + L"\\catalog"));
    ASSERT_TRUE(MakeLink(data_ + L"\\Icon Files", L"Linked", std::wstring(kOutside) + L"\\icons"));

    RemoveLegacyProgramFolders();

    EXPECT_TRUE(OutsideChanges(L"icons", icons).empty());
    EXPECT_TRUE(OutsideChanges(L"catalog", catalog).empty());
    EXPECT_FALSE(test::FileExists(data_ + L"\\ZU.ini"));
    EXPECT_FALSE(test::FileExists(data_ + L"\\Icon Files\\App.ico"));
}

TEST_F(LegacyFoldersTest, RemoveLegacyProgramFolders_LinkedDataFolder_TargetIntact) {
    const test::FileTree planted = MakeOutsideFolder(L"planted");
    ASSERT_TRUE(MakeLink(maker_data_, L"ZEMI Update", std::wstring(kOutside) + L"\\planted"));

    RemoveLegacyProgramFolders();

    EXPECT_TRUE(OutsideChanges(L"planted", planted).empty());
}

}  // namespace
}  // namespace zu
