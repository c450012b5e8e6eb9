#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "ClipboardGuard.h"
#include "ElidedLabel.h"
#include "FindField.h"
#include "FindPanel.h"
#include "MainWindowFixture.h"
#include "SecretClipboard.h"
#include "ToolbarPanel.h"

using namespace tainoteka;
using namespace tainoteka::test;

class FindPanel : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        editor().setFocus();
        QApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        window().ClipboardGuard->SetActive(false);
        QApplication::clipboard()->clear();
    }

    TFindPanel& panel() { return *window().FindPanel; }
    QString Selected() { return editor().textCursor().selectedText(); }
    qsizetype SelectionStart() { return editor().textCursor().selectionStart(); }
    QString Message() { return panel().LblFindMessage->text(); }
    void Caret(int position)
    {
        QTextCursor cursor = editor().textCursor();
        cursor.setPosition(position);
        editor().setTextCursor(cursor);
    }
    // Typed as keys, any letters.
    void Type(QWidget* target, const QString& text)
    {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, key, modifiers);
    }
    // The ranges marked on the lines on screen, as text positions.
    QList<QPair<int, int>> MarkedRanges()
    {
        editor().viewport()->repaint();
        QList<QPair<int, int>> ranges;
        for (const QTextEdit::ExtraSelection& mark : editor().extraSelections())
            if (mark.format.background().style() != Qt::NoBrush)
                ranges.append({mark.cursor.selectionStart(), mark.cursor.selectionEnd()});
        return ranges;
    }
    void SwitchClipboardOff()
    {
        window().MnuEditClipboard->setChecked(false);
        window().MnuEditClipboardClick();
    }
    QString Caption(QAction* action) { return action->text().section(QLatin1Char('\t'), 0, 0); }
    QList<QWidget*> Controls()
    {
        return {panel().LblFind,         panel().TxtFind,     panel().LblReplace,   panel().TxtReplace,
                panel().BtnFindNext,     panel().BtnFindPrevious, panel().BtnReplace, panel().BtnReplaceAll,
                panel().ChkMatchCase,    panel().ChkWholeWord,    panel().LblFindMessage, panel().BtnFindClose};
    }
    QRect InPanel(QWidget* control) { return {control->mapTo(&panel(), QPoint(0, 0)), control->size()}; }
};

// With the wrap message shown, in both modes, at widths down to the
// window's narrowest. The test command runs this at 150 % and 200 % too.
TEST_F(FindPanel, NothingOverlapsAndEveryTextFits)
{
    editor().LoadPlainText(QStringLiteral("кот"));
    for (const int width : {TFrmGeneral::FirstWidth, 600, 450, 300})
        for (const bool replace : {false, true}) {
            const std::string where = "width " + std::to_string(width) + (replace ? ", replacing" : ", finding");
            window().resize(width, TFrmGeneral::FirstHeight);
            replace ? window().MnuEditReplaceClick() : window().MnuEditFindClick();
            panel().TxtFind->setText(QStringLiteral("кот"));
            panel().BtnFindNext->click();
            panel().BtnFindNext->click();
            QApplication::processEvents();
            ASSERT_EQ(Message(), TFindPanel::WrappedToStart) << where;

            QList<QWidget*> shown;
            for (QWidget* control : Controls())
                if (control->isVisible())
                    shown.append(control);
            for (QWidget* control : shown) {
                const std::string name = control->objectName().toStdString() + " at " + where;
                EXPECT_TRUE(panel().rect().contains(InPanel(control))) << name << " is cut off";
                for (QWidget* other : shown)
                    EXPECT_TRUE(other == control || !InPanel(control).intersects(InPanel(other)))
                        << name << " overlaps " << other->objectName().toStdString();
                const bool hasText = control != panel().LblFindMessage && !qobject_cast<QLineEdit*>(control);
                EXPECT_TRUE(!hasText || control->width() >= control->sizeHint().width())
                    << name << ": its text is cut";
            }
            for (QWidget* field : {panel().TxtFind, panel().TxtReplace})
                EXPECT_TRUE(!field->isVisible() || field->width() >= TFindPanel::UsableFieldWidth) << where;
            const TElidedLabel& message = *panel().LblFindMessage;
            const bool whole =
                message.contentsRect().width() >= message.fontMetrics().horizontalAdvance(message.text());
            EXPECT_TRUE(whole || width < TFrmGeneral::FirstWidth) << "the message is cut at " << where;
            EXPECT_TRUE(whole || message.toolTip() == message.text()) << "no whole text in the tooltip at " << where;
            EXPECT_TRUE(width > TFrmGeneral::FirstWidth * 0.5
                        || InPanel(panel().BtnFindNext).top() >= InPanel(panel().TxtFind).bottom())
                << "in a narrow window the buttons go below the fields, at " << where;
        }
}

TEST_F(FindPanel, ReopeningShowsTheSelectionAndNothingStale)
{
    editor().LoadPlainText(QStringLiteral("кот и пёс"));
    const QColor normal = panel().TxtFind->palette().color(QPalette::Base);
    for (const auto& [typed, key] : {std::pair{QStringLiteral("ёж"), Qt::Key_unknown}, {QStringLiteral("кот"), Qt::Key_Return}}) {
        Caret(0);
        window().MnuEditFindClick();
        Type(panel().TxtFind, typed);
        if (key != Qt::Key_unknown)
            Key(panel().TxtFind, key);
        ASSERT_FALSE(Message().isEmpty());
        Key(panel().TxtFind, Qt::Key_Escape);
        QTextCursor word(editor().document());
        word.setPosition(6);
        word.setPosition(9, QTextCursor::KeepAnchor);
        editor().setTextCursor(word);
        window().MnuEditFindClick();
        EXPECT_EQ(panel().TxtFind->text(), QStringLiteral("пёс"));
        EXPECT_TRUE(Message().isEmpty()) << "still says " << Message().toStdString();
        EXPECT_FALSE(panel().IsNotFoundShown());
        EXPECT_EQ(panel().TxtFind->palette().color(QPalette::Base), normal);
        Key(panel().TxtFind, Qt::Key_Escape);
    }
}

TEST_F(FindPanel, KeysActAsInEveryEditor)
{
    editor().LoadPlainText(QStringLiteral("раз два раз"));
    window().MnuEditReplaceClick();
    Type(panel().TxtFind, QStringLiteral("раз"));
    Type(panel().TxtReplace, QStringLiteral("1"));
    panel().BtnReplaceAll->setFocus();
    panel().BtnReplaceAll->click();
    ASSERT_EQ(editor().toPlainText(), QStringLiteral("1 два 1"));
    Key(panel().BtnReplaceAll, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("раз два раз")) << "Ctrl+Z on a button undoes the text";
    Key(panel().ChkMatchCase, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два 1"));
    Key(panel().TxtReplace, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два 1")) << "a field undoes its own typing";
    EXPECT_TRUE(panel().TxtReplace->text().isEmpty());

    // Access letters work only in the active window.
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    for (const auto& [letter, box] : {std::pair{u'Р', panel().ChkMatchCase}, {u'Ц', panel().ChkWholeWord}}) {
        QTest::sendKeyEvent(QTest::Click, panel().TxtFind, Qt::Key(letter), QString(QChar(letter)).toLower(),
                            Qt::AltModifier);
        // A box pressed by its letter toggles once its press has been shown.
        EXPECT_TRUE(QTest::qWaitFor([box = box] { return box->isChecked(); }))
            << box->objectName().toStdString() << " has no access letter";
    }
    panel().ChkWholeWord->setFocus();
    Key(panel().ChkWholeWord, Qt::Key_Tab);
    EXPECT_TRUE(editor().hasFocus()) << "Tab from the last control goes back to the text";
    Key(&editor(), Qt::Key_Escape);
    EXPECT_FALSE(panel().isVisible()) << "Esc in the text closes the panel";

    // F3 with the panel closed: a wrap is told in the status bar, the panel stays shut.
    panel().TxtFind->setText(QStringLiteral("1"));
    Caret(int(editor().toPlainText().size()));
    Key(&editor(), Qt::Key_F3);
    EXPECT_EQ(SelectionStart(), 0);
    EXPECT_FALSE(panel().isVisible());
    EXPECT_TRUE(window().StatusFindMessage->isVisible());
    EXPECT_EQ(window().StatusFindMessage->text(), TFindPanel::WrappedToStart);
}

TEST_F(FindPanel, CommandsFollowSelectAllInTheEditMenu)
{
    const QList<QAction*> items = window().MnuEdit->actions();
    const int selectAll = int(items.indexOf(window().MnuEditSelectAll));
    ASSERT_EQ(items.size(), selectAll + 6);
    EXPECT_TRUE(items.at(selectAll + 1)->isSeparator());
    const QList<QAction*> find{window().MnuEditFind, window().MnuEditFindNext, window().MnuEditFindPrevious,
                               window().MnuEditReplace};
    EXPECT_EQ(items.mid(selectAll + 2), find);
    EXPECT_EQ(Caption(window().MnuEditFind), QStringLiteral("&Найти..."));
    EXPECT_EQ(Caption(window().MnuEditFindNext), QStringLiteral("Найти &далее"));
    EXPECT_EQ(Caption(window().MnuEditFindPrevious), QStringLiteral("Найти &ранее"));
    EXPECT_EQ(Caption(window().MnuEditReplace), QStringLiteral("&Заменить..."));
    QSet<QKeySequence> letters;
    for (QAction* item : items)
        if (!item->isSeparator())
            letters.insert(QKeySequence::mnemonic(item->text()));
    EXPECT_EQ(letters.size(), items.size() - 4) << "every item of the menu has a letter of its own";
    EXPECT_TRUE(window().MnuEditFind->text().endsWith(QKeySequence("Ctrl+Shift+F").toString(QKeySequence::NativeText)));
    EXPECT_TRUE(window().MnuEditFindNext->text().endsWith(QStringLiteral("\tF3")));
    EXPECT_TRUE(window().MnuEditFindPrevious->text().endsWith(QKeySequence("Shift+F3").toString(QKeySequence::NativeText)));
    EXPECT_TRUE(window().MnuEditReplace->text().endsWith(QKeySequence("Ctrl+H").toString(QKeySequence::NativeText)));
}

TEST_F(FindPanel, KeysOpenThePanelAndCtrlFStaysTheFont)
{
    EXPECT_FALSE(panel().isVisible());
    Key(&editor(), Qt::Key_F3);
    EXPECT_TRUE(panel().isVisible()) << "F3 with nothing searched opens the panel";
    EXPECT_TRUE(panel().TxtFind->hasFocus());
    EXPECT_FALSE(panel().TxtReplace->isVisible());
    Key(panel().TxtFind, Qt::Key_Escape);
    EXPECT_FALSE(panel().isVisible());
    EXPECT_TRUE(editor().hasFocus());

    Key(&editor(), Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(panel().TxtReplace->isVisible());
    Key(panel().TxtFind, Qt::Key_Escape);
    Key(&editor(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(panel().isVisible());
    EXPECT_FALSE(panel().TxtReplace->isVisible());
    Key(panel().TxtFind, Qt::Key_Escape);

    prompts.Fonts.push_back(std::nullopt);
    Key(&editor(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(prompts.Fonts.empty()) << "Ctrl+F asked for a font";
    EXPECT_FALSE(panel().isVisible());
}

TEST_F(FindPanel, PanelSitsBetweenEditorAndStatusBarInTheWindowFont)
{
    window().MnuEditReplaceClick();
    QApplication::processEvents();
    const auto top = [](QWidget* w) { return w->mapTo(w->window(), QPoint(0, 0)).y(); };
    EXPECT_EQ(top(&editor()) + editor().height(), top(&panel()));
    EXPECT_EQ(top(&panel()) + panel().height(), top(window().StatusBar));
    window().MnuViewPanelBottom->trigger();
    QApplication::processEvents();
    EXPECT_LT(top(&panel()), top(window().RzToolbarPictures));
    EXPECT_EQ(panel().font(), window().font());
    EXPECT_EQ(panel().LblFind->text(), QStringLiteral("Найти:"));
    EXPECT_EQ(panel().LblReplace->text(), QStringLiteral("Заменить на:"));
    EXPECT_EQ(panel().ChkMatchCase->text(), QStringLiteral("С учётом &регистра"));
    EXPECT_EQ(panel().ChkWholeWord->text(), QStringLiteral("Слово &целиком"));
    EXPECT_EQ(panel().BtnFindNext->text(), QStringLiteral("Далее"));
    EXPECT_EQ(panel().BtnFindPrevious->text(), QStringLiteral("Ранее"));
    EXPECT_EQ(panel().BtnReplace->text(), QStringLiteral("Заменить"));
    EXPECT_EQ(panel().BtnReplaceAll->text(), QStringLiteral("Заменить все"));
    EXPECT_TRUE(panel().BtnFindClose->isVisible());
}

TEST_F(FindPanel, TypingSearchesFromTheCaretAndMarksVisibleMatches)
{
    editor().LoadPlainText(QStringLiteral("Ёлка у дома, ёлка в лесу,\nелка и ЁЛКА"));
    Caret(5);
    window().MnuEditFindClick();
    Type(panel().TxtFind, QStringLiteral("ёл"));
    EXPECT_EQ(SelectionStart(), 13);
    Type(panel().TxtFind, QStringLiteral("ка"));
    EXPECT_EQ(SelectionStart(), 13) << "the longer text still matches where it was";
    EXPECT_EQ(Selected(), QStringLiteral("ёлка"));
    EXPECT_TRUE(Message().isEmpty());
    EXPECT_EQ(MarkedRanges(), (QList<QPair<int, int>>{{0, 4}, {13, 17}, {33, 37}})) << "елка is another word";

    panel().ChkMatchCase->setChecked(true);
    EXPECT_EQ(SelectionStart(), 13);
    EXPECT_EQ(MarkedRanges(), (QList<QPair<int, int>>{{13, 17}}));

    Key(panel().TxtFind, Qt::Key_Escape);
    EXPECT_TRUE(MarkedRanges().isEmpty()) << "no marks once the panel is closed";
    EXPECT_EQ(Selected(), QStringLiteral("ёлка")) << "the caret stays at the found text";
    EXPECT_TRUE(editor().hasFocus());
}

TEST_F(FindPanel, EnterFindsNextShiftEnterPreviousWithWrapMessages)
{
    editor().LoadPlainText(QStringLiteral("кот, кот и кот"));
    window().MnuEditFindClick();
    Type(panel().TxtFind, QStringLiteral("кот"));
    EXPECT_EQ(SelectionStart(), 0);
    Key(panel().TxtFind, Qt::Key_Return);
    EXPECT_EQ(SelectionStart(), 5);
    Key(panel().TxtFind, Qt::Key_Return);
    EXPECT_EQ(SelectionStart(), 11);
    EXPECT_TRUE(Message().isEmpty());
    Key(panel().TxtFind, Qt::Key_Return);
    EXPECT_EQ(SelectionStart(), 0);
    EXPECT_EQ(Message(), QStringLiteral("Поиск продолжен с начала"));
    Key(panel().TxtFind, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(SelectionStart(), 11);
    EXPECT_EQ(Message(), QStringLiteral("Поиск продолжен с конца"));
    Key(panel().TxtFind, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(SelectionStart(), 5);
    EXPECT_TRUE(Message().isEmpty());

    Key(&editor(), Qt::Key_F3);
    EXPECT_EQ(SelectionStart(), 11);
    Key(&editor(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(SelectionStart(), 5);
    panel().BtnFindPrevious->click();
    EXPECT_EQ(SelectionStart(), 0);
    panel().BtnFindNext->click();
    EXPECT_EQ(SelectionStart(), 5);
}

TEST_F(FindPanel, NoMatchTurnsTheFieldRed)
{
    editor().LoadPlainText(QStringLiteral("ежи\nи ёжики"));
    window().MnuEditFindClick();
    const QColor normal = panel().TxtFind->palette().color(QPalette::Base);
    Type(panel().TxtFind, QStringLiteral("ёжи"));
    EXPECT_EQ(Selected(), QStringLiteral("ёжи"));
    panel().ChkWholeWord->setChecked(true);
    EXPECT_EQ(Message(), QStringLiteral("Не найдено"));
    EXPECT_NE(panel().TxtFind->palette().color(QPalette::Base), normal);
    EXPECT_EQ(panel().TxtFind->palette().color(QPalette::Base), QColor(255, 204, 204));
    panel().ChkWholeWord->setChecked(false);
    EXPECT_TRUE(Message().isEmpty());
    EXPECT_EQ(panel().TxtFind->palette().color(QPalette::Base), normal);
    Type(panel().TxtFind, QStringLiteral("ии"));
    EXPECT_EQ(Message(), QStringLiteral("Не найдено"));
    panel().TxtFind->setText(QStringLiteral("жи\nи"));
    Caret(0);
    panel().BtnFindNext->click();
    EXPECT_EQ(Selected(), QStringLiteral("жи") + QChar::ParagraphSeparator + QStringLiteral("и"));
    EXPECT_TRUE(Message().isEmpty());
}

TEST_F(FindPanel, ReplaceAndReplaceAllUndoInOneStepAndTheCountFollows)
{
    editor().LoadPlainText(QStringLiteral("раз два раз три раз"));
    window().MnuEditReplaceClick();
    Type(panel().TxtFind, QStringLiteral("раз"));
    Type(panel().TxtReplace, QStringLiteral("1"));
    EXPECT_EQ(SelectionStart(), 0);
    panel().BtnReplace->click();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два раз три раз"));
    EXPECT_EQ(SelectionStart(), 6) << "the next match is selected";
    Key(panel().TxtReplace, Qt::Key_Return);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два 1 три раз"));
    editor().undo();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два раз три раз"));

    panel().BtnReplaceAll->click();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два 1 три 1"));
    EXPECT_EQ(Message(), QStringLiteral("Заменено: 2"));
    EXPECT_TRUE(window().StatusPanel->text().endsWith(QStringLiteral("    13")));
    editor().undo();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("1 два раз три раз"));
    EXPECT_TRUE(window().StatusPanel->text().endsWith(QStringLiteral("    17")));

    panel().TxtFind->setText(QStringLiteral("нет такого"));
    panel().BtnReplaceAll->click();
    EXPECT_EQ(Message(), QStringLiteral("Не найдено"));
}

TEST_F(FindPanel, ReplacingPastTheTextLimitIsRefused)
{
    editor().SetTextLimit(12);
    editor().LoadPlainText(QStringLiteral("a a a a"));
    window().MnuEditReplaceClick();
    panel().TxtFind->setText(QStringLiteral("a"));
    panel().TxtReplace->setText(QStringLiteral("bcd"));
    panel().BtnReplaceAll->click();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("a a a a"));
    EXPECT_EQ(Message(), TFindPanel::TooLongMessage(12));
    panel().TxtReplace->setText(QStringLiteral("bc"));
    panel().BtnReplaceAll->click();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("bc bc bc bc"));
}

TEST_F(FindPanel, NewAndOpenEmptyTheFields)
{
    window().MnuEditReplaceClick();
    Type(panel().TxtFind, QStringLiteral("тайна"));
    Type(panel().TxtReplace, QStringLiteral("секрет"));
    prompts.Answers.push_back(TAnswer::No);
    window().MnuFileNewClick();
    EXPECT_TRUE(panel().TxtFind->text().isEmpty());
    EXPECT_TRUE(panel().TxtReplace->text().isEmpty());
    EXPECT_FALSE(panel().TxtFind->isUndoAvailable()) << "the typed text cannot be brought back";
    EXPECT_FALSE(panel().TxtReplace->isUndoAvailable());

    WriteFile("doc.txtp", EncodeTxtpFile("text", "pw"));
    Type(panel().TxtFind, QStringLiteral("тайна"));
    prompts.Answers.push_back(TAnswer::No);
    prompts.OpenNames.push_back(Path("doc.txtp"));
    ScriptTypedPassword("pw");
    window().MnuFileOpenClick();
    ASSERT_EQ(window().windowTitle(), QStringLiteral("doc.txtp - Тайнотека"));
    EXPECT_TRUE(panel().TxtFind->text().isEmpty());
    EXPECT_FALSE(panel().TxtFind->isUndoAvailable());
}

TEST_F(FindPanel, FieldsKeepTheirOwnClipboardKeysWithTheSwitchOn)
{
    editor().LoadPlainText(QStringLiteral("editor text"));
    editor().selectAll();
    window().MnuEditFindClick();
    panel().TxtFind->setText(QStringLiteral("field"));
    panel().TxtFind->selectAll();
    Key(panel().TxtFind, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("field"));
    for (const QString& mark : SecretMarkFormats())
        EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(mark)) << "copy without " << mark.toStdString();
    Key(panel().TxtFind, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(panel().TxtFind->text().isEmpty());
    Key(panel().TxtFind, Qt::Key_V, Qt::ControlModifier);
    Key(panel().TxtFind, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(panel().TxtFind->text(), QStringLiteral("fieldfield"));
    Key(panel().TxtFind, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(panel().TxtFind->selectedText(), QStringLiteral("fieldfield"));
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("editor text")) << "nothing went to the editing area";
}

TEST_F(FindPanel, FieldsObeyTheClipboardSwitch)
{
    window().MnuEditReplaceClick();
    SwitchClipboardOff();
    for (TFindField* field : {panel().TxtFind, panel().TxtReplace}) {
        EXPECT_TRUE(field->ClipboardBlocked());
        field->setText(QStringLiteral("secret"));
        field->selectAll();
        for (const auto& [key, modifiers] :
             {std::pair{Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ControlModifier},
              {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier}}) {
            Key(field, key, modifiers);
            EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
            EXPECT_EQ(field->text(), QStringLiteral("secret"));
        }
        window().ClipboardGuard->SetActive(false); // let text in, to see that the field refuses it
        QApplication::clipboard()->setText(QStringLiteral("PASTED"));
        field->end(false);
        Key(field, Qt::Key_V, Qt::ControlModifier);
        Key(field, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::mouseClick(field, Qt::MiddleButton, {}, QPoint(5, 5));
        EXPECT_EQ(field->text(), QStringLiteral("secret"));
        window().ClipboardGuard->SetActive(true);

        std::unique_ptr<QMenu> menu(field->CreateContextMenu());
        QStringList shown;
        for (QAction* action : menu->actions())
            shown << action->text().section(QLatin1Char('\t'), 1);
        EXPECT_FALSE(shown.contains(QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText)));
        EXPECT_FALSE(shown.contains(QKeySequence(QKeySequence::Cut).toString(QKeySequence::NativeText)));
        EXPECT_FALSE(shown.contains(QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText)));
        EXPECT_TRUE(shown.contains(QKeySequence(QKeySequence::SelectAll).toString(QKeySequence::NativeText)));

        EXPECT_FALSE(field->acceptDrops());
        QMimeData dropped;
        dropped.setText(QStringLiteral("dropped"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &enter);
        EXPECT_FALSE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &drop);
        EXPECT_EQ(field->text(), QStringLiteral("secret"));
    }
    window().MnuEditClipboard->setChecked(true);
    window().MnuEditClipboardClick();
    EXPECT_FALSE(panel().TxtFind->ClipboardBlocked());
    EXPECT_TRUE(panel().TxtFind->acceptDrops());
}
