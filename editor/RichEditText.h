#pragma once
// The editing area: wraps at the window edge, always shows its vertical
// scroll bar, inserts tabs, refuses text beyond its limit, and shows web
// addresses as links that open on a left click.
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <memory>

#include "DocumentSearch.h"
#include "PendingText.h"
#include "WholeTextGuard.h"

class QMenu;
class QTextDocument;

namespace tainoteka {

class IShell;

enum class TLoadPace { Sliced, AllAtOnce };

class TRichEditText : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qint64 DefaultTextLimit = 40'000'000;
    // Lines wrap at word ends, breaking a word only where it is wider than
    // the window. To find that out the layout reads on to the word's end for
    // every screen line, so a paragraph of one huge word would take minutes
    // to lay out: a document holding a word longer than this wraps anywhere.
    static constexpr int LongestWordWrappedWhole = 2000;
    // About a screenful of lines many times over, and a few milliseconds of work.
    static constexpr qsizetype DefaultLoadSlice = 64 * 1024;

    explicit TRichEditText(IShell& shell, QWidget* parent = nullptr);

    // Characters as the text is saved: a line break counts as CR and LF.
    qint64 CharCount() const;

    // Replaces the text and forgets the undo history. A long text comes in
    // slices: the first screens at once, the rest from the event loop, while
    // the count already holds the whole text. Any input that may need the
    // whole text (an edit, a command, going to the end) finishes the load first.
    void LoadPlainText(QString text, TLoadPace pace = TLoadPace::Sliced);
    bool IsLoading() const { return !pending_.IsEmpty(); }
    // Puts the rest of a text being loaded in now; false when memory ran
    // out, and the area was emptied (LoadFailed told it).
    bool FinishLoading();
    // Characters put in at once and per slice; tests take small ones.
    void SetLoadSlice(qsizetype characters) { loadSlice_ = characters; }
    void LoadFormattedText(const QTextDocument& formatted);
    void ClearAll(); // also back to wrapping at word ends
    // Replaces every match as one undo step, within the text limit.
    TReplaceResult ReplaceAll(const TSearchPattern& pattern, const QString& replacement, TTextSnapshot* snapshot);
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void SetTextLimit(qint64 limit) { textLimit_ = limit; }
    qint64 TextLimit() const { return textLimit_; }
    // Adds marks of its own to a line on screen, beside the links.
    using TLineMarker = std::function<void(const QTextBlock&, QList<QTextEdit::ExtraSelection>&)>;
    void SetLineMarker(TLineMarker marker) { lineMarker_ = std::move(marker); }
    // With the clipboard switch off no text leaves the area and none comes
    // in: no clipboard keys, no PRIMARY selection, no middle-click paste, no
    // drag and drop, no cut, copy or paste in the context menu.
    void SetClipboardBlocked(bool blocked);
    QMenu* CreateContextMenu(const QPoint& pos);

signals:
    // Any key or mouse event the area received (after it handled it).
    void InputEvent();
    // Memory ran out while a text was put in by slices: the area is empty.
    void LoadFailed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;


private:
    bool IsBlockedClipboardKey(QKeyEvent* event) const;
    // The clipboard or PRIMARY, when its owner does not answer in time or offers no text.
    static bool IsUnreadableClipboard(const QMimeData* source);
    qint64 RoomFor(const QString& replacingSelectionWith) const;
    QString LinkUnder(const QPoint& viewportPos) const;
    // Wraps anywhere when the text holds a word too long to wrap whole; a
    // text that replaces everything may also bring back wrapping at words.
    void WrapFor(QStringView text, bool replacingAll);
    void SetWrapAnywhere(bool anywhere);
    // Keeps the count of line separators (Shift+Enter) of the lines that changed.
    void CountLineSeparators(int from, int charsAdded);
    // Shows the web addresses of the lines on screen as links. Display only:
    // the text and its formats are never changed, and only the visible lines
    // are looked at, so a large document loads without a pass over every line.
    void MarkVisibleLinks();
    // Appends a slice of the text being loaded as no undo step and no change.
    void AppendLoaded(QStringView slice);
    void LoadSomeMore();
    void StopLoading();

    IShell& shell_;
    // Line separators in the whole text; each line keeps its own share, and
    // gives it back when the line goes, so the count never needs a full pass.
    std::shared_ptr<qint64> lineSeparators_ = std::make_shared<qint64>(0);
    qint64 textLimit_ = DefaultTextLimit;
    bool clipboardBlocked_ = false;
    bool markingLinks_ = false;
    // The change under way brings no line separator, so only lines that
    // had some need counting again.
    bool addsNoLineSeparators_ = false;
    TLineMarker lineMarker_;
    TPendingText pending_;
    qsizetype loadSlice_ = DefaultLoadSlice;
    qsizetype turnSlice_ = DefaultLoadSlice; // grows while the turns stay short
    QTimer loadTimer_;
    TWholeTextGuard wholeTextGuard_{*this, [this] { FinishLoading(); }};
};

// Whether some run of characters without a space is longer than limit.
bool HasWordLongerThan(QStringView text, int limit);
// The platform's redo key, and Ctrl+Y as well wherever it is not.
bool IsRedoKey(const QKeyEvent& event);
// Length of a text in the editing area's measure (CR LF for every line break).
qint64 SavedLength(QStringView text);

} // namespace tainoteka
