// Windows on screens of any size and scale, and the help window while a
// dialog of the program asks.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "MainWindowFixture.h"
#include "QtPrompts.h"
#include "ScreenFit.h"
#include "U_Help.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

QString SourceHelpFile() { return QStringLiteral(TAINOTEKA_SOURCE_DIR "/resources/help/help.html"); }

// The program folder may already hold a help file.
bool PutHelpInto(const QString& target)
{
    QFile::remove(target);
    return QFile::copy(SourceHelpFile(), target);
}

// Records whether a modal window blocks the watched one.
class TBlockedWatch final : public QObject {
public:
    explicit TBlockedWatch(QWidget& window) { window.installEventFilter(this); }
    bool Blocked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            Blocked = true;
        if (event->type() == QEvent::WindowUnblocked)
            Blocked = false;
        return QObject::eventFilter(watched, event);
    }
};

THelpWindow* OpenHelpWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<THelpWindow*>(widget); help && help->isVisible())
            return help;
    return nullptr;
}

} // namespace

// Available areas of scaled screens, in the logical pixels that Qt gives.
TEST(ScreenFit, TheDesignedSizeWhereItFitsOtherwiseTheAvailableArea)
{
    const QRect fullHd(0, 0, 1920, 1040);
    EXPECT_EQ(FitOuterFrame(fullHd, QSize(796, 594), fullHd.center()), QRect(562, 223, 796, 594));

    const QRect doubled(0, 0, 640, 488); // 1280 x 1024 at 200 %, a panel below
    EXPECT_EQ(FitOuterFrame(doubled, QSize(796, 594), doubled.center()), doubled);

    const QRect oneAndHalf(0, 24, 910, 488); // 1366 x 768 at 150 %, a panel above
    const QRect fitted = FitOuterFrame(oneAndHalf, QSize(796, 594), oneAndHalf.center());
    EXPECT_EQ(fitted.size(), QSize(796, 488));
    EXPECT_TRUE(oneAndHalf.contains(fitted)) << "the title bar is reachable";

    const QRect secondScreen(1920, 0, 1280, 1000);
    EXPECT_TRUE(secondScreen.contains(FitOuterFrame(secondScreen, QSize(796, 594), QPoint(0, 0))));
}

TEST(ScreenFit, HelpGoesBesideTheMainWindowOrCentredOnIt)
{
    const QRect area(0, 0, 1920, 1040);
    EXPECT_EQ(PlaceBeside(area, QRect(100, 50, 796, 594), QSize(808, 650)), QRect(896, 50, 808, 650)) << "right";
    EXPECT_EQ(PlaceBeside(area, QRect(1000, 50, 796, 594), QSize(808, 650)), QRect(192, 50, 808, 650)) << "left";
    const QRect small(0, 0, 1024, 740);
    const QRect main(114, 73, 796, 594);
    const QRect centred = PlaceBeside(small, main, QSize(808, 650));
    EXPECT_EQ(centred.center(), main.center());
    const QRect tiny(0, 0, 640, 488);
    EXPECT_EQ(PlaceBeside(tiny, tiny, QSize(808, 650)), tiny);
}

// After the window manager has framed the main window, only a frame that
// stands where it was asked to and lies off the screen is moved back inside.
TEST(ScreenFit, AFramedWindowIsPutRightOnlyWhereItStandsAsAskedOffTheScreen)
{
    const QRect small(0, 0, 640, 488); // 1280 x 1024 at 200 %
    const QPoint asked(0, 0);
    const QSize size(640, 488);
    const QRect titleBarAdded(0, 0, 640, 507); // 19 pixels below the screen's edge
    const struct {
        const char* Case;
        TFirstFraming Framing;
        std::optional<QRect> Expected;
    } cases[] = {
        {"inside the area", {QRect(0, 0, 1920, 1040), asked, size, titleBarAdded, size, false}, std::nullopt},
        {"off the screen, as asked", {small, asked, size, titleBarAdded, size, false}, small},
        {"maximized or full-screen", {small, asked, size, titleBarAdded, size, true}, std::nullopt},
        {"moved by the window manager", {small, asked, size, titleBarAdded.translated(0, 5), size, false},
         std::nullopt},
        {"sized by a tiling window manager", {small, asked, size, titleBarAdded, QSize(320, 488), false},
         std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CorrectedFirstFrame(c.Framing), c.Expected) << c.Case;
}

using Placement = MainWindowFixture;

TEST_F(Placement, MainWindowAndHelpLieWithinTheAvailableArea)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window().show();
    EXPECT_TRUE(area.contains(window().frameGeometry()));
    ASSERT_TRUE(PutHelpInto(Path(HelpFileName))) << SourceHelpFile().toStdString();
    window().MnuHelpHelpClick();
    THelpWindow* help = OpenHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(area.contains(help->frameGeometry()))
        << "help at " << help->frameGeometry().x() << "," << help->frameGeometry().y() << " size "
        << help->frameGeometry().width() << "x" << help->frameGeometry().height();
    help->close();
}

TEST_F(Placement, HelpStaysUsableWhileADialogAsksAndOpensFromIt)
{
    window().show();
    ASSERT_TRUE(PutHelpInto(Path(HelpFileName))) << SourceHelpFile().toStdString();
    window().MnuHelpHelpClick();
    THelpWindow* help = OpenHelpWindow();
    ASSERT_NE(help, nullptr);
    TBlockedWatch helpWatch(*help);
    TBlockedWatch mainWatch(window());

    QDialog dialog(&window());
    bool helpBlocked = true;
    bool mainBlocked = false;
    QTimer::singleShot(0, &dialog, [&] {
        helpBlocked = helpWatch.Blocked;
        mainBlocked = mainWatch.Blocked;
        dialog.accept();
    });
    TQtPrompts().ExecDialog(dialog);
    EXPECT_TRUE(mainBlocked) << "the dialog still holds the main window";
    EXPECT_FALSE(helpBlocked) << "the help can be read meanwhile";
    help->close();
    QApplication::processEvents();

    // F1 inside the password dialog opens the help too.
    prompts.DialogScripts.push_back([](QDialog& d) { QTest::keyClick(&d, Qt::Key_F1); });
    window().MnuEditPasswordClick();
    EXPECT_NE(OpenHelpWindow(), nullptr);
}
