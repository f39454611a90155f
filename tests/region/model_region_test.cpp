#include "region/model_region.h"

#include <gtest/gtest.h>
#include <wbemidl.h>

#include "platform/scoped_handle.h"
#include "tests/checks/inproc_standins.h"
#include "tests/region/model_list_file.h"

namespace zu {
namespace {

// Wine's WMI answers this for Win32_ComputerSystemProduct.Name.
constexpr wchar_t kWineModel[] = L"Wine";

TEST(ModelList, NamesSplitAtCommasAndTrimmed_MatchWithoutRegardToCase) {
    EXPECT_TRUE(IsModelInList(L"xyz-2", L"ABC-1, XYZ-2"));
    EXPECT_TRUE(IsModelInList(L"ABC-1", L"ABC-1, XYZ-2"));
    EXPECT_TRUE(IsModelInList(L"XYZ-2", L"ABC-1,,XYZ-2"));
    EXPECT_TRUE(IsModelInList(L"XYZ-2", L",,ABC-1,\r\n\tXYZ-2 \r\n"));
    EXPECT_FALSE(IsModelInList(L"ABC", L"ABC-1, XYZ-2"));
    EXPECT_FALSE(IsModelInList(L"ABC-1 XYZ-2", L"ABC-1, XYZ-2"));
    EXPECT_FALSE(IsModelInList(L"ABC-1", L""));
}

// A model name that could not be read must not make the machine Chinese
// through a blank entry of the list.
TEST(ModelList, EmptyModelName_NeverListedEvenAgainstBlankEntry) {
    EXPECT_FALSE(IsModelInList(L"", L" ,ABC-1"));
    EXPECT_FALSE(IsModelInList(L"", L" , ,"));
}

// The file has no byte-order-mark handling: a mark stays part of the first name.
TEST(ModelList, ByteOrderMark_StaysPartOfFirstName) {
    EXPECT_FALSE(IsModelInList(L"ABC-1",
                               L"\xFEFF"
                               L"ABC-1,XYZ-2"));
    EXPECT_TRUE(IsModelInList(L"XYZ-2",
                              L"\xFEFF"
                              L"ABC-1,XYZ-2"));
}

TEST(ModelName, WmiAnswersTheMachineModel) {
    std::wstring name = L"unchanged";
    ASSERT_TRUE(GetModelName(&name));
    EXPECT_EQ(kWineModel, name);
}

// A WMI service that never answers must not hold the launcher: past the time
// limit the model is unknown (and so never listed), and the caller goes on.
TEST(ModelName, WmiStuck_NoModelWhenTheTimeLimitEnds) {
    test::Machine machine;
    ASSERT_TRUE(test::RegisterStandinServer(&machine, CLSID_WbemLocator, L"StuckWmi.dll"));
    UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, L"Local\\ZuStuckWmiRelease"));
    ASSERT_TRUE(release);
    std::wstring name = L"unchanged";
    const DWORD started = ::GetTickCount();
    EXPECT_FALSE(GetModelName(&name, 1000));
    const DWORD waited = ::GetTickCount() - started;
    EXPECT_EQ(L"unchanged", name);
    EXPECT_GE(waited, 900u);
    EXPECT_LT(waited, 5000u);
    // The query thread, let go, finishes on its own.
    ::SetEvent(release.Get());
}

class ModelListFileTest : public testing::Test {
  protected:
    test::ModelListFile file_;
};

// Listed as a whole name, trimmed, in any case; a list saved as eight-bit
// text matches no model.
TEST_F(ModelListFileTest, ThisMachinesModelListedOrNot_IsListedModelOrNot) {
    ASSERT_TRUE(file_.Write(L"ZEMI-C100,\r\n WINE ,\r\nZEMI-C200\r\n"));
    EXPECT_TRUE(IsListedModel());
    ASSERT_TRUE(file_.Write(L"ZEMI-C100, Wine-2, Win"));
    EXPECT_FALSE(IsListedModel());
    ASSERT_TRUE(file_.WriteBytes("Wine,ZEMI-C100"));
    EXPECT_FALSE(IsListedModel());
}

TEST_F(ModelListFileTest, ListMissing_NotListedWhateverTheModel) {
    std::wstring text = L"unchanged";
    EXPECT_FALSE(ReadModelNameList(&text));
    EXPECT_EQ(L"unchanged", text);
    EXPECT_FALSE(IsListedModel());
}

TEST_F(ModelListFileTest, ReadModelNameList_TextUpToFirstNulWithMarkKept) {
    ASSERT_TRUE(
        file_.Write(std::wstring(L"\xFEFF"
                                 L"A,B\0C,D",
                                 8)));
    std::wstring text;
    ASSERT_TRUE(ReadModelNameList(&text));
    EXPECT_EQ(
        L"\xFEFF"
        L"A,B",
        text);
}

// An odd byte count leaves half a character, which is read as such, not past the end.
TEST_F(ModelListFileTest, ReadModelNameList_OddLengthReadsSafely) {
    ASSERT_TRUE(file_.WriteBytes(std::string("W\0i\0n\0e\0X", 9)));
    std::wstring text;
    ASSERT_TRUE(ReadModelNameList(&text));
    EXPECT_EQ(std::wstring(L"Wine") + L'X', text);
}

}  // namespace
}  // namespace zu
