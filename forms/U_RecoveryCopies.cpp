#include "U_RecoveryCopies.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "ApplicationTitle.h"

namespace tainoteka {
namespace {

enum TColumn { ColumnWritten, ColumnSize, ColumnDocument, ColumnCount };

QString Kilobytes(qint64 bytes) { return QStringLiteral("%1 КБ").arg((bytes + 1023) / 1024); }

QString DocumentCell(const TRecoveryCopyRow& row)
{
    return row.InWindow ? row.Document + QStringLiteral(" — в окне") : row.Document;
}

QTableWidgetItem* Cell(const QString& text, bool selectable)
{
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(selectable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
    return cell;
}

} // namespace

TFrmRecoveryCopies::TFrmRecoveryCopies(QWidget* parent)
    : QDialog(parent)
    , LblNote(new QLabel(this))
    , TblCopies(new QTableWidget(0, ColumnCount, this))
    , BtnRestore(new QPushButton(QStringLiteral("&Восстановить"), this))
    , BtnRemove(new QPushButton(QStringLiteral("&Удалить"), this))
    , BtnLater(new QPushButton(QStringLiteral("&Позже"), this))
{
    setObjectName(QStringLiteral("FrmRecoveryCopies"));
    setWindowTitle(ApplicationTitle);
    LblNote->setObjectName(QStringLiteral("LblNote"));
    BtnRestore->setObjectName(QStringLiteral("BtnRestore"));
    BtnRemove->setObjectName(QStringLiteral("BtnRemove"));
    BtnLater->setObjectName(QStringLiteral("BtnLater"));
    SetUpTable();
    LayOut();
    connect(BtnRestore, &QPushButton::clicked, this, [this] { Choose(TChoice::Restore); });
    connect(BtnRemove, &QPushButton::clicked, this, [this] { Choose(TChoice::Remove); });
    connect(BtnLater, &QPushButton::clicked, this, &QDialog::reject);
    connect(TblCopies, &QTableWidget::itemSelectionChanged, this, &TFrmRecoveryCopies::UpdateButtons);
}

void TFrmRecoveryCopies::SetUpTable()
{
    TblCopies->setObjectName(QStringLiteral("TblCopies"));
    TblCopies->setHorizontalHeaderLabels({QStringLiteral("Записан"), QStringLiteral("Размер"), QStringLiteral("Документ")});
    TblCopies->setSelectionBehavior(QAbstractItemView::SelectRows);
    TblCopies->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TblCopies->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblCopies->verticalHeader()->hide();
    TblCopies->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TblCopies->horizontalHeader()->setStretchLastSection(true);
}

void TFrmRecoveryCopies::LayOut()
{
    auto* intro = new QLabel(QStringLiteral("Найден несохранённый текст прошлых запусков. Имя документа видно\n"
                                            "после ввода пароля его копии."),
                             this);
    LblNote->setWordWrap(true);
    LblNote->hide();
    BtnRestore->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {BtnRestore, BtnRemove, BtnLater})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(TblCopies, 1);
    layout->addWidget(LblNote);
    layout->addLayout(buttons);
    resize(520, 320);
}

void TFrmRecoveryCopies::SetRows(const std::vector<TRecoveryCopyRow>& rows, const QString& note)
{
    choice_ = TChoice::Later;
    // One document fits in the window: once one is back, the rest wait.
    restoreAllowed_ = std::none_of(rows.begin(), rows.end(), [](const TRecoveryCopyRow& row) { return row.InWindow; });
    TblCopies->clearContents();
    TblCopies->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const TRecoveryCopyRow& row = rows[std::size_t(i)];
        const bool selectable = !row.InWindow;
        TblCopies->setItem(i, ColumnWritten, Cell(row.Written.toString(QStringLiteral("dd.MM.yyyy HH:mm")), selectable));
        TblCopies->setItem(i, ColumnSize, Cell(Kilobytes(row.Size), selectable));
        TblCopies->setItem(i, ColumnDocument, Cell(DocumentCell(row), selectable));
    }
    TblCopies->clearSelection();
    for (int i = 0; i < int(rows.size()); ++i)
        if (!rows[std::size_t(i)].InWindow) {
            TblCopies->selectRow(i);
            break;
        }
    LblNote->setText(note);
    LblNote->setVisible(!note.isEmpty());
    UpdateButtons();
}

std::vector<int> TFrmRecoveryCopies::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& row : TblCopies->selectionModel()->selectedRows())
        rows.push_back(row.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFrmRecoveryCopies::Choose(TChoice choice)
{
    choice_ = choice;
    accept();
}

void TFrmRecoveryCopies::UpdateButtons()
{
    const bool any = TblCopies->selectionModel()->hasSelection();
    BtnRestore->setEnabled(any && restoreAllowed_);
    BtnRemove->setEnabled(any);
}

} // namespace tainoteka
