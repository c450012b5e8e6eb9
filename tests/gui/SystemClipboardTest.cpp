// The guard's emptying rule, and on Windows the emptying of the real clipboard.
#include <gtest/gtest.h>

#include "SystemClipboard.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <cstring>
#include <thread>
#endif

using namespace tainoteka;

TEST(ForeignContentRule, EmptiesUntilItsOwnEmptyingIsTheLastChange)
{
    TForeignContentRule rule;
    EXPECT_TRUE(rule.ShouldEmpty({7, 0})) << "never emptied: anything may be there";

    rule.RecordOwnEmptying(8);
    EXPECT_FALSE(rule.ShouldEmpty({8, 0})) << "our own emptying heard back: no second emptying";
    EXPECT_TRUE(rule.ShouldEmpty({8, 1})) << "holds a format";
    EXPECT_TRUE(rule.ShouldEmpty({9, 0})) << "another program changed it since";
    EXPECT_TRUE(rule.ShouldEmpty({0, 0})) << "the counter may wrap";

    rule.RecordOwnEmptying(12);
    EXPECT_FALSE(rule.ShouldEmpty({12, 0}));
    EXPECT_TRUE(rule.ShouldEmpty({8, 0}));
}

#ifdef _WIN32
namespace {

bool PutText(const wchar_t* text)
{
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return put;
}

} // namespace

TEST(WindowsClipboard, EmptiesForeignTextOnceAndThenLeavesItAlone)
{
    TForeignContentRule rule;
    ASSERT_TRUE(PutText(L"секрет"));
    ASSERT_GT(CountClipboardFormats(), 0);

    EXPECT_EQ(EmptyWindowsClipboard(rule), TEmptyResult::Done);
    EXPECT_EQ(CountClipboardFormats(), 0);
    const DWORD afterEmptying = GetClipboardSequenceNumber();
    EXPECT_EQ(EmptyWindowsClipboard(rule), TEmptyResult::Done);
    EXPECT_EQ(GetClipboardSequenceNumber(), afterEmptying) << "emptied again: every listener hears it";

    ASSERT_TRUE(PutText(L"again"));
    EXPECT_EQ(EmptyWindowsClipboard(rule), TEmptyResult::Done);
    EXPECT_EQ(CountClipboardFormats(), 0);
}

TEST(WindowsClipboard, HeldOpenByAnotherThreadIsBusyNotAWait)
{
    TForeignContentRule rule;
    ASSERT_TRUE(PutText(L"held"));
    std::atomic<int> stage{0};
    std::thread holder([&stage] {
        // A window of this thread owns the open clipboard, as another program's would.
        HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        stage = OpenClipboard(window) ? 1 : -1;
        while (stage == 1)
            Sleep(1);
        CloseClipboard();
        DestroyWindow(window);
    });
    while (stage == 0)
        Sleep(1);
    if (stage != 1) {
        holder.join();
        FAIL() << "another thread could not open the clipboard";
    }

    EXPECT_EQ(EmptyWindowsClipboard(rule), TEmptyResult::Busy);
    EXPECT_GT(CountClipboardFormats(), 0) << "nothing was emptied while it was held";
    stage = 2;
    holder.join();

    EXPECT_EQ(EmptyWindowsClipboard(rule), TEmptyResult::Done);
    EXPECT_EQ(CountClipboardFormats(), 0);
}
#endif
