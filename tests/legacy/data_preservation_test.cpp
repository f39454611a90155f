#include "legacy/data_preservation.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/file_fixture.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
constexpr wchar_t kSelfRepair[] = L"\\ZEMI Update Self Repair";

// Bytes that a text conversion or a cut at a zero would change.
std::string Content(const std::wstring& tag) {
    const std::string narrow(tag.begin(), tag.end());
    return narrow + std::string("\0\r\n\xff\xfe\x80", 6) + narrow;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Every test starts without the maker's data folders and keys, and leaves none.
class DataPreservationTest : public testing::Test {
  protected:
    void SetUp() override {
        maker_ = test::ProgramData() + L"\\Koru Corporation";
        data_ = maker_ + L"\\ZEMI Update";
        temp_ = maker_ + L"\\ZEMI Update Temp";
        Clean();
        ASSERT_FALSE(test::FolderExists(maker_));
    }
    void TearDown() override { Clean(); }
    void Clean() {
        test::DeletePath(maker_);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_32KEY);
    }

    static void MakeFolders(const std::vector<std::wstring>& folders) {
        for (const std::wstring& folder : folders) {
            ::CreateDirectoryW(folder.c_str(), nullptr);
        }
    }

    // Each file holds its own name in Content(). The temporary folder is
    // made as a run makes it before its saves.
    void LayOutData(const std::vector<std::wstring>& files) {
        MakeFolders({maker_, data_});
        for (const std::wstring& name : files) {
            ASSERT_TRUE(test::WriteFileBytes(data_ + L"\\" + name, Content(name)));
        }
        ASSERT_TRUE(PrepareTempFolder());
    }

    // The steps in the order of a run, with the uninstall, which removes the
    // data folder, between the saves and the restores.
    void SaveUninstallRestore() {
        ASSERT_TRUE(SaveAll());
        test::DeletePath(data_);
        ASSERT_TRUE(RestoreSavedFiles(saved_));
    }
    bool SaveAll() {
        const bool settings = SaveSettingsFile(&saved_);
        const bool self_repair = SaveSelfRepairFolder(&saved_);
        return SaveDataFiles(&saved_) && settings && self_repair;
    }
    // The saved names, in any order.
    std::set<std::wstring> SavedNames() const {
        std::set<std::wstring> names;
        for (const SavedFile& file : saved_) {
            names.insert(file.name);
        }
        return names;
    }

    std::wstring maker_;
    std::wstring data_;
    std::wstring temp_;
    SavedFiles saved_;
};

const std::vector<std::wstring> kCarriedFiles = {
    L"first.xml",
    L"Second.XML",
    L"PatchProcessInfo.dat",
    L"PatchProcessInfo_V2.0.dat",
    L"ItemDisplayListInfo.dat",
    L"PatchCheckStatus.dat",
};

TEST_F(DataPreservationTest, NoDataFolder_NothingIsCreatedButTheMarker) {
    MarkSelfRepairFile();
    EXPECT_TRUE(SaveAll());
    EXPECT_TRUE(saved_.empty());
    EXPECT_TRUE(RestoreSavedFiles(saved_));
    RemoveTempFolder();

    EXPECT_FALSE(test::FolderExists(maker_));
    EXPECT_EQ(L"1", test::StringValue(HKEY_LOCAL_MACHINE, std::wstring(kScratchKey) + L"\\ZUSR",
                                      KEY_WOW64_64KEY, L"DeleteZUSRFile"));
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY));
    }
}

// The data folder that the latest generation leaves, through a whole run.
TEST_F(DataPreservationTest, LatestGeneration_CarriesExactlyTheListedFilesAndFolder) {
    test::Machine machine;
    test::GenerationOptions options;
    options.dataFiles = true;
    options.programs = false;
    options.setupCache = false;
    options.schedule = test::Schedule::kNone;
    options.shortcuts = false;
    options.registrations = false;
    ASSERT_TRUE(machine.InstallGeneration(test::Generation::kLatest, options));
    ASSERT_TRUE(test::FileExists(data_ + L"\\ZU.ini"));
    const test::FileTree before = test::FilesUnder(data_);
    ASSERT_TRUE(PrepareTempFolder());

    SaveUninstallRestore();

    test::FileTree expected;
    for (const wchar_t* carried :
         {L"PatchCheckStatus.dat", L"PatchProcessInfo.dat", L"PatchProcessInfo_V2.0.dat",
          L"ItemDisplayListInfo.dat", L"UpdateInfo.xml", L"AppList.XML",
          L"ZEMI Update Self Repair\\", L"ZEMI Update Self Repair\\ZUSR.ini",
          L"ZEMI Update Self Repair\\Backup\\",
          L"ZEMI Update Self Repair\\Backup\\RepairList.dat"}) {
        ASSERT_EQ(1u, before.count(carried)) << Narrow(carried);
        expected[carried] = before.at(carried);
    }
    EXPECT_EQ(expected, test::FilesUnder(data_));
    // The settings file waits in the temporary folder for the new setup.
    EXPECT_EQ(before.at(L"ZU.ini"), test::FileBytes(temp_ + L"\\ZU.ini"));
}

TEST_F(DataPreservationTest, XmlSubfolderAndOtherNames_AreNotCarried) {
    std::vector<std::wstring> files = kCarriedFiles;
    files.insert(files.end(), {L"notes.txt", L"Other.dat", L"first.xml.bak"});
    LayOutData(files);
    MakeFolders({data_ + L"\\folder.xml"});
    ASSERT_TRUE(test::WriteFileBytes(data_ + L"\\folder.xml\\inner.xml", "inner"));

    SaveUninstallRestore();

    for (const std::wstring& name : kCarriedFiles) {
        EXPECT_EQ(Content(name), test::FileBytes(data_ + L"\\" + name)) << Narrow(name);
    }
    for (const wchar_t* name : {L"notes.txt", L"Other.dat", L"first.xml.bak", L"folder.xml"}) {
        EXPECT_FALSE(test::FolderExists(temp_ + L"\\" + name) ||
                     test::FileExists(temp_ + L"\\" + name))
            << "saved: " << Narrow(name);
        EXPECT_FALSE(test::FolderExists(data_ + L"\\" + name) ||
                     test::FileExists(data_ + L"\\" + name))
            << "restored: " << Narrow(name);
    }
}

// Without "ZU.ini" and the self-repair folder no earlier step creates the
// temporary folder; the records must be kept all the same.
TEST_F(DataPreservationTest, OnlyRecords_AreSavedAndRestored) {
    LayOutData(kCarriedFiles);

    ASSERT_TRUE(SaveDataFiles(&saved_));
    test::DeletePath(data_);
    ASSERT_TRUE(RestoreSavedFiles(saved_));

    EXPECT_EQ(std::set<std::wstring>(kCarriedFiles.begin(), kCarriedFiles.end()), SavedNames());
    for (const std::wstring& name : kCarriedFiles) {
        EXPECT_EQ(Content(name), test::FileBytes(data_ + L"\\" + name)) << Narrow(name);
    }
}

TEST_F(DataPreservationTest, OnlyDisplayRecords_AreRestoredIntoAMissingDataFolder) {
    LayOutData({L"PatchCheckStatus.dat"});

    ASSERT_TRUE(SaveDataFiles(&saved_));
    test::DeletePath(data_);
    ASSERT_TRUE(RestoreSavedFiles(saved_));

    EXPECT_EQ(Content(L"PatchCheckStatus.dat"), test::FileBytes(data_ + L"\\PatchCheckStatus.dat"));
}

// An interrupted earlier run left its copies behind.
TEST_F(DataPreservationTest, Save_OverwritesAnOlderSavedCopy) {
    LayOutData({L"first.xml", L"PatchProcessInfo.dat", L"ZU.ini"});
    MakeFolders({data_ + kSelfRepair, temp_, temp_ + kSelfRepair});
    ASSERT_TRUE(test::WriteFileBytes(data_ + kSelfRepair + L"\\state.bin", "new state"));
    for (const wchar_t* name : {L"first.xml", L"PatchProcessInfo.dat", L"ZU.ini"}) {
        ASSERT_TRUE(test::WriteFileBytes(temp_ + L"\\" + name, "older copy"));
    }
    ASSERT_TRUE(test::WriteFileBytes(temp_ + kSelfRepair + L"\\state.bin", "old state"));

    EXPECT_TRUE(SaveAll());

    for (const wchar_t* name : {L"first.xml", L"PatchProcessInfo.dat", L"ZU.ini"}) {
        EXPECT_EQ(Content(name), test::FileBytes(temp_ + L"\\" + name)) << Narrow(name);
    }
    EXPECT_EQ("new state", test::FileBytes(temp_ + kSelfRepair + L"\\state.bin"));
    EXPECT_FALSE(test::FolderExists(temp_ + kSelfRepair + kSelfRepair));
}

// The new setup installed files and a self-repair folder of its own.
TEST_F(DataPreservationTest, Restore_OverwritesWhatTheNewSetupInstalled) {
    LayOutData({L"first.xml", L"PatchCheckStatus.dat"});
    MakeFolders({data_ + kSelfRepair});
    ASSERT_TRUE(test::WriteFileBytes(data_ + kSelfRepair + L"\\state.bin", "saved state"));
    ASSERT_TRUE(SaveAll());
    test::DeletePath(data_);
    MakeFolders({data_, data_ + kSelfRepair});
    for (const std::wstring& name :
         {std::wstring(L"\\first.xml"), std::wstring(L"\\PatchCheckStatus.dat"),
          kSelfRepair + std::wstring(L"\\state.bin"), kSelfRepair + std::wstring(L"\\setup.bin")}) {
        ASSERT_TRUE(test::WriteFileBytes(data_ + name, "from the setup"));
    }

    EXPECT_TRUE(RestoreSavedFiles(saved_));

    EXPECT_EQ(Content(L"first.xml"), test::FileBytes(data_ + L"\\first.xml"));
    EXPECT_EQ(Content(L"PatchCheckStatus.dat"), test::FileBytes(data_ + L"\\PatchCheckStatus.dat"));
    EXPECT_EQ("saved state", test::FileBytes(data_ + kSelfRepair + L"\\state.bin"));
    EXPECT_EQ("from the setup", test::FileBytes(data_ + kSelfRepair + L"\\setup.bin"));
    EXPECT_FALSE(test::FolderExists(data_ + kSelfRepair + kSelfRepair));
}

TEST_F(DataPreservationTest, RemoveTempFolder_RemovesItWithItsContentOnly) {
    LayOutData({L"ZU.ini", L"first.xml"});
    MakeFolders({data_ + kSelfRepair});
    ASSERT_TRUE(test::WriteFileBytes(data_ + kSelfRepair + L"\\state.bin", "state"));
    ASSERT_TRUE(SaveAll());
    MarkSelfRepairFile();
    ASSERT_TRUE(test::FileExists(temp_ + kSelfRepair + L"\\state.bin"));

    RemoveTempFolder();

    EXPECT_FALSE(test::FolderExists(temp_));
    EXPECT_TRUE(test::FileExists(data_ + L"\\first.xml"));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    RemoveTempFolder();  // a second time: nothing there, nothing happens
    EXPECT_FALSE(test::FolderExists(temp_));
}

TEST_F(DataPreservationTest, AbandonTempFolder_RemovesTheFolderAndTheScratchKey) {
    LayOutData({L"ZU.ini"});
    ASSERT_TRUE(SaveSettingsFile(&saved_));
    MarkSelfRepairFile();
    test::SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kScratchKey) + L"\\Region\\Sub",
                         KEY_WOW64_64KEY, L"Code", L"EU");
    test::SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Koru Corporation\\ZEMI Update",
                         KEY_WOW64_64KEY, L"Keep", L"1");
    if (test::RegistryViewsAreSeparate()) {
        test::SetStringValue(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY, L"Other", L"1");
    }

    AbandonTempFolder();

    EXPECT_FALSE(test::FolderExists(temp_));
    EXPECT_TRUE(test::FileExists(data_ + L"\\ZU.ini"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Koru Corporation\\ZEMI Update",
                                  KEY_WOW64_64KEY, L"Keep"));
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY));
    }
}

}  // namespace
}  // namespace zu
