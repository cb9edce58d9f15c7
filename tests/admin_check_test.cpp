#include "app/admin_check.h"

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/import_patch.h"
#include "tests/support/main_window.h"
#include "workflow/window/timer_ids.h"

namespace {

using app::AdminMessageFor;
using app::VersionCodeFor;

TEST(VersionCode, FollowsThePlatformTable) {
    const struct {
        DWORD platform, major, minor;
        std::optional<int> code;
    } rows[] = {
        {VER_PLATFORM_WIN32s, 3, 10, 7},         {VER_PLATFORM_WIN32_WINDOWS, 3, 0, 1},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 1},   {VER_PLATFORM_WIN32_WINDOWS, 4, 1, 2},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2},  {VER_PLATFORM_WIN32_WINDOWS, 4, 89, 2},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3},  {VER_PLATFORM_WIN32_WINDOWS, 4, 200, 3},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 0, 3},   {VER_PLATFORM_WIN32_NT, 3, 51, 4},
        {VER_PLATFORM_WIN32_NT, 4, 0, 4},        {VER_PLATFORM_WIN32_NT, 5, 0, 5},
        {VER_PLATFORM_WIN32_NT, 5, 1, 6},        {VER_PLATFORM_WIN32_NT, 5, 2, 6},
        {VER_PLATFORM_WIN32_NT, 6, 0, 8},        {VER_PLATFORM_WIN32_NT, 6, 3, 8},
        {VER_PLATFORM_WIN32_NT, 7, 0, std::nullopt}, {VER_PLATFORM_WIN32_NT, 10, 0, std::nullopt},
        {3, 1, 0, 9},                             {77, 6, 0, 9},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(VersionCodeFor(row.platform, row.major, row.minor), row.code)
            << "platform " << row.platform << " version " << row.major << "." << row.minor;
    }
}

TEST(VersionCode, OnlyVistaToEightAndUnknownSystemsGetRunAsAdministrator) {
    EXPECT_STREQ(AdminMessageFor(8), app::kRunAsAdministratorText);
    EXPECT_STREQ(AdminMessageFor(std::nullopt), app::kRunAsAdministratorText);
    for (int code : {1, 2, 3, 4, 5, 6, 7, 9}) EXPECT_STREQ(AdminMessageFor(code), app::kLogOffText) << code;
    EXPECT_NE(std::string(app::kRunAsAdministratorText).find("\"Run as administrator\""), std::string::npos);

    // The running system has a code.
    std::optional<int> code;
    ASSERT_TRUE(app::GetWindowsVersionCode(code));
    OSVERSIONINFOA info{sizeof(info)};
    GetVersionExA(&info);
    EXPECT_EQ(code, VersionCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion));
}

BOOL WINAPI NotAnAdministrator() { return FALSE; }

class AdministratorCheck : public testing_support::MainWindowTest {};

TEST_F(AdministratorCheck, AdministratorSeesNoMessageAndTheDriveList) {
    OpenWindow(true, app::CheckAdministrator);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_TRUE(Visible(IDC_DRIVE_LIST));
}

TEST_F(AdministratorCheck, NonAdministratorIsToldHowAndTheProgramEnds) {
    testing_support::ImportPatch patch("shell32.dll", "IsUserAnAdmin", reinterpret_cast<void*>(NotAnAdministrator));
    ASSERT_TRUE(patch.Applied());
    OpenWindow(false, app::CheckAdministrator);

    std::optional<int> code;
    app::GetWindowsVersionCode(code);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(IsBox(m_boxes.Boxes()[0], "Quillon", AdminMessageFor(code), {IDOK}, false));

    // The quit request ends the run; the start-up timer was never set.
    MSG quit{};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 18u);
    EXPECT_FALSE(KillTimer(Window(), workflow::kStartupTimer));
    testing_support::PumpPending();
    EXPECT_FALSE(Visible(IDC_DRIVE_LIST));
}

TEST_F(AdministratorCheck, NonAdministratorEndsTheModalRun) {
    testing_support::ImportPatch patch("shell32.dll", "IsUserAnAdmin", reinterpret_cast<void*>(NotAnAdministrator));
    workflow::MainDialog dialog(app::CheckAdministrator);
    dialog.DoModal(nullptr);  // returns only because the run ended by itself
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes().front().caption, "Quillon");
    MSG quit{};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
