#pragma once
// The find panel under the editing area: a find field (and, for replacing,
// a replace field), the letter-case and whole-word switches, the buttons and
// one line of message. It searches the editing area's document as the user
// types, selects what it finds and marks every match on the lines on
// screen. Its texts live only in its fields.
#include <QTextEdit>
#include <QWidget>

#include "DocumentSearch.h"
#include "TextSearch.h"

class QCheckBox;
class QLabel;
class QEvent;
class QPushButton;
class QTextBlock;
class QToolButton;

namespace tainoteka {

class TElidedLabel;
class TFindField;
class TRichEditText;

class TFindPanel final : public QWidget {
    Q_OBJECT
public:
    static const QString NotFound;
    static const QString WrappedToStart;
    static const QString WrappedToEnd;
    // Narrower than this a field would show too little of what is typed.
    static constexpr int UsableFieldWidth = 160;

    explicit TFindPanel(TRichEditText& editor, QWidget* parent = nullptr);

    void OpenFind();
    void OpenReplace();
    // With nothing to look for yet, opens the panel instead.
    void FindNext();
    void FindPrevious();
    // Replaces the selection when it is a match, then finds the next one.
    void ReplaceOne();
    void ReplaceAll();
    // Hides the panel and gives the editing area the focus, at what was found.
    void ClosePanel();
    // Empties both fields, their undo included.
    void Forget();
    void SetClipboardBlocked(bool blocked);
    bool IsNotFoundShown() const { return notFound_; }
    static QString TooLongMessage(qint64 limit);

    QLabel* LblFind = nullptr;
    TFindField* TxtFind = nullptr;
    QLabel* LblReplace = nullptr;
    TFindField* TxtReplace = nullptr;
    QCheckBox* ChkMatchCase = nullptr;
    QCheckBox* ChkWholeWord = nullptr;
    QPushButton* BtnFindNext = nullptr;
    QPushButton* BtnFindPrevious = nullptr;
    QPushButton* BtnReplace = nullptr;
    QPushButton* BtnReplaceAll = nullptr;
    QToolButton* BtnFindClose = nullptr;
    TElidedLabel* LblFindMessage = nullptr;

signals:
    // What a search started with the panel closed (F3) has to say.
    void MessageWhileClosed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Build();
    QWidget* BuildFields();
    QWidget* BuildButtons();
    QWidget* BuildOptions();
    void EvenRowHeights();
    void Open(bool withReplace);
    void PatternChanged();
    void SearchAsTyped();
    void Search(qsizetype from, TSearchDirection direction);
    void ShowFound(const TFoundText& found, TSearchDirection direction);
    void ShowMessage(const QString& message, bool notFound);
    void SelectInEditor(qsizetype start, qsizetype length);
    void MarkLine(const QTextBlock& block, QList<QTextEdit::ExtraSelection>& marks) const;
    void RefreshMarks();

    TRichEditText& editor_;
    // Kept while the panel is open: repeated searches copy the text once.
    TTextSnapshot snapshot_;
    TSearchPattern pattern_;
    // Where typing in the find field searches from.
    qsizetype typedFrom_ = 0;
    bool notFound_ = false;
};

} // namespace tainoteka
