#pragma once
// The copies earlier runs left, when there are several: one list in place of
// a question for each. The buttons act on the selected rows; the main window
// does the work and shows the list again while something is left to decide.
#include <QDateTime>
#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace tainoteka {

struct TRecoveryCopyRow {
    QDateTime Written;
    qint64 Size = 0;
    QString Document; // the document's name: inside the ciphertext, known once opened
    bool InWindow = false; // restored: the window's document now, no longer to act on
};

class TFrmRecoveryCopies final : public QDialog {
public:
    enum class TChoice { Later, Restore, Remove };

    explicit TFrmRecoveryCopies(QWidget* parent);

    // The rows, the first one selected, and a line about what was done last.
    void SetRows(const std::vector<TRecoveryCopyRow>& rows, const QString& note);
    // Later, unless Restore or Remove was pressed; closing the list is Later.
    TChoice Choice() const { return choice_; }
    // The selected rows, in list order.
    std::vector<int> SelectedRows() const;

    QLabel* LblNote;
    QTableWidget* TblCopies;
    QPushButton* BtnRestore;
    QPushButton* BtnRemove;
    QPushButton* BtnLater;

private:
    void SetUpTable();
    void LayOut();
    void Choose(TChoice choice);
    void UpdateButtons();

    TChoice choice_ = TChoice::Later;
    bool restoreAllowed_ = true;
};

} // namespace tainoteka
