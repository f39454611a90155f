#include "ui/region_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "region/country_table.h"
#include "ui/launcher_window.h"
#include "tests/support/machine_paths.h"
#include "tests/support/region_window_user.h"

namespace zu {
namespace {

using test::RegionWindow;
using test::RegionWindowUser;

// What the user saw, recorded on the user's thread and checked afterwards.
struct Seen {
    std::wstring title;
    std::wstring prompt;
    std::wstring ok;
    std::wstring cancel;
    std::vector<std::wstring> countries;
    bool okEnabledAtFirst = true;
    bool okEnabledAfterChoice = false;
    bool okEnabledAfterClearing = true;
    bool upAfterDisabledOk = false;
    bool progressWindowVisible = true;
    RECT window = {};
    RECT okButton = {};
    std::wstring font;
};

RECT ChildRectInClient(HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The window posts its font to the controls and is visible before its message
// loop takes those posts: the user waits for the font, up to 5 s.
std::wstring FontFace(HWND control) {
    HFONT font = nullptr;
    for (int attempt = 0; attempt < 250; ++attempt) {
        font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        if (font != nullptr) {
            break;
        }
        ::Sleep(20);
    }
    LOGFONTW logfont = {};
    if (font == nullptr || ::GetObjectW(font, sizeof(logfont), &logfont) == 0) {
        return std::wstring();
    }
    return logfont.lfFaceName;
}

class RegionWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        context_.instance = ::GetModuleHandleW(nullptr);
        context_.dpi = DpiScale(96, 96);
        BuildCountryList(&countries_);
    }

    // Runs the window on this thread while a user acts on it from another.
    bool Run(RegionWindowUser::Act act) {
        RegionWindowUser user(::GetCurrentProcessId(), std::move(act));
        const bool shown = RunRegionDialog(context_, countries_, &country_);
        EXPECT_TRUE(user.Finish()) << "the region window never appeared";
        return shown;
    }

    LauncherContext context_;
    CountryList countries_;
    std::wstring country_ = L"unchanged";
};

TEST_F(RegionWindowTest, ChooseJapan_OkBecomesAvailableAndGivesJapan) {
    Seen seen;
    EXPECT_TRUE(Run([&seen](const RegionWindow& window) {
        seen.title = test::WindowText(window.window);
        seen.prompt = test::WindowText(window.prompt);
        seen.ok = test::WindowText(window.okButton);
        seen.cancel = test::WindowText(window.cancelButton);
        for (int i = 0; i < test::CountryCount(window); ++i) {
            seen.countries.push_back(test::CountryAt(window, i));
        }
        seen.font = FontFace(window.okButton);
        seen.okEnabledAtFirst = ::IsWindowEnabled(window.okButton);
        test::ChooseCountry(window, L"Japan");
        seen.okEnabledAfterChoice = ::IsWindowEnabled(window.okButton);
        test::PressOk(window);
    }));
    EXPECT_EQ(L"Japan", country_);
    EXPECT_EQ(L"ZEMI Update", seen.title);
    EXPECT_EQ(L"Select your location.", seen.prompt);
    EXPECT_EQ(L"OK", seen.ok);
    EXPECT_EQ(L"Cancel", seen.cancel);
    ASSERT_EQ(68u, seen.countries.size());
    // The list keeps the table's order: it is not sorted.
    EXPECT_EQ(L"Japan", seen.countries[0]);
    EXPECT_EQ(L"United States", seen.countries[1]);
    EXPECT_EQ(L"Austria", seen.countries[18]);
    EXPECT_EQ(L"China", seen.countries[53]);
    EXPECT_EQ(L"Korea", seen.countries[67]);
    EXPECT_EQ(L"Segoe UI", seen.font);
    EXPECT_FALSE(seen.okEnabledAtFirst);
    EXPECT_TRUE(seen.okEnabledAfterChoice);
}

TEST_F(RegionWindowTest, SelectionCleared_OkIsUnavailableAgain) {
    Seen seen;
    Run([&seen](const RegionWindow& window) {
        test::ChooseCountry(window, L"Mexico");
        ::SendMessageW(window.countryList, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ::SendMessageW(window.window, WM_COMMAND, MAKEWPARAM(kRegionCountryListId, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(window.countryList));
        seen.okEnabledAfterClearing = ::IsWindowEnabled(window.okButton);
        test::PressOk(window);  // a click on a disabled button does nothing
        ::Sleep(200);
        seen.upAfterDisabledOk = ::IsWindowVisible(window.window);
        test::PressCancel(window);
    });
    EXPECT_FALSE(seen.okEnabledAfterClearing);
    EXPECT_TRUE(seen.upAfterDisabledOk);
    EXPECT_EQ(L"", country_);
}

TEST_F(RegionWindowTest, CancelAfterChoosingCountry_GivesNoCountry) {
    EXPECT_TRUE(Run([](const RegionWindow& window) {
        test::ChooseCountry(window, L"Germany");
        test::PressCancel(window);
    }));
    EXPECT_EQ(L"", country_);
}

TEST_F(RegionWindowTest, TitleBarCloseButton_GivesNoCountry) {
    EXPECT_TRUE(Run([](const RegionWindow& window) {
        test::ChooseCountry(window, L"China");
        test::CloseWithTitleBar(window);
    }));
    EXPECT_EQ(L"", country_);
}

TEST_F(RegionWindowTest, At120Dpi_WindowIs506By204AndCentred) {
    context_.dpi = DpiScale(120, 120);
    Seen seen;
    Run([&seen](const RegionWindow& window) {
        ::GetWindowRect(window.window, &seen.window);
        seen.okButton = ChildRectInClient(window.okButton);
        test::PressCancel(window);
    });
    EXPECT_EQ(506, seen.window.right - seen.window.left);
    EXPECT_EQ(204, seen.window.bottom - seen.window.top);
    EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - 506) / 2, seen.window.left);
    EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - 204) / 2, seen.window.top);
    EXPECT_EQ(286, seen.okButton.left);  // 229 × 1.25
    EXPECT_EQ(123, seen.okButton.top);   // 98 × 1.25 rounds up
    EXPECT_EQ(94, seen.okButton.right - seen.okButton.left);
}

TEST_F(RegionWindowTest, WhileUp_ProgressWindowIsHidden) {
    context_.mainWindow = ::CreateWindowExW(0, L"STATIC", L"progress", WS_POPUP | WS_VISIBLE, 0, 0,
                                            50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, context_.mainWindow);
    Seen seen;
    Run([&seen, progress = context_.mainWindow](const RegionWindow& window) {
        seen.progressWindowVisible = ::IsWindowVisible(progress);
        test::PressCancel(window);
    });
    EXPECT_FALSE(seen.progressWindowVisible);
    ::DestroyWindow(context_.mainWindow);
}

TEST_F(RegionWindowTest, NoInstance_ShowsNothingAndLeavesCodeAlone) {
    context_.instance = nullptr;
    EXPECT_FALSE(RunRegionDialog(context_, countries_, &country_));
    EXPECT_EQ(L"unchanged", country_);
    EXPECT_EQ(nullptr, ::FindWindowW(kRegionWindowClass, nullptr));
}

TEST_F(RegionWindowTest, PromptColours_WhiteOnlyOnXpWithoutHighContrast) {
    LRESULT brush = 0;
    Run([&brush](const RegionWindow& window) {
        HDC dc = ::GetDC(window.prompt);
        brush = ::SendMessageW(window.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(window.prompt));
        ::ReleaseDC(window.prompt, dc);
        test::PressCancel(window);
    });
    const bool white = brush == reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    // The test machines run without high contrast.
    EXPECT_EQ(test::IsWindowsXp(), white);
}

class RegionWindowUnderJapaneseUi : public RegionWindowTest {};

TEST_F(RegionWindowUnderJapaneseUi, TextsAndFaceComeFromJapaneseTable) {
    constexpr LANGID kJapanese = 0x411;
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || std::strcmp(locale, "ja_JP.UTF-8") != 0) {
        GTEST_SKIP() << "runs with LC_ALL=ja_JP.UTF-8";
    }
    ASSERT_EQ(kJapanese, ::GetUserDefaultUILanguage()) << "LC_ALL did not take hold";
    Seen seen;
    Run([&seen](const RegionWindow& window) {
        seen.prompt = test::WindowText(window.prompt);
        seen.ok = test::WindowText(window.okButton);
        seen.cancel = test::WindowText(window.cancelButton);
        seen.font = FontFace(window.prompt);
        test::ChooseCountry(window, L"Japan");
        test::PressOk(window);
    });
    EXPECT_EQ(L"お住まいの地域を選択してください。", seen.prompt);
    EXPECT_EQ(L"OK", seen.ok);
    EXPECT_EQ(L"キャンセル", seen.cancel);
    EXPECT_EQ(test::IsWindowsXp() ? L"MS UI Gothic" : L"Meiryo", seen.font);
    // Country names are not localized.
    EXPECT_EQ(L"Japan", country_);
}

}  // namespace
}  // namespace zu
