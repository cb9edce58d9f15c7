// Entry of the test executable: the same process set-up as the program's own.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "tests/support/engine_variables.h"
#include "tests/support/scan_fixture.h"
#include "win/gdiplus_session.h"

namespace {

// A failed ASSERT in a helper returns from the helper only, and the test would
// run on into an empty list and crash; thrown, it ends the test there.
class FatalFailureEndsTheTest : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.fatally_failed()) throw ::testing::AssertionException(result);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // A crash ends the process at once, with any stand-in engine (it holds CTest's
    // output pipe), where Wine's debugger would wait on the display until the timeout.
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* crash) -> LONG {
        testing_support::EngineProcesses(true);
        std::fprintf(stderr, "\nCrashed: exception 0x%08lx\n", crash->ExceptionRecord->ExceptionCode);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const win::GdiplusSession gdiplus;
    const testing_support::EngineVariablesPassed engineVariables;
    ::testing::InitGoogleTest(&argc, argv);
    // Appended last, so the printer has reported the failure before it is thrown.
    ::testing::UnitTest::GetInstance()->listeners().Append(std::make_unique<FatalFailureEndsTheTest>().release());
    return RUN_ALL_TESTS();
}
