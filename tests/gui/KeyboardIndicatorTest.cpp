// The keyboard state pop-up of both password dialogs: layout names, texts,
// placement and the one-second tick sequence. The dialogs' own timers are
// stopped and the ticks called by hand.
#include "ActiveWindow.h"
#include "ScriptedPrompts.h"
#include "FakeKeyboardState.h"
#include "KeyboardState.h"
#include "KeyboardStateIndicator.h"
#include "U_Password.h"
#include "U_PasswordEnter.h"

#include "DocumentState.h"
#include "Prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tainoteka {
namespace {

using test::FakeKeyboardState;
using test::ShowActive;

const QString kOffEn = QStringLiteral("Caps Lock: Выкл.\nЯзык: en");
const QString kOnEn = QStringLiteral("Caps Lock: Вкл.\nЯзык: en");
const QString kOffRu = QStringLiteral("Caps Lock: Выкл.\nЯзык: ru");
const QString kOnRu = QStringLiteral("Caps Lock: Вкл.\nЯзык: ru");

int VisibleHintWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<TKeyboardHintWindow*>(widget) && widget->isVisible() ? 1 : 0;
    return count;
}

// ---------------------------------------------------------------------------
// Layout names and texts

TEST(LayoutCode, OnlyThePlainUsAndRussianLayoutsHaveACode)
{
    EXPECT_EQ(LayoutCodeFromName(QStringLiteral("00000409")), QStringLiteral("en"));
    EXPECT_EQ(LayoutCodeFromName(QStringLiteral("00000419")), QStringLiteral("ru"));
    EXPECT_EQ(LayoutCodeFromName(QStringLiteral("us")), QStringLiteral("en"));
    EXPECT_EQ(LayoutCodeFromName(QStringLiteral("ru")), QStringLiteral("ru"));
    // British, US-International, Ukrainian, malformed; XKB variants and others.
    for (const char* other : {"00000809", "00020409", "00000422", "0000409", "000004090", "00000409 ", "", "us(intl)",
                              "ru(phonetic)", "gb", "US", "en"})
        EXPECT_EQ(LayoutCodeFromName(QString::fromLatin1(other)), QString()) << other;

    FakeKeyboardState keyboard;
    keyboard.Layout = QStringLiteral("00000419");
    EXPECT_EQ(GetLayoutCode(keyboard), QStringLiteral("ru"));
}

TEST(IndicatorText, TwoLinesReadAfresh)
{
    FakeKeyboardState keyboard;
    QWidget host;
    TKeyboardStateIndicator indicator(keyboard, host, kEntryIndicatorLook);
    EXPECT_EQ(indicator.KeyboardStateText(), kOffEn);
    keyboard.CapsLock = true;
    keyboard.Layout = QStringLiteral("00000419");
    EXPECT_EQ(indicator.KeyboardStateText(), kOnRu);
    keyboard.Layout = QStringLiteral("00000809");
    EXPECT_EQ(indicator.KeyboardStateText(), QStringLiteral("Caps Lock: Вкл.\nЯзык: "));
}

#ifndef _WIN32
// Windows reads the keyboard the same way on every Qt platform.
TEST(LayoutCode, NoKeyboardInformationOffscreen)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        GTEST_SKIP() << "runs on the offscreen platform only";
    auto keyboard = CreateSystemKeyboardState();
    EXPECT_FALSE(keyboard->IsCapsLockOn());
    EXPECT_EQ(keyboard->LayoutName(), QString());
}

TEST(XkbNames, RulesNamesPropertyGivesLayoutAndVariantOfTheGroup)
{
    auto names = [](const char* layouts, const char* variants) {
        QByteArray property("evdev\0pc105\0", 12);
        return property.append(layouts).append('\0').append(variants).append('\0').append("grp:toggle").append('\0');
    };
    EXPECT_EQ(XkbLayoutFromRulesNames(names("us,ru", ","), 0), QStringLiteral("us"));
    EXPECT_EQ(XkbLayoutFromRulesNames(names("us,ru", ""), 1), QStringLiteral("ru"));
    EXPECT_EQ(XkbLayoutFromRulesNames(names("us,ru", "intl,"), 0), QStringLiteral("us(intl)"));
    EXPECT_EQ(XkbLayoutFromRulesNames(names("gb,ru", ",phonetic"), 1), QStringLiteral("ru(phonetic)"));
    EXPECT_EQ(XkbLayoutFromRulesNames(names("us,ru", ","), 2), QString());
    EXPECT_EQ(XkbLayoutFromRulesNames(names("us,,ru", ""), 1), QString());
    EXPECT_EQ(XkbLayoutFromRulesNames(QByteArray("evdev"), 0), QString());
}

TEST(XkbNames, SymbolsNameSkipsModelAndOptionParts)
{
    const QString twoLayouts = QStringLiteral("pc+us+ru:2+inet(evdev)+group(alt_shift_toggle)");
    EXPECT_EQ(XkbLayoutFromSymbolsName(twoLayouts, 0), QStringLiteral("us"));
    EXPECT_EQ(XkbLayoutFromSymbolsName(twoLayouts, 1), QStringLiteral("ru"));
    EXPECT_EQ(XkbLayoutFromSymbolsName(twoLayouts, 2), QString());
    const QString variants = QStringLiteral("pc+us(intl)+ru(winkeys):2+inet(evdev)");
    EXPECT_EQ(XkbLayoutFromSymbolsName(variants, 0), QStringLiteral("us(intl)"));
    EXPECT_EQ(XkbLayoutFromSymbolsName(variants, 1), QStringLiteral("ru(winkeys)"));
    // Per-group option files come after the layout of their group.
    EXPECT_EQ(XkbLayoutFromSymbolsName(QStringLiteral("pc+ru+us:2+inet(evdev)+level3(ralt_alt):2"), 1),
              QStringLiteral("us"));
    // A file meant for every group is an option, not a layout.
    EXPECT_EQ(XkbLayoutFromSymbolsName(QStringLiteral("pc+apl(level3):all+us"), 0), QStringLiteral("us"));
    EXPECT_EQ(XkbLayoutFromSymbolsName(QStringLiteral("pc|us+inet(evdev)"), 0), QStringLiteral("us"));
    EXPECT_EQ(XkbLayoutFromSymbolsName(QStringLiteral("xfree68_vndr/amiga(usa1)+ru:2"), 0), QString());
    EXPECT_EQ(XkbLayoutFromSymbolsName(QStringLiteral("pc+inet(evdev)"), 0), QString());
}
#endif

// ---------------------------------------------------------------------------
// The pop-up and its place

TEST(HintWindow, ToolTipThatNeverTakesTheFocusAndFitsBothLines)
{
    FakeKeyboardState keyboard;
    TFrmPasswordEnter dialog(keyboard, nullptr);
    dialog.TmrKeyGet->stop();
    ShowActive(dialog);
    ASSERT_TRUE(dialog.Indicator.KeyboardHintWindow);
    TKeyboardHintWindow* hint = dialog.Indicator.KeyboardHintWindow;
    EXPECT_EQ(hint->windowType(), Qt::ToolTip);
    EXPECT_TRUE(hint->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(hint->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(hint->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(hint->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(hint->text(), kOffEn);
    EXPECT_EQ(hint->windowTitle(), kOffEn);
    EXPECT_TRUE(dialog.TxtPassword->hasFocus());
    const QFontMetrics metrics(hint->font());
    EXPECT_LE(metrics.height() + metrics.lineSpacing(), hint->contentsRect().height() - 2 * hint->margin());
}

TEST(Placement, UnderTheFieldByTheDialogsOuterPosition)
{
    FakeKeyboardState keyboard;
    TDocumentState document;
    test::ScriptedPrompts prompts;
    TFrmPasswordEnter entry(keyboard, nullptr);
    TFrmPasswordCreate change(keyboard, document, prompts, nullptr);
    entry.TmrKeyGet->stop();
    change.TmrKeyGet->stop();
    ShowActive(entry);
    ShowActive(change);
    entry.move(200, 150);
    change.move(40, 70);
    const QPoint e = entry.frameGeometry().topLeft();
    const QPoint c = change.frameGeometry().topLeft();
    EXPECT_EQ(entry.Indicator.HintRect(*entry.TxtPassword), QRect(e.x() + 147, e.y() + 16 + 42 + 0, 134, 30));
    EXPECT_EQ(change.Indicator.HintRect(*change.TxtPasswordOld), QRect(c.x() + 147, c.y() + 8 + 42 + 5, 121, 40));
    EXPECT_EQ(change.Indicator.HintRect(*change.TxtPasswordNew), QRect(c.x() + 147, c.y() + 48 + 42 + 5, 121, 40));
    EXPECT_EQ(change.Indicator.HintRect(*change.TxtPasswordRetry), QRect(c.x() + 147, c.y() + 88 + 42 + 5, 121, 40));
    // The activation step put each pop-up under the dialog's first field.
    EXPECT_EQ(entry.Indicator.HintGeometry(), entry.Indicator.HintRect(*entry.TxtPassword));
    EXPECT_EQ(change.Indicator.HintGeometry(), change.Indicator.HintRect(*change.TxtPasswordOld));
    EXPECT_EQ(VisibleHintWindows(), 2) << "each dialog has its own";
}

TEST(Placement, ThePopUpFollowsTheDialog)
{
    FakeKeyboardState keyboard;
    TDocumentState document;
    test::ScriptedPrompts prompts;
    TFrmPasswordCreate dialog(keyboard, document, prompts, nullptr);
    dialog.TmrKeyGet->stop();
    ShowActive(dialog);
    dialog.TxtPasswordRetry->setFocus(Qt::OtherFocusReason);
    keyboard.CapsLock = true;
    dialog.TmrKeyGetTimer();
    const QPointer<TKeyboardHintWindow> standing = dialog.Indicator.KeyboardHintWindow;
    ASSERT_TRUE(standing);
    dialog.move(dialog.pos() + QPoint(37, 23));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, standing) << "moved, not replaced";
    EXPECT_EQ(dialog.Indicator.HintGeometry(), dialog.Indicator.HintRect(*dialog.TxtPasswordRetry));
}

// ---------------------------------------------------------------------------
// Tick sequence, entry dialog

class EntryTicks : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.TmrKeyGet->stop();
        ShowActive(dialog);
        ASSERT_TRUE(dialog.TxtPassword->hasFocus());
    }
    void Tick() { dialog.TmrKeyGetTimer(); }
    bool Standing() const { return dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible(); }

    FakeKeyboardState keyboard;
    TFrmPasswordEnter dialog{keyboard, nullptr};
};

TEST_F(EntryTicks, DownOnTheFifthQuietTickThenCountsInCyclesOfFive)
{
    EXPECT_EQ(dialog.Indicator.HintText(), kOffEn);
    EXPECT_FALSE(dialog.Indicator.LastCapsLock);
    EXPECT_EQ(dialog.Indicator.LastLayoutCode, QStringLiteral("en"));
    const QPointer<TKeyboardHintWindow> first = dialog.Indicator.KeyboardHintWindow;
    for (int tick = 0; tick <= 4; ++tick) {
        EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, first) << tick;
        EXPECT_EQ(dialog.Indicator.HintTicks, tick);
        Tick();
    }
    EXPECT_FALSE(Standing());
    EXPECT_EQ(VisibleHintWindows(), 0);
    for (int tick = 0; tick <= 12; ++tick) {
        EXPECT_FALSE(Standing()) << tick;
        EXPECT_EQ(dialog.Indicator.HintTicks, tick % 5) << tick;
        Tick();
    }
}

TEST_F(EntryTicks, AChangeStandsUntilTheCounterNextReachesFive)
{
    for (int k = 0; k <= 4; ++k) {
        while (Standing() || dialog.Indicator.HintTicks != 0)
            Tick();
        for (int i = 0; i < k; ++i)
            Tick();
        keyboard.CapsLock = !keyboard.CapsLock;
        Tick();
        ASSERT_TRUE(Standing()) << k;
        EXPECT_EQ(dialog.Indicator.HintText(), keyboard.CapsLock ? kOnEn : kOffEn);
        EXPECT_EQ(dialog.Indicator.HintTicks, k) << "a change leaves the counter alone";
        int stood = 0;
        for (; Standing(); ++stood)
            Tick();
        EXPECT_EQ(stood, 5 - k) << k;
    }
}

TEST_F(EntryTicks, ToggleSeenOnTheThirdTickAfterTheHideGoesOnTheSixth)
{
    for (int i = 0; i < 5 + 2; ++i)
        Tick(); // down on t, counter 2 after t + 2
    keyboard.CapsLock = true;
    Tick(); // t + 3
    Tick();
    Tick(); // t + 5
    EXPECT_TRUE(Standing());
    Tick(); // t + 6
    EXPECT_FALSE(Standing());
}

TEST_F(EntryTicks, EachChangeReplacesThePopUpAndAnUndoneChangeIsNotSeen)
{
    Tick();
    const QPointer<TKeyboardHintWindow> first = dialog.Indicator.KeyboardHintWindow;
    keyboard.CapsLock = true;
    keyboard.CapsLock = false;
    Tick();
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, first);

    keyboard.Layout = QStringLiteral("00000419");
    Tick();
    EXPECT_TRUE(first.isNull()) << "the old pop-up is gone";
    EXPECT_EQ(dialog.Indicator.HintText(), kOffRu);
    EXPECT_EQ(dialog.Indicator.LastLayoutCode, QStringLiteral("ru"));
    const QPointer<TKeyboardHintWindow> second = dialog.Indicator.KeyboardHintWindow;
    keyboard.CapsLock = true;
    Tick();
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(dialog.Indicator.HintText(), kOnRu);
    EXPECT_TRUE(dialog.Indicator.LastCapsLock);
    EXPECT_EQ(VisibleHintWindows(), 1);
    EXPECT_EQ(dialog.Indicator.HintTicks, 2);
}

TEST_F(EntryTicks, TickWithoutFocusTakesThePopUpDownAndReturningFocusShowsNothing)
{
    Tick();
    Tick();
    Tick();
    dialog.BtnOk->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Standing()) << "leaving the field does nothing by itself";
    Tick();
    EXPECT_FALSE(Standing());
    EXPECT_EQ(dialog.Indicator.HintTicks, 0);
    keyboard.CapsLock = true;
    Tick();
    EXPECT_FALSE(Standing()) << "no change is shown without the focus";

    dialog.TxtPassword->setFocus(Qt::BacktabFocusReason);
    keyboard.CapsLock = false; // back to what was recorded
    Tick();
    EXPECT_FALSE(Standing());
    EXPECT_EQ(dialog.Indicator.HintTicks, 1);
}

TEST(EntryActivation, TicksBeforeTheWindowSystemActivatesTheDialogLeaveThePopUpStanding)
{
    FakeKeyboardState keyboard;
    QWidget other;
    ShowActive(other);
    TFrmPasswordEnter dialog{keyboard, nullptr};
    dialog.TmrKeyGet->stop();
    dialog.show();
    QCoreApplication::processEvents();
    // The window manager has not handed the dialog the focus yet.
    ShowActive(other);
    ASSERT_FALSE(dialog.isActiveWindow());
    ASSERT_TRUE(dialog.Indicator.KeyboardHintWindow);

    dialog.TmrKeyGetTimer();
    dialog.TmrKeyGetTimer();
    EXPECT_TRUE(dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible())
        << "a dialog not yet active has not lost its focus";
    EXPECT_EQ(dialog.Indicator.HintTicks, 0);

    ShowActive(dialog);
    ASSERT_TRUE(dialog.TxtPassword->hasFocus());
    for (int tick = 1; tick < 5; ++tick)
        dialog.TmrKeyGetTimer();
    EXPECT_TRUE(dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible());
    dialog.TmrKeyGetTimer();
    EXPECT_FALSE(dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible())
        << "once active, the fifth quiet tick takes it down as always";

    dialog.BtnOk->setFocus(Qt::TabFocusReason);
    keyboard.CapsLock = true;
    dialog.TmrKeyGetTimer();
    EXPECT_FALSE(dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible())
        << "after activation a tick without focus still counts";
}

TEST_F(EntryTicks, ClosingTakesThePopUpDownAndTheNextShowingStartsAfresh)
{
    Tick();
    Tick();
    dialog.accept();
    EXPECT_EQ(VisibleHintWindows(), 0);
    keyboard.CapsLock = true;
    keyboard.Layout = QStringLiteral("00000419");
    Tick();
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, nullptr);
    EXPECT_EQ(dialog.Indicator.HintTicks, 0) << "hidden ticks keep the counter at 0";
    Tick();

    ShowActive(dialog);
    EXPECT_TRUE(Standing());
    EXPECT_EQ(dialog.Indicator.HintText(), kOnRu);
    EXPECT_EQ(dialog.Indicator.HintTicks, 0);
    EXPECT_TRUE(dialog.Indicator.LastCapsLock);
}

// ---------------------------------------------------------------------------
// Tick sequence, change dialog

class ChangeTicks : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.TmrKeyGet->stop();
        ShowActive(dialog);
        ASSERT_TRUE(dialog.TxtPasswordOld->hasFocus());
    }
    void Tick() { dialog.TmrKeyGetTimer(); }
    bool Standing() const { return dialog.Indicator.KeyboardHintWindow && dialog.Indicator.KeyboardHintWindow->isVisible(); }

    FakeKeyboardState keyboard;
    TDocumentState document;
    test::ScriptedPrompts prompts;
    TFrmPasswordCreate dialog{keyboard, document, prompts, nullptr};
};

TEST_F(ChangeTicks, DownOnTheFifthQuietTickInAnyWatchedField)
{
    for (QLineEdit* field : {dialog.TxtPasswordOld, dialog.TxtPasswordNew, dialog.TxtPasswordRetry}) {
        field->setFocus(Qt::OtherFocusReason);
        while (dialog.Indicator.HintTicks != 0 || Standing())
            Tick();
        keyboard.CapsLock = !keyboard.CapsLock;
        Tick();
        ASSERT_TRUE(Standing());
        EXPECT_EQ(dialog.Indicator.HintGeometry(), dialog.Indicator.HintRect(*field));
        for (int tick = 1; tick <= 4; ++tick) {
            Tick();
            EXPECT_TRUE(Standing()) << tick;
        }
        Tick();
        EXPECT_FALSE(Standing());
        EXPECT_EQ(dialog.Indicator.HintTicks, 0);
    }
}

TEST_F(ChangeTicks, TabToTheNextFieldTakesThePopUpDownAtOnce)
{
    Tick();
    Tick();
    QTest::keyClick(dialog.TxtPasswordOld, Qt::Key_Tab);
    ASSERT_TRUE(dialog.TxtPasswordNew->hasFocus());
    EXPECT_FALSE(Standing());
    EXPECT_EQ(dialog.Indicator.HintTicks, 2) << "the exit handler leaves the counter alone";
    Tick();
    EXPECT_FALSE(Standing()) << "focus moving shows nothing by itself";

    keyboard.Layout = QStringLiteral("00000419");
    Tick();
    ASSERT_TRUE(Standing());
    EXPECT_EQ(dialog.Indicator.HintText(), kOffRu);
    EXPECT_EQ(dialog.Indicator.HintGeometry(), dialog.Indicator.HintRect(*dialog.TxtPasswordNew));
    Tick();
    Tick(); // the counter reaches 5
    EXPECT_FALSE(Standing());

    // Each exit handler does the same, and nothing when nothing stands.
    for (auto exit : {&TFrmPasswordCreate::TxtPasswordOldExit, &TFrmPasswordCreate::TxtPasswordNewExit,
                      &TFrmPasswordCreate::TxtPasswordRetryExit}) {
        dialog.Indicator.ShowKeyboardHint(*dialog.TxtPasswordNew, kOffRu);
        dialog.Indicator.HintTicks = 3;
        (dialog.*exit)();
        EXPECT_FALSE(Standing());
        (dialog.*exit)();
        EXPECT_EQ(dialog.Indicator.HintTicks, 3);
    }
}

TEST_F(ChangeTicks, TickWithoutAWatchedFieldInFocusDoesNothing)
{
    Tick();
    dialog.TxtPasswordRetry->setFocus(Qt::TabFocusReason);
    dialog.BtnOk->setFocus(Qt::TabFocusReason);
    keyboard.CapsLock = true;
    for (int i = 0; i < 7; ++i)
        Tick();
    EXPECT_FALSE(Standing());
    EXPECT_EQ(dialog.Indicator.HintTicks, 1);
    EXPECT_FALSE(dialog.Indicator.LastCapsLock);
}

TEST_F(ChangeTicks, AnotherActiveWindowLeavesThePopUpAndTheCounterAlone)
{
    // Like a message box of the OK handler: losing the focus with the
    // dialog's activation is no exit, and the ticks change nothing.
    Tick();
    Tick();
    const QPointer<TKeyboardHintWindow> standing = dialog.Indicator.KeyboardHintWindow;
    QWidget box;
    ShowActive(box);
    ASSERT_FALSE(dialog.TxtPasswordOld->hasFocus());
    keyboard.CapsLock = true;
    for (int i = 0; i < 6; ++i)
        Tick();
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, standing);
    EXPECT_TRUE(Standing());
    EXPECT_EQ(dialog.Indicator.HintTicks, 2);

    box.hide();
    ShowActive(dialog);
    Tick();
    EXPECT_TRUE(standing.isNull()) << "the change is seen once the focus is back";
    EXPECT_EQ(dialog.Indicator.HintText(), kOnEn);
}

TEST_F(ChangeTicks, ClosingTakesThePopUpDownAndHiddenTicksDoNothing)
{
    Tick();
    Tick();
    QTest::keyClick(dialog.TxtPasswordOld, Qt::Key_Escape);
    ASSERT_FALSE(dialog.isVisible());
    EXPECT_EQ(VisibleHintWindows(), 0);
    keyboard.CapsLock = true;
    for (int i = 0; i < 4; ++i)
        Tick();
    EXPECT_EQ(dialog.Indicator.KeyboardHintWindow, nullptr);
    EXPECT_EQ(dialog.Indicator.HintTicks, 2);
}

} // namespace
} // namespace tainoteka
