#include "QtPrompts.h"

#include "FontColorDialog.h"
#include "RussianFileDetails.h"

#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace tainoteka {

const QString TxtpFilter = QStringLiteral("Конфиденциальные файлы (*.txtp)");
const QString AgeFilter = QStringLiteral("Конфиденциальные файлы с надёжной защитой (*.txt.age)");
const QString OpenFilter = QStringLiteral("Конфиденциальные файлы (*.txtp *.txt.age *.age)");
const QString AllFilesFilter = QStringLiteral("Все файлы (*)");

namespace {

// The dialogs block the window they belong to, not the whole program: the
// help window stays readable while a dialog asks.
void BlockOwnerOnly(QDialog& dialog)
{
    if (dialog.parentWidget())
        dialog.setWindowModality(Qt::WindowModal);
}

void RussianButtonTexts(QMessageBox& box)
{
    const struct {
        QMessageBox::StandardButton Button;
        const char16_t* Text;
    } texts[] = {{QMessageBox::Yes, u"&Да"}, {QMessageBox::No, u"&Нет"}, {QMessageBox::Cancel, u"Отмена"},
                 {QMessageBox::Ok, u"OK"}};
    for (const auto& t : texts)
        if (QAbstractButton* button = box.button(t.Button))
            button->setText(QString::fromUtf16(t.Text));
}

// A Yes/No question that only Yes or No can end: no close box, Escape and
// Alt+F4 do nothing.
class TYesNoBox final : public QMessageBox {
public:
    TYesNoBox(QWidget* parent, const QString& text)
        : QMessageBox(QMessageBox::Warning, ApplicationTitle, text, QMessageBox::Yes | QMessageBox::No, parent,
                      Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setDefaultButton(QMessageBox::Yes);
        RussianButtonTexts(*this);
        BlockOwnerOnly(*this);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape)
            return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (!clickedButton())
            event->ignore();
    }
};

QString SuffixOf(const QString& filter)
{
    return filter == AgeFilter ? QStringLiteral("txt.age") : QStringLiteral("txtp");
}

void PrepareFileDialog(QFileDialog& dialog, QFileDialog::AcceptMode mode, const QString& lastName)
{
    dialog.setAcceptMode(mode);
    // The same dialog everywhere: Windows' own takes only the last part of a
    // double suffix and makes "note.age" of "note", and shows no Russian columns.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setProxyModel(new TRussianFileDetails(&dialog));
    if (!lastName.isEmpty())
        dialog.selectFile(lastName);
    BlockOwnerOnly(dialog);
}

std::optional<QString> RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

TAnswer TQtPrompts::AskYesNo(QWidget* parent, const QString& text)
{
    TYesNoBox box(parent, text);
    box.exec();
    if (!box.clickedButton())
        return TAnswer::Cancel; // closed by a lock
    return box.clickedButton() == box.button(QMessageBox::Yes) ? TAnswer::Yes : TAnswer::No;
}

TAnswer TQtPrompts::AskYesNoCancel(QWidget* parent, const QString& text) { return AskThreeWays(parent, text, {}); }

TAnswer TQtPrompts::AskYesNoLater(QWidget* parent, const QString& text)
{
    return AskThreeWays(parent, text, QStringLiteral("&Позже"));
}

TAnswer TQtPrompts::AskThreeWays(QWidget* parent, const QString& text, const QString& thirdButton)
{
    QMessageBox box(QMessageBox::Warning, ApplicationTitle, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    RussianButtonTexts(box);
    if (!thirdButton.isEmpty())
        box.button(QMessageBox::Cancel)->setText(thirdButton);
    BlockOwnerOnly(box);
    switch (box.exec()) {
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    default: return TAnswer::Cancel;
    }
}

void TQtPrompts::ShowError(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    RussianButtonTexts(box);
    BlockOwnerOnly(box);
    box.exec();
}

void TQtPrompts::ExecDialog(QDialog& dialog)
{
    BlockOwnerOnly(dialog);
    dialog.exec();
}

std::optional<QString> TQtPrompts::AskOpenFileName(QWidget* parent, const QString& startFolder,
                                                   const QString& lastName)
{
    QFileDialog dialog(parent, QString(), startFolder);
    dialog.setNameFilters({OpenFilter, AllFilesFilter});
    dialog.setDefaultSuffix(QStringLiteral("txtp"));
    // A name typed under "all files" means that very file.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter == OpenFilter ? QStringLiteral("txtp") : QString());
    });
    PrepareFileDialog(dialog, QFileDialog::AcceptOpen, lastName);
    return RunFileDialog(dialog);
}

std::optional<QString> TQtPrompts::AskSaveFileName(QWidget* parent, const QString& startFolder,
                                                   const QString& lastName, TDocumentType& type)
{
    QFileDialog dialog(parent, QString(), startFolder);
    dialog.setNameFilters({TxtpFilter, AgeFilter});
    const QString picked = type == TDocumentType::Age ? AgeFilter : TxtpFilter;
    dialog.selectNameFilter(picked);
    dialog.setDefaultSuffix(SuffixOf(picked));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { dialog.setDefaultSuffix(SuffixOf(filter)); });
    PrepareFileDialog(dialog, QFileDialog::AcceptSave, lastName);
    std::optional<QString> path = RunFileDialog(dialog);
    if (path)
        type = dialog.selectedNameFilter() == AgeFilter ? TDocumentType::Age : TDocumentType::Txtp;
    return path;
}

std::optional<TFontChoice> TQtPrompts::AskFont(QWidget* parent, const TFontChoice& current)
{
    return RunFontColorDialog(parent, current);
}

} // namespace tainoteka
