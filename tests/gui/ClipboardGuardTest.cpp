#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

#include "ClipboardBlocking.h"
#include "ClipboardGuard.h"
#include "FindField.h"
#include "FindPanel.h"
#include "PasteGate.h"
#include "SecretClipboard.h"
#include "MainWindowFixture.h"

using namespace tainoteka;
using namespace tainoteka::test;

class ClipboardGuard : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window().show();
        editor().setFocus();
        editor().LoadPlainText(QStringLiteral("secret words"));
        QApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        window().ClipboardGuard->SetActive(false);
        QApplication::clipboard()->clear();
    }
    void SwitchOff()
    {
        window().MnuEditClipboard->setChecked(false);
        window().MnuEditClipboardClick();
    }
    QString ClipboardText() const { return QApplication::clipboard()->text(); }
};

TEST_F(ClipboardGuard, StatesWithTheSwitchOn)
{
    window().UpdateEditCommands();
    EXPECT_FALSE(window().MnuEditCut->isEnabled());
    EXPECT_FALSE(window().MnuEditCopy->isEnabled());
    EXPECT_FALSE(window().MnuEditDelete->isEnabled());
    EXPECT_FALSE(window().MnuEditPaste->isEnabled()) << "clipboard empty";
    EXPECT_TRUE(window().MnuEditSelectAll->isEnabled());

    QApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    window().UpdateEditCommands();
    EXPECT_FALSE(window().MnuEditPaste->isEnabled()) << "an image is not text";

    QApplication::clipboard()->setText(QStringLiteral("x"));
    editor().selectAll();
    window().UpdateEditCommands();
    EXPECT_TRUE(window().MnuEditCut->isEnabled());
    EXPECT_TRUE(window().BtnCopy->isEnabled());
    EXPECT_TRUE(window().BtnPaste->isEnabled());
    EXPECT_FALSE(window().ClipboardGuard->TmrClipBoardClear.isActive());
}

TEST_F(ClipboardGuard, TheSwitchLooksOtherwiseWhenOff)
{
    // The menu draws a checkable item's icon in its On or Off state.
    const QIcon icon = window().MnuEditClipboard->icon();
    EXPECT_NE(icon.pixmap(16, QIcon::Normal, QIcon::On).toImage(), icon.pixmap(16, QIcon::Normal, QIcon::Off).toImage());
}

TEST_F(ClipboardGuard, SwitchOffDisablesAndEmptiesAtOnce)
{
    QApplication::clipboard()->setText(QStringLiteral("from elsewhere"));
    editor().selectAll();
    SwitchOff();
    EXPECT_TRUE(ClipboardText().isEmpty());
    EXPECT_FALSE(window().MnuEditCut->isEnabled());
    EXPECT_FALSE(window().MnuEditCopy->isEnabled());
    EXPECT_FALSE(window().MnuEditPaste->isEnabled());
    EXPECT_FALSE(window().BtnCut->isEnabled());
    EXPECT_FALSE(window().BtnCopy->isEnabled());
    EXPECT_FALSE(window().BtnPaste->isEnabled());
    EXPECT_TRUE(window().MnuEditDelete->isEnabled());
    EXPECT_TRUE(window().ClipboardGuard->TmrClipBoardClear.isActive());

    // Another program copies: gone on the change notice, no tick needed.
    QApplication::clipboard()->setText(QStringLiteral("copied in another program"));
    EXPECT_TRUE(ClipboardText().isEmpty());
}

TEST_F(ClipboardGuard, NoKeyMovesTextWithTheSwitchOff)
{
    SwitchOff();
    editor().selectAll();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ControlModifier},
                                        {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier}}) {
        QTest::keyClick(&editor(), key, modifiers);
        EXPECT_TRUE(ClipboardText().isEmpty());
        EXPECT_EQ(editor().toPlainText(), QStringLiteral("secret words"));
    }
    window().ClipboardGuard->SetActive(false); // let text in, to see that paste keys refuse it
    QApplication::clipboard()->setText(QStringLiteral("PASTED"));
    editor().moveCursor(QTextCursor::End);
    QTest::keyClick(&editor(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&editor(), Qt::Key_Insert, Qt::ShiftModifier);
    QTest::mouseClick(editor().viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("secret words"));
}

TEST_F(ClipboardGuard, SelectionDragAndContextMenuCarryNothing)
{
    SwitchOff();
    editor().selectAll();
    std::unique_ptr<QMimeData> carried(editor().createMimeDataFromSelection());
    EXPECT_TRUE(carried->formats().isEmpty()) << "PRIMARY and drags get nothing";
    QMimeData incoming;
    incoming.setText(QStringLiteral("dropped"));
    EXPECT_FALSE(editor().canInsertFromMimeData(&incoming));

    std::unique_ptr<QMenu> menu(editor().CreateContextMenu(QPoint(1, 1)));
    QStringList names;
    for (QAction* a : menu->actions())
        names << a->objectName();
    EXPECT_FALSE(names.contains("edit-copy"));
    EXPECT_FALSE(names.contains("edit-cut"));
    EXPECT_FALSE(names.contains("edit-paste"));
    EXPECT_TRUE(names.contains("select-all"));
}

TEST_F(ClipboardGuard, SwitchOnAgainStopsTheEmptying)
{
    SwitchOff();
    window().MnuEditClipboard->setChecked(true);
    window().MnuEditClipboardClick();
    EXPECT_FALSE(window().ClipboardGuard->TmrClipBoardClear.isActive());
    editor().selectAll();
    QTest::keyClick(&editor(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), QStringLiteral("secret words"));
    window().UpdateEditCommands();
    EXPECT_TRUE(window().MnuEditPaste->isEnabled());
}

TEST_F(ClipboardGuard, EditCommandsActOnTheEditor)
{
    editor().selectAll();
    window().MnuEditCopyClick();
    EXPECT_EQ(ClipboardText(), QStringLiteral("secret words"));
    window().MnuEditDeleteClick();
    EXPECT_TRUE(editor().toPlainText().isEmpty());
    EXPECT_EQ(ClipboardText(), QStringLiteral("secret words")) << "delete leaves the clipboard alone";
    window().MnuEditPasteClick();
    window().MnuEditPasteClick();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("secret wordssecret words"));
    window().MnuEditSelectAllClick();
    window().MnuEditCutClick();
    EXPECT_TRUE(editor().toPlainText().isEmpty());
}

TEST_F(ClipboardGuard, CutAndCopyAreMarkedSecretAndStillPaste)
{
    const auto expectMarkedCopyOf = [](const QString& text) {
        const QMimeData* offered = QApplication::clipboard()->mimeData();
        ASSERT_NE(offered, nullptr);
        for (const QString& mark : SecretMarkFormats())
            EXPECT_TRUE(offered->formats().contains(mark)) << qPrintable(mark) << " missing from "
                                                           << qPrintable(offered->formats().join(' '));
#ifndef _WIN32
        EXPECT_EQ(offered->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
#endif
        EXPECT_EQ(offered->text(), text);
        EXPECT_TRUE(offered->formats().contains(QStringLiteral("text/plain")));
        EXPECT_TRUE(offered->html().contains(text)) << "rich text still offered";
    };
    editor().selectAll();
    window().MnuEditCopyClick();
    expectMarkedCopyOf(QStringLiteral("secret words"));

    QTextCursor second = editor().textCursor();
    second.setPosition(7);
    second.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    editor().setTextCursor(second);
    window().MnuEditCutClick();
    expectMarkedCopyOf(QStringLiteral("words"));

    QTest::keyClick(&editor(), Qt::Key_Home);
    window().MnuEditPasteClick();
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("wordssecret "));
}

TEST(SecretMarks, MarkingKeepsWhatIsThere)
{
    QMimeData data;
    data.setText(QStringLiteral("find me"));
    MarkAsSecret(data);
    EXPECT_EQ(data.text(), QStringLiteral("find me"));
    EXPECT_EQ(data.formats().size(), 1 + SecretMarkFormats().size());
#ifndef _WIN32
    EXPECT_EQ(data.data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
#endif
}

TEST_F(ClipboardGuard, PasteFollowsTheClipboardsNoticesAlone)
{
    window().UpdateEditCommands();
    ASSERT_FALSE(window().MnuEditPaste->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("copied in another program"));
    EXPECT_TRUE(window().MnuEditPaste->isEnabled()) << "no key or mouse event needed";
    EXPECT_TRUE(window().BtnPaste->isEnabled());
    QApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_FALSE(window().MnuEditPaste->isEnabled());
    EXPECT_FALSE(window().BtnPaste->isEnabled());
}

TEST_F(ClipboardGuard, PasteKeysAndContextMenuGoByWhatIsKnownOfTheClipboard)
{
    // As when the owner has not answered: the clipboard counts as offering no text.
    auto unanswered = std::make_unique<TPasteGate>([](QClipboard::Mode) { return false; });
    QApplication::clipboard()->setText(QStringLiteral("unanswered"));
    editor().moveCursor(QTextCursor::End);
    QTest::keyClick(&editor(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("secret words"));
    std::unique_ptr<QMenu> menu(editor().CreateContextMenu(QPoint(1, 1)));
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            EXPECT_FALSE(action->isEnabled());
        }
    }
    QMimeData dragged;
    dragged.setText(QStringLiteral("dragged"));
    EXPECT_TRUE(editor().canInsertFromMimeData(&dragged)) << "other data is asked as before";

    unanswered.reset();
    QTest::keyClick(&editor(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(editor().toPlainText(), QStringLiteral("secret wordsunanswered"));
}

// Every one-line field, in the main window and in the dialogs, pastes only
// what an owner answering in time offers: the paste keys and the context
// menu go through the same check as the editing area.
TEST_F(ClipboardGuard, FieldsPasteOnlyFromAnOwnerThatAnswers)
{
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    program->FrmPasswordEnter.show();
    const std::vector<std::pair<const char*, QLineEdit*>> fields = {
        {"find", window().FindPanel->TxtFind},
        {"replace", window().FindPanel->TxtReplace},
        {"password", program->FrmPasswordEnter.TxtPassword},
        {"new password", program->FrmPasswordCreate.TxtPasswordNew},
    };
    const auto pasteEnabled = [](QLineEdit& field) {
        std::unique_ptr<QMenu> menu(TPasteGate::CreateFieldContextMenu(field));
        for (QAction* action : menu->actions())
            if (ClipboardActionOf(*action) == TClipboardAction::Paste)
                return action->isEnabled();
        ADD_FAILURE() << "no paste command in the menu";
        return false;
    };
    for (const auto& [name, field] : fields) {
        SCOPED_TRACE(name);
        field->clear();
        {
            const TPasteGate unanswered([](QClipboard::Mode) { return false; });
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
            EXPECT_EQ(field->text(), QString());
            EXPECT_FALSE(pasteEnabled(*field));
        }
        EXPECT_TRUE(pasteEnabled(*field));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(field->text(), QStringLiteral("pasted"));
    }
    program->FrmPasswordEnter.hide();
}
