#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolButton>

#include "ClipboardGuard.h"
#include "MainWindowFixture.h"
#include "ProfileFile.h"
#include "Settings.h"
#include "ToolbarPanel.h"
#include "U_Help.h"

using namespace tainoteka;
using namespace tainoteka::test;

class ViewCommands : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window().show();
        QApplication::processEvents();
    }
    QRect InWindow(QWidget* w) const { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }
    QStringList ButtonOrderByPosition(bool vertical)
    {
        QList<QWidget*> widgets;
        for (QObject* child : window().RzToolbarPictures->children())
            if (auto* w = qobject_cast<QWidget*>(child))
                widgets << w;
        std::sort(widgets.begin(), widgets.end(), [vertical](QWidget* a, QWidget* b) {
            return vertical ? a->y() < b->y() : (a->y() != b->y() ? a->y() < b->y() : a->x() < b->x());
        });
        QStringList names;
        for (QWidget* w : widgets)
            names << w->objectName();
        return names;
    }
    const QStringList order{"BtnNew", "BtnOpen", "BtnSave", "RzSpacer4", "BtnSecurity", "RzSpacer1",
                            "BtnCut", "BtnCopy", "BtnPaste", "RzSpacer2", "BtnFont"};
};

TEST_F(ViewCommands, LeftAndRightAreOneButtonColumnsDownToTheStatusBar)
{
    window().MnuViewPanelLeft->trigger();
    QApplication::processEvents();
    const QRect bar = InWindow(window().RzToolbarPictures);
    const QRect status = InWindow(window().StatusBar);
    const QRect editor = InWindow(window().RichEditText);
    EXPECT_TRUE(window().MnuViewPanelLeft->isChecked());
    EXPECT_FALSE(window().MnuViewPanelTop->isChecked());
    EXPECT_EQ(bar.width(), TToolbarPanel::Thickness);
    EXPECT_EQ(bar.top(), editor.top());
    EXPECT_EQ(bar.bottom() + 1, status.top());
    EXPECT_LT(bar.right(), editor.left());
    EXPECT_EQ(ButtonOrderByPosition(true), order);

    window().MnuViewPanelRight->trigger();
    QApplication::processEvents();
    EXPECT_GT(InWindow(window().RzToolbarPictures).left(), InWindow(window().RichEditText).right());
    EXPECT_EQ(ButtonOrderByPosition(true), order);
}

TEST_F(ViewCommands, BottomIsBelowTheStatusBarAndTopAboveTheEditor)
{
    window().MnuViewPanelBottom->trigger();
    QApplication::processEvents();
    EXPECT_GT(InWindow(window().RzToolbarPictures).top(), InWindow(window().StatusBar).bottom());
    EXPECT_EQ(InWindow(window().RzToolbarPictures).bottom() + 1, window().height());
    EXPECT_EQ(ButtonOrderByPosition(false), order);

    window().MnuViewPanelTop->trigger();
    QApplication::processEvents();
    EXPECT_LT(InWindow(window().RzToolbarPictures).bottom(), InWindow(window().RichEditText).top());
    EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Top);
}

TEST_F(ViewCommands, FontCommandAppliesEverythingOrNothing)
{
    const QFont before = editor().font();
    prompts.Fonts.push_back(std::nullopt);
    window().MnuFormatFontClick();
    EXPECT_EQ(editor().font(), before);

    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSize(14);
    chosen.setBold(true);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    chosen.setStrikeOut(true);
    prompts.Fonts.push_back(TFontChoice{chosen, QColor(200, 10, 20)});
    window().BtnFont->click();
    EXPECT_EQ(editor().font().pointSize(), 14);
    EXPECT_TRUE(editor().font().bold());
    EXPECT_TRUE(editor().font().italic());
    EXPECT_TRUE(editor().font().underline());
    EXPECT_TRUE(editor().font().strikeOut());
    EXPECT_EQ(editor().palette().color(QPalette::Text), QColor(200, 10, 20));
}

TEST_F(ViewCommands, CloseWritesTheSettingsThatTheNextStartReads)
{
    window().MnuViewPanelRight->trigger();
    QFont bold = editor().font();
    bold.setBold(true);
    bold.setPointSize(14);
    prompts.Fonts.push_back(TFontChoice{bold, QColor(0, 0, 255)});
    window().MnuFormatFontClick();
    window().MnuEditClipboard->trigger();
    prompts.Answers.push_back(TAnswer::No);
    ASSERT_TRUE(window().close());
    const TProfileFile ini(Path("options.ini"));
    EXPECT_EQ(ini.ReadString("POSITON TOOLBARPICTURES", "Position", ""), "right");
    EXPECT_EQ(ini.ReadString("FONT", "StyleBold", ""), "1");
    EXPECT_EQ(ini.ReadString("FONT", "Size", ""), "14");
    EXPECT_EQ(ini.ReadString("FONT", "Color", ""), QString::number(0xFF0000));
    EXPECT_EQ(ini.ReadString("CLIPBOARD", "ClipboardChecked", ""), "0");

    Start({});
    EXPECT_EQ(window().ToolbarEdge(), TToolbarEdge::Right);
    EXPECT_TRUE(editor().font().bold());
    EXPECT_FALSE(window().MnuEditClipboard->isChecked());
    EXPECT_TRUE(window().ClipboardGuard->TmrClipBoardClear.isActive()) << "guarding from the start";
    window().MnuEditClipboard->trigger(); // leave the shared clipboard usable for other tests
}

TEST_F(ViewCommands, CancelledCloseWritesNothing)
{
    prompts.Answers.push_back(TAnswer::Cancel);
    EXPECT_FALSE(window().close());
    EXPECT_FALSE(QFile::exists(Path("options.ini")));
}

TEST_F(ViewCommands, HelpIsLookedForBesideTheProgramOnly)
{
    QDir(folder.path()).mkdir("docs");
    WriteFile("docs/help.html", "<html><head><title>wrong</title></head></html>");
    WriteFile("docs/d.txtp", EncodeTxtpFile("x", ""));
    prompts.OpenNames.push_back(Path("docs/d.txtp"));
    window().MnuFileOpenClick();
    ASSERT_EQ(program->Document.CurrentFileName, QStringLiteral("d.txtp"));
    const auto helpWindows = [] {
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += w->isVisible() && w->windowTitle() == HelpWindowTitle;
        return shown;
    };
    window().MnuHelpHelpClick();
    EXPECT_EQ(helpWindows(), 0) << "no help beside the program: nothing shown";

    WriteFile("help.html", "<html><head><title>Справка - Тайнотека</title></head><body>ok</body></html>");
    window().MnuHelpHelpClick();
    window().MnuHelpHelpClick();
    EXPECT_EQ(helpWindows(), 1);
}

TEST_F(ViewCommands, AboutIsShownModallyFromTheHelpMenu)
{
    window().MnuHelpAbout->trigger();
    EXPECT_EQ(prompts.DialogsShown, QStringList{"FrmAbout"});
}

TEST_F(ViewCommands, SettingsThatCannotBeWrittenAreReportedAndTheProgramStillEnds)
{
    QDir(folder.path()).mkdir("options.ini"); // a folder where the file should be
    prompts.Answers.push_back(TAnswer::No);
    EXPECT_TRUE(window().close());
    ASSERT_EQ(prompts.Errors.size(), 1);
    EXPECT_EQ(prompts.Errors[0].Title, QStringLiteral("Тайнотека"));
    EXPECT_EQ(prompts.Errors[0].Text,
              QStringLiteral("Unable to write to %1.").arg(QDir::toNativeSeparators(Path("options.ini"))));
}

TEST(InstalledProgram, DocumentsAndSettingsMoveToTheUsersFolders)
{
    QStandardPaths::setTestModeEnabled(true);
    ScriptedPrompts prompts;
    RecordingShell shell;
    FakeKeyboardState keyboard;
    const QString readOnlyProgramDir = QStringLiteral("/nonexistent-tainoteka-bin/");
    TTainoteka program({prompts, shell, keyboard, {}, readOnlyProgramDir});
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(program.Document.CurrentDir, QDir::toNativeSeparators(documents + QLatin1Char('/')));
#ifdef _WIN32
    const QString userSettings = QDir(qEnvironmentVariable("APPDATA")).filePath(QStringLiteral("Тайнотека"));
#else
    const QString userSettings = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
    EXPECT_EQ(SettingsFilePath(readOnlyProgramDir), QDir(userSettings).filePath("options.ini"));
    QStandardPaths::setTestModeEnabled(false);
}
