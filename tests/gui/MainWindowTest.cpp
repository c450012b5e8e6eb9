#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTextBlock>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "MainWindowFixture.h"
#include "Settings.h"
#include "ToolbarPanel.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

const QString kWrongPassword =
    QStringLiteral("Пароль введён неверно или\nформат выбранного для открытия файла\nне соответствует программе.");
const QString kShortFile = QStringLiteral("Формат выбранного для открытия файла\nне соответствует программе.");

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

} // namespace

using StartUp = MainWindowFixture;

TEST_F(StartUp, UntitledCaptionAndEmptyCount)
{
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Безымянный - Тайнотека"));
    EXPECT_EQ(window().StatusPanel->text(), QStringLiteral("Количество символов:    0"));
    EXPECT_EQ(window().size(), QSize(796, 594));
    EXPECT_EQ(window().minimumSize(), QSize(300, 400));
    EXPECT_EQ(program->Document.CurrentDir, QDir::toNativeSeparators(folder.path() + QLatin1Char('/')));
    EXPECT_TRUE(program->Document.CurrentFileName.isEmpty());
}

TEST_F(StartUp, MenusHaveTheirCaptionsShortcutsAndOrder)
{
    QStringList top;
    for (const QAction* a : window().MnuGeneralTop->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"&Файл", "&Правка", "Фор&мат", "&Вид", "&Справка"}));
    EXPECT_EQ(Captions(window().MnuFile),
              (QStringList{"Созд&ать\tCtrl+N", "&Открыть...\tCtrl+O", "&Сохранить\tCtrl+S", "Со&хранить как...\tCtrl+Shift+S",
                           "-", "Назначить/сменить &пароль\tCtrl+Alt+P", "За&блокировать\tCtrl+L", "-",
                           "В&ыход\tCtrl+Q"}));
    EXPECT_EQ(Captions(window().MnuEdit),
              (QStringList{"&Отменить\tCtrl+Z", "&Повторить\tCtrl+Y", "-", "&Буфер обмена (вкл/выкл)", "-", "&Вырезать\tCtrl+X", "&Копировать\tCtrl+C",
                           "Вст&авить\tCtrl+V", "&Удалить", "-", "Выделить в&се\tCtrl+A", "-",
                           "&Найти...\tCtrl+Shift+F", "Найти &далее\tF3", "Найти &ранее\tShift+F3",
                           "&Заменить...\tCtrl+H"}));
    EXPECT_EQ(Captions(window().MnuFormat), (QStringList{"&Шрифт...\tCtrl+F"}));
    EXPECT_EQ(Captions(window().MnuViewPanel), (QStringList{"С&верху", "С&низу", "С&лева", "С&права"}));
    EXPECT_EQ(Captions(window().MnuViewLock),
              (QStringList{"&Никогда", "Через &5 минут", "Через &10 минут", "Через &30 минут"}));
    EXPECT_TRUE(window().MnuViewLock10->isChecked());
    EXPECT_EQ(Captions(window().MnuHelp), (QStringList{"&Вызов справки\tF1", "-", "&О программе"}));
    EXPECT_TRUE(window().MnuEditClipboard->isChecked());
    EXPECT_TRUE(window().MnuViewPanelTop->isChecked());
}

TEST_F(StartUp, ToolbarButtonsInOrderWithTooltips)
{
    QStringList order;
    for (QObject* child : window().RzToolbarPictures->children())
        if (auto* w = qobject_cast<QWidget*>(child))
            order << w->objectName() + QLatin1Char('|') + w->toolTip();
    EXPECT_EQ(order, (QStringList{"BtnNew|Создать (Ctrl+N)", "BtnOpen|Открыть (Ctrl+O)", "BtnSave|Сохранить (Ctrl+S)",
                                  "RzSpacer4|", "BtnSecurity|Назначить/сменить пароль (Ctrl+Alt+P)", "RzSpacer1|",
                                  "BtnCut|Вырезать (Ctrl+X)", "BtnCopy|Копировать (Ctrl+C)",
                                  "BtnPaste|Вставить (Ctrl+V)", "RzSpacer2|", "BtnFont|Шрифт... (Ctrl+F)"}));
    EXPECT_EQ(window().BtnNew->size(), QSize(25, 25));
}

TEST_F(StartUp, ToolbarButtonsAreNamedByTheirHints)
{
    const QList<QToolButton*> buttons = window().RzToolbarPictures->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 8);
    for (QToolButton* button : buttons) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), button->toolTip()) << button->objectName().toStdString();
    }
}

TEST_F(StartUp, ToolbarWrapsOntoASecondRowWhenNarrow)
{
    window().show();
    const int oneRow = window().RzToolbarPictures->height();
    window().resize(300, 400);
    window().setMinimumSize(100, 100);
    window().resize(150, 400);
    QApplication::processEvents();
    EXPECT_GT(window().RzToolbarPictures->height(), oneRow);
    EXPECT_EQ(oneRow, TToolbarPanel::Thickness);
}

TEST(FormatThousands, GroupsInThrees)
{
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1 000");
    EXPECT_EQ(FormatThousands(123456), "123 456");
    EXPECT_EQ(FormatThousands(40000000), "40 000 000");
    EXPECT_EQ(FormatThousands(4294967295u), "4 294 967 295");
}

TEST(DialogStartFolder, DropsOneTrailingSeparator)
{
    EXPECT_EQ(DialogStartFolder("C:\\Tools\\"), "C:\\Tools");
    EXPECT_EQ(DialogStartFolder("D:\\"), "D:\\");
    EXPECT_EQ(DialogStartFolder("/home/u/"), "/home/u");
    EXPECT_EQ(DialogStartFolder("/"), "/");
    EXPECT_EQ(DialogStartFolder("/home/u"), "/home/u");
}

using Counting = MainWindowFixture;

TEST_F(Counting, LineBreaksCountAsTwo)
{
    editor().LoadPlainText(QStringLiteral("ab\ncd"));
    EXPECT_EQ(window().StatusPanel->text(), QStringLiteral("Количество символов:    6"));
    editor().LoadPlainText(QString(1000, QLatin1Char('x')));
    EXPECT_EQ(window().StatusPanel->text(), QStringLiteral("Количество символов:    1 000"));
    editor().LoadPlainText(QStringLiteral("a\r\nb\rc"));
    EXPECT_EQ(editor().CharCount(), 7);
}

TEST_F(Counting, ThePanelHoldsTheWholeCountInTheFontItHas)
{
    window().show();
    EXPECT_EQ(window().StatusPanel->width(), 200) << "a short count keeps the designed width";
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setPixelSize(15);
    window().StatusPanel->setFont(wide);
    QString text;
    for (int line = 0; line < 12'346; ++line)
        text += QString(98, QLatin1Char('x')) + QLatin1Char('\n'); // 1,234,600 in all
    editor().LoadPlainText(text);
    QApplication::processEvents();
    const QLabel& panel = *window().StatusPanel;
    ASSERT_EQ(panel.text(), QStringLiteral("Количество символов:    1 234 600"));
    EXPECT_GE(panel.contentsRect().width(), QFontMetrics(panel.font()).horizontalAdvance(panel.text()));
    EXPECT_GT(panel.width(), 200);
}

TEST_F(Counting, TypingBeyondTheLimitIsRefused)
{
    editor().SetTextLimit(5);
    window().show();
    editor().setFocus();
    QTest::keyClicks(&editor(), QStringLiteral("abcdefg"));
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("abcde"));
    QTest::keyClick(&editor(), Qt::Key_Return);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("abcde"));

    editor().selectAll();
    QMimeData mime;
    mime.setText(QStringLiteral("12\n34567"));
    editor().insertFromMimeData(&mime); // replaces the selection, cut to fit
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("12\n3"));
}

using Shortcuts = MainWindowFixture;

TEST_F(Shortcuts, DisabledItemConsumesItsKey)
{
    window().show();
    editor().setFocus();
    QTest::keyClicks(&editor(), QStringLiteral("abc"));
    ASSERT_FALSE(window().MnuEditCut->isEnabled()); // nothing selected
    QTest::keyClick(&editor(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("abc"));
    QTest::keyClick(&editor(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(editor().textCursor().selectedText(), QStringLiteral("abc"));
}

TEST_F(Shortcuts, EditShortcutRefreshesStatesFirst)
{
    window().show();
    editor().setFocus();
    editor().LoadPlainText(QStringLiteral("hello"));
    editor().selectAll(); // no key event: states are stale
    ASSERT_FALSE(window().MnuEditDelete->isEnabled());
    QTest::keyClick(&editor(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(editor().toPlainText(), QString()) << "the Edit menu's click enabled Cut before it ran";
}

TEST_F(Shortcuts, RussianLayoutLettersWork)
{
    window().show();
    editor().setFocus();
    editor().LoadPlainText(QStringLiteral("текст"));
    QKeyEvent press(QEvent::KeyPress, 0x0424, Qt::ControlModifier, QStringLiteral("ф")); // Ф is on the A key
    QApplication::sendEvent(&editor(), &press);
    EXPECT_EQ(editor().textCursor().selectedText(), QStringLiteral("текст"));
}

TEST_F(Shortcuts, SaveKeyNeverReachesTheEditor)
{
    window().show();
    editor().setFocus();
    ScriptNewPassword(QStringLiteral("pw"));
    prompts.SaveNames.push_back(std::nullopt);
    QTest::keyClick(&editor(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(prompts.DialogsShown, QStringList{"FrmPasswordCreate"});
    EXPECT_EQ(prompts.SaveStartFolders.size(), 1);
    EXPECT_TRUE(editor().toPlainText().isEmpty());
}

using Links = MainWindowFixture;

TEST_F(Links, LeftClickOnAddressOpensIt)
{
    window().show();
    editor().LoadPlainText(QStringLiteral("see www.example.org/a now\nmail mailto:me@example.org"));
    QApplication::processEvents();
    const auto pointAt = [this](int position) {
        QTextCursor c(editor().document());
        c.setPosition(position);
        return editor().cursorRect(c).center() + QPoint(3, 0);
    };
    QTest::mouseClick(editor().viewport(), Qt::RightButton, {}, pointAt(6));
    EXPECT_TRUE(shell.Opened.isEmpty());
    QTest::mouseClick(editor().viewport(), Qt::LeftButton, {}, pointAt(1));
    EXPECT_TRUE(shell.Opened.isEmpty());
    QTest::mouseClick(editor().viewport(), Qt::LeftButton, {}, pointAt(6));
    EXPECT_EQ(shell.Opened, QStringList{"http://www.example.org/a"});
    QTest::mouseClick(editor().viewport(), Qt::LeftButton, {}, pointAt(33));
    EXPECT_EQ(shell.Opened.value(1), QStringLiteral("mailto:me@example.org"));
    EXPECT_EQ(editor().toPlainText().left(4), QStringLiteral("see ")) << "links do not change the text";
}

TEST_F(Shortcuts, LatinKeysReachTheCyrillicAccessLetters)
{
    window().show();
    editor().setFocus();
    QTest::keyClick(&editor(), Qt::Key_D, Qt::AltModifier); // В of "&Вид" is on the D key
    EXPECT_EQ(window().MnuGeneralTop->activeAction(), window().MnuView->menuAction());
    EXPECT_TRUE(editor().toPlainText().isEmpty()) << "the key does not reach the editor";
    QTest::keyClick(window().MnuView, Qt::Key_G); // П of "&Панель инструментов"
    EXPECT_TRUE(window().MnuViewPanel->isVisible());
    QTest::keyClick(window().MnuViewPanel, Qt::Key_K); // л of "С&лева"
    EXPECT_TRUE(window().MnuViewPanelLeft->isChecked());
}

TEST_F(Links, OnlyLinesOnScreenAreMarkedAndTheTextStaysPlain)
{
    window().show();
    QString text = QStringLiteral("top https://example.org/a\n");
    for (int i = 0; i < 5000; ++i)
        text += QStringLiteral("line %1\n").arg(i);
    text += QStringLiteral("bottom www.example.org");
    editor().LoadPlainText(text);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    editor().repaint();
    const auto marked = [this] {
        QStringList links;
        for (const QTextEdit::ExtraSelection& mark : editor().extraSelections()) {
            EXPECT_TRUE(mark.format.fontUnderline());
            links << mark.cursor.selectedText();
        }
        return links;
    };
    EXPECT_EQ(marked(), QStringList{"https://example.org/a"});
    editor().moveCursor(QTextCursor::End);
    editor().repaint();
    EXPECT_EQ(marked(), QStringList{"www.example.org"});
    editor().insertPlainText(QStringLiteral(" and ftp://files.example.org"));
    editor().repaint();
    EXPECT_EQ(marked(), (QStringList{"www.example.org", "ftp://files.example.org"}));
    const QTextBlock last = editor().document()->lastBlock();
    for (auto it = last.begin(); !it.atEnd(); ++it)
        EXPECT_FALSE(it.fragment().charFormat().fontUnderline()) << "the document's own formats are untouched";
}
