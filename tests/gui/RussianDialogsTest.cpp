// The dialogs and message boxes in Russian: access letters from either
// keyboard layout, file sizes and dates whatever the system's locale, font
// families as users know them.
#include <QAbstractProxyModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "ActiveWindow.h"
#include "FontColorDialog.h"
#include "MainWindowFixture.h"
#include "QtPrompts.h"

using namespace tainoteka;
using namespace tainoteka::test;

namespace {

void AltClick(QWidget& window, Qt::Key key)
{
    QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key, Qt::AltModifier);
}

// Size and date of a file as the open dialog's detail view shows them.
QStringList ShownDetails(QFileDialog& dialog, const QString& path, qint64 size)
{
    auto* files = dialog.findChild<QFileSystemModel*>();
    auto* view = dialog.findChild<QTreeView*>();
    const QModelIndex file = files->index(path);
    if (!QTest::qWaitFor([&] { return files->size(file) == size; }))
        return {};
    const auto* proxy = qobject_cast<QAbstractProxyModel*>(view->model());
    QStringList shown;
    for (const int column : {1, 3}) {
        const QModelIndex cell = file.siblingAtColumn(column);
        shown.append(view->model()->data(proxy ? proxy->mapFromSource(cell) : cell).toString());
    }
    return shown;
}

} // namespace

// The main window gives the program its access keys.
using RussianDialogs = MainWindowFixture;

TEST_F(RussianDialogs, AnswerAQuestionWithTheLatinLayout)
{
    const std::pair<Qt::Key, TAnswer> cases[] = {{Qt::Key_Y, TAnswer::No}, {Qt::Key_L, TAnswer::Yes}}; // Н, Д
    for (const auto& [key, expected] : cases) {
        QTimer::singleShot(0, [key] {
            QMessageBox* box = ShownWindow<QMessageBox>();
            AltClick(*box, key);
            if (box->isVisible())
                box->reject(); // not answered: Cancel
        });
        EXPECT_EQ(TQtPrompts().AskYesNoCancel(&window(), QStringLiteral("Сохранить?")), expected) << key;
    }
}

TEST_F(RussianDialogs, AltLetterInTheFontDialogGoesToItsFieldNotIntoTheFontName)
{
    TFontColorDialog dialog(TFontChoice{QFont(QStringLiteral("DejaVu Sans")), Qt::black}, &window());
    dialog.show();
    const QString family = dialog.CmbFamily->currentText();
    const std::pair<Qt::Key, QWidget*> cases[] = {{Qt::Key_H, dialog.CmbSize},    // Р: "Размер"
                                                  {Qt::Key_Y, dialog.LstStyle},   // Н: "Начертание"
                                                  {Qt::Key_P, dialog.ChkStrikeOut}}; // З: "Зачёркнутый"
    for (const auto& [key, field] : cases) {
        AltClick(dialog, key);
        EXPECT_EQ(dialog.focusWidget(), field) << key;
    }
    EXPECT_TRUE(dialog.StrikeOut());
    AltClick(dialog, Qt::Key_Q); // Й: no control's letter
    EXPECT_EQ(dialog.CmbFamily->currentText(), family) << "letters typed into the font name";
}

TEST_F(RussianDialogs, FileSizesAndDatesInRussian)
{
    QFile file(Path(QStringLiteral("Письмо.txtp")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(227, 'x'));
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 12, 7), QTime(9, 5)), QFileDevice::FileModificationTime));
    QStringList details;
    QTimer::singleShot(0, [&] {
        QFileDialog* dialog = ShownWindow<QFileDialog>();
        details = ShownDetails(*dialog, file.fileName(), 227);
        dialog->reject();
    });
    TQtPrompts().AskOpenFileName(&window(), Path({}), QString());
    EXPECT_EQ(details, QStringList({QStringLiteral("227 байт"), QStringLiteral("7 дек. 2026 9:05")}));
}

TEST(FontFamilies, OnceAndWithoutTheFoundry)
{
    EXPECT_EQ(FamilyNamesOnce({QStringLiteral("C059 [UKWN]"), QStringLiteral("C059 [urw]"),
                               QStringLiteral("DejaVu Sans")}),
              QStringList({QStringLiteral("C059"), QStringLiteral("DejaVu Sans")}));
}
