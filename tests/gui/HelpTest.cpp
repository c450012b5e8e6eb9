// The help window and the help file: one window however often F1 is pressed,
// nothing without a help file, and a help file that describes the program's
// real menus and password rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "MainWindowFixture.h"
#include "U_Help.h"
#include "U_Password.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

// The help file as it lies in the source tree.
QString SourceHelpFile()
{
    return QStringLiteral(TAINOTEKA_SOURCE_DIR "/resources/help/help.html");
}

QString ReadSourceHelp()
{
    QFile file(SourceHelpFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// A program folder holding a copy of the help file.
class HelpFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QFile::exists(SourceHelpFile())) << SourceHelpFile().toStdString();
        ASSERT_TRUE(QFile::copy(SourceHelpFile(), folder.filePath(HelpFileName)));
    }

    int OpenHelpWindows() const
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<THelpWindow*>(widget))
                ++count;
        return count;
    }

    QTemporaryDir folder;
    RecordingShell shell;
};

QString Caption(const QAction* action)
{
    QString text = action->text().section(QLatin1Char('\t'), 0, 0);
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

QString CellText(QTextTable* table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText().simplified();
}

// Every table row of the document as its cells' plain texts.
QList<QStringList> TableRows(const QTextDocument& document)
{
    QList<QStringList> rows;
    QList<QTextFrame*> pending = {document.rootFrame()};
    while (!pending.isEmpty()) {
        QTextFrame* frame = pending.takeFirst();
        pending += frame->childFrames();
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        for (int row = 0; row < table->rows(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columns(); ++column)
                cells << CellText(table, row, column);
            rows << cells;
        }
    }
    return rows;
}

QString Unescape(QString text)
{
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

} // namespace

TEST(HelpPath, BesideTheProgramWithOrWithoutTrailingSeparator)
{
    EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/tainoteka/")), QStringLiteral("/opt/tainoteka/help.html"));
    EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/tainoteka")), QStringLiteral("/opt/tainoteka/help.html"));
}

TEST_F(HelpFolder, OpensWindowWithItsTitle)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    THelpWindow* window = viewer.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Справка - Тайнотека"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_EQ(QFileInfo(window->Browser->source().toLocalFile()), QFileInfo(folder.filePath(HelpFileName)));
    EXPECT_TRUE(shell.Opened.isEmpty()) << "the help is shown in the program's own window";
}

TEST_F(HelpFolder, SecondRequestReusesTheWindow)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path() + QLatin1Char('/'));
    THelpWindow* first = viewer.Window();
    ASSERT_NE(first, nullptr);
    first->Browser->scrollToAnchor(QStringLiteral("txtp"));
    const QUrl shownBefore = first->Browser->source();

    viewer.ShowHelp(folder.path() + QLatin1Char('/'));
    EXPECT_EQ(viewer.Window(), first);
    EXPECT_EQ(OpenHelpWindows(), 1);
    EXPECT_EQ(first->Browser->source(), shownBefore);
}

TEST_F(HelpFolder, MinimisedWindowIsRestored)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    THelpWindow* window = viewer.Window();
    ASSERT_NE(window, nullptr);
    window->showMinimized();
    ASSERT_TRUE(window->isMinimized());

    viewer.ShowHelp(folder.path());
    EXPECT_EQ(viewer.Window(), window);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(OpenHelpWindows(), 1);
}

TEST_F(HelpFolder, MaximisedThenMinimisedComesBackMaximised)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    THelpWindow* window = viewer.Window();
    ASSERT_NE(window, nullptr);
    window->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);

    viewer.ShowHelp(folder.path());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isMaximized());
}

TEST_F(HelpFolder, OpenWindowIsFoundEvenWhenTheFileIsGone)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    THelpWindow* window = viewer.Window();
    ASSERT_NE(window, nullptr);
    window->showMinimized();
    ASSERT_TRUE(QFile::remove(folder.filePath(HelpFileName)));

    viewer.ShowHelp(folder.path());
    EXPECT_EQ(viewer.Window(), window);
    EXPECT_FALSE(window->isMinimized());
}

TEST_F(HelpFolder, ClosedWindowIsOpenedAfresh)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    ASSERT_NE(viewer.Window(), nullptr);
    viewer.Window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(viewer.Window(), nullptr);
    EXPECT_EQ(OpenHelpWindows(), 0);

    viewer.ShowHelp(folder.path());
    ASSERT_NE(viewer.Window(), nullptr);
    EXPECT_TRUE(viewer.Window()->isVisible());
    EXPECT_EQ(OpenHelpWindows(), 1);
}

TEST(HelpMissing, NoFileNoWindow)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    RecordingShell shell;
    THelpViewer viewer(&shell);
    viewer.ShowHelp(empty.path());
    EXPECT_EQ(viewer.Window(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<THelpWindow*>(widget) && widget->isVisible());
    EXPECT_TRUE(shell.Opened.isEmpty());
}

TEST(HelpMissing, FolderIsTheGivenOneNotTheWorkingFolder)
{
    // A help file in the working folder must not stand in for the program's.
    QTemporaryDir working, program;
    ASSERT_TRUE(working.isValid() && program.isValid());
    ASSERT_TRUE(QFile::copy(SourceHelpFile(), working.filePath(HelpFileName)));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    THelpViewer viewer;
    viewer.ShowHelp(program.path());
    QDir::setCurrent(before);
    EXPECT_EQ(viewer.Window(), nullptr);
}

TEST_F(HelpFolder, LinksOutsideTheHelpGoToTheShell)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    THelpWindow* window = viewer.Window();
    ASSERT_NE(window, nullptr);
    const QUrl shown = window->Browser->source();

    window->FollowLink(QUrl(QStringLiteral("https://example.org/tainoteka")));
    window->FollowLink(QUrl(QStringLiteral("mailto:someone@example.org")));
    EXPECT_EQ(shell.Opened, QStringList({QStringLiteral("https://example.org/tainoteka"),
                                         QStringLiteral("mailto:someone@example.org")}));
    EXPECT_EQ(window->Browser->source(), shown);

    shell.Opened.clear();
    window->FollowLink(QUrl(QStringLiteral("#password")));
    EXPECT_TRUE(shell.Opened.isEmpty()) << "a place inside the help stays in the window";
    EXPECT_EQ(window->Browser->source().toLocalFile(), shown.toLocalFile());
}

TEST_F(HelpFolder, DocumentLoadsWithTitleAndEveryCommand)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    ASSERT_NE(viewer.Window(), nullptr);
    const QTextDocument* document = viewer.Window()->Browser->document();
    EXPECT_EQ(document->metaInformation(QTextDocument::DocumentTitle), QStringLiteral("Справка - Тайнотека"));
    const QString text = document->toPlainText();

    const QStringList captions = {
        QStringLiteral("Файл"), QStringLiteral("Создать"), QStringLiteral("Открыть..."),
        QStringLiteral("Сохранить"), QStringLiteral("Сохранить как..."),
        QStringLiteral("Назначить/сменить пароль"), QStringLiteral("Выход"),
        QStringLiteral("Правка"), QStringLiteral("Буфер обмена (вкл/выкл)"), QStringLiteral("Вырезать"),
        QStringLiteral("Копировать"), QStringLiteral("Вставить"), QStringLiteral("Удалить"),
        QStringLiteral("Выделить все"), QStringLiteral("Формат"), QStringLiteral("Шрифт..."),
        QStringLiteral("Вид"), QStringLiteral("Панель инструментов"), QStringLiteral("Сверху"),
        QStringLiteral("Снизу"), QStringLiteral("Слева"), QStringLiteral("Справа"),
        QStringLiteral("Справка"), QStringLiteral("Вызов справки"), QStringLiteral("О программе")};
    for (const QString& caption : captions)
        EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
    // The settings file, the protection limits and the companion tool are all told of.
    for (const QString& topic : {QStringLiteral("options.ini"), QStringLiteral("[DIR]"),
                                 QStringLiteral("[POSITON TOOLBARPICTURES]"), QStringLiteral("[FONT]"),
                                 QStringLiteral("[CLIPBOARD]"), QStringLiteral("Windows-1251"),
                                 QStringLiteral("PRIMARY"), QStringLiteral("Wayland"),
                                 QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("x-kde-passwordManagerHint"),
                                 QStringLiteral("CanIncludeInClipboardHistory"),
                                 QStringLiteral("txtp encrypt"), QStringLiteral("env:"), QStringLiteral("file:"),
                                 QStringLiteral("fd:")})
        EXPECT_TRUE(text.contains(topic)) << topic.toStdString();
}

TEST_F(HelpFolder, EveryCommandStandsInATableRowWithItsShortcut)
{
    THelpViewer viewer(&shell);
    viewer.ShowHelp(folder.path());
    ASSERT_NE(viewer.Window(), nullptr);
    const QList<QStringList> rows = TableRows(*viewer.Window()->Browser->document());
    ASSERT_FALSE(rows.isEmpty());

    const QList<QPair<QString, QString>> commands = {
        {QStringLiteral("Создать"), QStringLiteral("Ctrl+N")},
        {QStringLiteral("Открыть..."), QStringLiteral("Ctrl+O")},
        {QStringLiteral("Сохранить"), QStringLiteral("Ctrl+S")},
        {QStringLiteral("Сохранить как..."), QStringLiteral("Ctrl+Shift+S")},
        {QStringLiteral("Назначить/сменить пароль"), QStringLiteral("Ctrl+Alt+P")},
        {QStringLiteral("Выход"), QStringLiteral("Ctrl+Q")},
        {QStringLiteral("Отменить"), QStringLiteral("Ctrl+Z")},
        {QStringLiteral("Повторить"), QStringLiteral("Ctrl+Y, Ctrl+Shift+Z")},
        {QStringLiteral("Буфер обмена (вкл/выкл)"), QStringLiteral("—")},
        {QStringLiteral("Вырезать"), QStringLiteral("Ctrl+X")},
        {QStringLiteral("Копировать"), QStringLiteral("Ctrl+C")},
        {QStringLiteral("Вставить"), QStringLiteral("Ctrl+V")},
        {QStringLiteral("Удалить"), QStringLiteral("—")},
        {QStringLiteral("Выделить все"), QStringLiteral("Ctrl+A")},
        {QStringLiteral("Шрифт..."), QStringLiteral("Ctrl+F")},
        {QStringLiteral("Вызов справки"), QStringLiteral("F1")},
        {QStringLiteral("О программе"), QStringLiteral("—")},
    };
    for (const auto& [caption, shortcut] : commands) {
        bool found = false;
        for (const QStringList& row : rows)
            found = found || (row.size() >= 2 && row.at(0) == caption && row.at(1) == shortcut);
        EXPECT_TRUE(found) << caption.toStdString() << " with " << shortcut.toStdString();
    }
    for (const QString& edge : {QStringLiteral("Сверху"), QStringLiteral("Снизу"), QStringLiteral("Слева"),
                                QStringLiteral("Справа")}) {
        bool found = false;
        for (const QStringList& row : rows)
            found = found || (!row.isEmpty() && row.at(0) == edge);
        EXPECT_TRUE(found) << edge.toStdString();
    }
}

TEST(HelpFile, InnerLinksAllLeadSomewhere)
{
    const QString html = ReadSourceHelp();
    ASSERT_FALSE(html.isEmpty());
    QSet<QString> names;
    for (const auto& match : QRegularExpression(QStringLiteral("name=\"([^\"]+)\"")).globalMatch(html))
        names.insert(match.captured(1));
    int links = 0;
    for (const auto& match : QRegularExpression(QStringLiteral("href=\"#([^\"]+)\"")).globalMatch(html)) {
        ++links;
        EXPECT_TRUE(names.contains(match.captured(1))) << match.captured(1).toStdString();
    }
    EXPECT_GE(links, 10);
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Справка - Тайнотека</title>")));
}

TEST(HelpFile, PasswordCharactersAgreeWithThePasswordDialog)
{
    const QString html = ReadSourceHelp();
    ASSERT_FALSE(html.isEmpty());

    const QRegularExpressionMatch allowedLine =
        QRegularExpression(QStringLiteral("<li>знаки ((?:<code>[^<]+</code>\\s*)+)\\.</li>")).match(html);
    ASSERT_TRUE(allowedLine.hasMatch());
    QString allowed;
    for (const auto& match : QRegularExpression(QStringLiteral("<code>([^<]+)</code>")).globalMatch(allowedLine.captured(1)))
        allowed += Unescape(match.captured(1));

    const QRegularExpressionMatch refusedLine =
        QRegularExpression(QStringLiteral("Запрещены[^<]*<code>Ё</code>[^<]*<code>ё</code>[\\s\\S]*?знаки\\s*<code>([^<]+)</code>"))
            .match(html);
    ASSERT_TRUE(refusedLine.hasMatch());
    const QString refused = Unescape(refusedLine.captured(1)).remove(QLatin1Char(' '));

    // Together with digits, Latin letters and the blank, the two lists cover
    // every printable ASCII character, and each says what the dialog does.
    for (char16_t c = 0x20; c <= 0x7E; ++c) {
        const QChar ch(c);
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        const bool listedAllowed = alnum || c == u' ' || allowed.contains(ch);
        const bool listedRefused = refused.contains(ch);
        EXPECT_NE(listedAllowed, listedRefused) << "listed in neither or both: " << char(c);
        EXPECT_EQ(TFrmPasswordCreate::IsValidPasswordText(QString(ch)), listedAllowed) << char(c);
    }
    EXPECT_FALSE(TFrmPasswordCreate::IsValidPasswordText(QStringLiteral("Ё")));
    EXPECT_FALSE(TFrmPasswordCreate::IsValidPasswordText(QStringLiteral("ё")));
    EXPECT_TRUE(TFrmPasswordCreate::IsValidPasswordText(QStringLiteral("АЯая")));
    EXPECT_TRUE(html.contains(QStringLiteral("<b>20 символов</b>")));
}

// The help must keep up with the program: every caption of the real menu bar
// is found in it.
using HelpAndMenus = MainWindowFixture;

TEST_F(HelpAndMenus, EveryMenuCaptionOfTheWindowIsExplained)
{
    QTextDocument document;
    document.setHtml(ReadSourceHelp());
    const QString text = document.toPlainText();
    ASSERT_FALSE(text.isEmpty());

    int checked = 0;
    QList<QMenu*> menus;
    for (QAction* top : window().menuBar()->actions()) {
        EXPECT_TRUE(text.contains(Caption(top))) << Caption(top).toStdString();
        ++checked;
        if (top->menu())
            menus << top->menu();
    }
    while (!menus.isEmpty()) {
        QMenu* menu = menus.takeFirst();
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            EXPECT_TRUE(text.contains(Caption(action))) << Caption(action).toStdString();
            ++checked;
            if (action->menu())
                menus << action->menu();
        }
    }
    EXPECT_GE(checked, 25);
}
