// The list of copies at start, when earlier runs left several: one restored
// into the window, the selected ones removed, the rest kept for later.
#include <QFileInfo>

#include <algorithm>

#include "Prompts.h"
#include "RecoveryKeeper.h"
#include "U_General.h"
#include "U_RecoveryCopies.h"

namespace tainoteka {
namespace {

const QString kAskRemove = QStringLiteral("Удалить выбранные копии несохранённого текста (%1)?\n"
                                          "Их текст будет потерян.");
const QString kRestored = QStringLiteral("Восстановлен текст от %1: %2.");
const QString kOthersKept = QStringLiteral("\nВ окне помещается один документ: остальные выбранные копии "
                                           "сохранены до следующего запуска.");
const QString kUntitledDocument = QStringLiteral("Безымянный");

std::vector<TRecoveryCopyRow> RowsOf(const std::vector<TLeftCopy>& copies)
{
    std::vector<TRecoveryCopyRow> rows;
    for (const TLeftCopy& copy : copies)
        rows.push_back({copy.Written, QFileInfo(copy.Path).size(), {}, false});
    return rows;
}

bool AnyUndecided(const std::vector<TRecoveryCopyRow>& rows)
{
    return std::any_of(rows.begin(), rows.end(), [](const TRecoveryCopyRow& row) { return !row.InWindow; });
}

// The row now names its document; the note says what became of the others.
QString MarkRestored(TRecoveryCopyRow& row, const QString& fileName, bool othersSelected)
{
    row.InWindow = true;
    row.Document = fileName.isEmpty() ? kUntitledDocument : fileName;
    const QString note = kRestored.arg(row.Written.toString(QStringLiteral("dd.MM.yyyy HH:mm")), row.Document);
    return othersSelected ? note + kOthersKept : note;
}

} // namespace

void TFrmGeneral::OfferCopyList(std::vector<TLeftCopy>& copies)
{
    TFrmRecoveryCopies dialog(this);
    std::vector<TRecoveryCopyRow> rows = RowsOf(copies);
    QString note;
    while (AnyUndecided(rows)) {
        dialog.SetRows(rows, note);
        prompts_.ExecDialog(dialog);
        const std::vector<int> selected = dialog.SelectedRows();
        if (dialog.Choice() == TFrmRecoveryCopies::TChoice::Later || selected.empty())
            break;
        note.clear();
        if (dialog.Choice() == TFrmRecoveryCopies::TChoice::Remove) {
            RemoveCopies(copies, rows, selected);
        } else if (const std::size_t first = std::size_t(selected.front()); RestoreCopy(copies[first].Path)) {
            note = MarkRestored(rows[first], document_.CurrentFileName, selected.size() > 1);
        }
    }
    for (std::size_t i = 0; i < copies.size(); ++i)
        if (!rows[i].InWindow)
            Recovery->Store().Release(copies[i].Path);
}

void TFrmGeneral::RemoveCopies(std::vector<TLeftCopy>& copies, std::vector<TRecoveryCopyRow>& rows,
                               const std::vector<int>& selected)
{
    if (prompts_.AskYesNo(this, kAskRemove.arg(selected.size())) != TAnswer::Yes)
        return;
    // From the last, so that the rows before keep their places.
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) {
        Recovery->Store().Remove(copies[std::size_t(*row)].Path);
        copies.erase(copies.begin() + *row);
        rows.erase(rows.begin() + *row);
    }
}

} // namespace tainoteka
