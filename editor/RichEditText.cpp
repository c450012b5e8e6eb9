#include "RichEditText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocumentFragment>

#include "ClipboardBlocking.h"
#include "LinkFinder.h"
#include "PasteGate.h"
#include "SecretClipboard.h"
#include "Shell.h"

namespace tainoteka {

namespace {

// What the area keeps with one line: its links until its text changes, and
// its share of the line separators.
class TLineData final : public QTextBlockUserData {
public:
    ~TLineData() override
    {
        if (SeparatorTotal)
            *SeparatorTotal -= Separators;
    }

    int Revision = -1;
    QList<TLinkSpan> Links;
    qint64 Separators = 0;
    std::shared_ptr<qint64> SeparatorTotal;
};

TLineData* LineDataOf(QTextBlock block)
{
    auto* data = static_cast<TLineData*>(block.userData());
    if (!data) {
        data = new TLineData;
        block.setUserData(data);
    }
    return data;
}

// X11 reports the third level of a layout (AltGr) as Mod5.
constexpr quint32 kX11ThirdLevelMask = 0x80;

bool IsThirdLevel(const QKeyEvent& event)
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && (event.nativeModifiers() & kX11ThirdLevelMask);
}

// Alt with a printable key that no menu took: the desktop beeps rather than
// typing the letter. Ctrl+Alt (AltGr on Windows) and the third level of an
// X11 layout still type their characters.
bool IsStrayAltCharacter(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (!(modifiers & Qt::AltModifier) || (modifiers & Qt::ControlModifier))
        return false;
    return !event.text().isEmpty() && event.text().at(0).isPrint() && !IsThirdLevel(event);
}

} // namespace

bool HasWordLongerThan(QStringView text, int limit)
{
    // Looks back from where a run starting at runStart would end: the space
    // found there moves the next look a whole run on, so most characters
    // are never read, and none twice.
    const qsizetype runLength = qsizetype(limit) + 1;
    qsizetype runStart = 0;
    qsizetype unread = 0; // text[runStart, unread) is known to hold no space
    while (runStart + runLength <= text.size()) {
        const qsizetype runEnd = runStart + runLength - 1;
        qsizetype back = runEnd;
        while (back >= unread && !text[back].isSpace())
            --back;
        if (back < unread)
            return true;
        runStart = back + 1;
        unread = runEnd + 1;
    }
    return false;
}

bool IsRedoKey(const QKeyEvent& event)
{
    return event.matches(QKeySequence::Redo)
        || event.keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
}

qint64 SavedLength(QStringView text)
{
    // Every line break counts two, a CR LF pair too. Two plain counting
    // loops the compiler turns into vector code: a loaded text is measured whole.
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qint64 breaks = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        breaks += (unit == u'\n') | (unit == u'\r') | ((unit | 1) == 0x2029);
    }
    qint64 pairs = 0;
    for (qsizetype i = 1; i < size; ++i)
        pairs += (units[i - 1] == u'\r') & (units[i] == u'\n');
    return size + breaks - 2 * pairs;
}

TRichEditText::TRichEditText(IShell& shell, QWidget* parent)
    : QPlainTextEdit(parent), shell_(shell)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(false);
    setFocusPolicy(Qt::ClickFocus); // not a tab stop
    setMouseTracking(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int charsAdded) { CountLineSeparators(from, charsAdded); });
    loadTimer_.setInterval(0);
    connect(&loadTimer_, &QTimer::timeout, this, &TRichEditText::LoadSomeMore);
}

qint64 TRichEditText::CharCount() const
{
    // characterCount() holds one separator per block, the last one included;
    // a line separator inside a block is saved as a line break too.
    const QTextDocument* doc = document();
    if (IsLoading())
        return pending_.WholeSavedLength(); // nothing changes the text meanwhile
    return (doc->characterCount() - 1) + (doc->blockCount() - 1) + *lineSeparators_;
}

void TRichEditText::CountLineSeparators(int from, int charsAdded)
{
    // Lines that were removed gave their share back as they went.
    if (addsNoLineSeparators_ && *lineSeparators_ == 0)
        return;
    const QTextDocument* doc = document();
    const QTextBlock last = doc->findBlock(from + charsAdded);
    for (QTextBlock block = doc->findBlock(from); block.isValid(); block = block.next()) {
        auto* lineData = static_cast<TLineData*>(block.userData());
        const bool had = lineData && lineData->Separators > 0;
        if (had || !addsNoLineSeparators_) {
            const qint64 found = block.text().count(QChar::LineSeparator);
            if (found > 0 || had) {
                lineData = LineDataOf(block);
                lineData->SeparatorTotal = lineSeparators_;
                *lineSeparators_ += found - lineData->Separators;
                lineData->Separators = found;
            }
        }
        if (block == last)
            break;
    }
}

TReplaceResult TRichEditText::ReplaceAll(const TSearchPattern& pattern, const QString& replacement,
                                         TTextSnapshot* snapshot)
{
    // Each mark is a cursor that the document moves on every edit; the next
    // paint marks the lines on screen again.
    FinishLoading();
    setExtraSelections({});
    // Line breaks in the replacement become lines of their own.
    const QScopedValueRollback<bool> noSeparators(addsNoLineSeparators_, true);
    return ReplaceAllInDocument(*document(), pattern, replacement, textLimit_ - CharCount(), snapshot);
}

qint64 TRichEditText::RoomFor(const QString& replacingSelectionWith) const
{
    const qint64 selected = SavedLength(textCursor().selection().toPlainText());
    return textLimit_ - (CharCount() - selected) - SavedLength(replacingSelectionWith);
}

void TRichEditText::WrapFor(QStringView text, bool replacingAll)
{
    const bool anywhere = HasWordLongerThan(text, LongestWordWrappedWhole);
    if (anywhere || replacingAll)
        SetWrapAnywhere(anywhere);
}

void TRichEditText::SetWrapAnywhere(bool anywhere)
{
    const QTextOption::WrapMode mode = anywhere ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode)
        setWordWrapMode(mode);
}

void TRichEditText::LoadPlainText(QString text, TLoadPace pace)
{
    // The old text goes first, or changing the wrapping would lay it out again.
    ClearAll();
    WrapFor(text, true);
    pending_.Start(std::move(text));
    // The first screens at once (memory running out here is the caller's to
    // tell), the rest from the event loop.
    AppendLoaded(pace == TLoadPace::AllAtOnce ? pending_.Rest() : pending_.Next(loadSlice_));
    moveCursor(QTextCursor::Start);
    // One change for those who listen, the count already the whole text's;
    // the slices after it come quietly.
    emit textChanged();
    if (pending_.IsEmpty()) {
        StopLoading();
        return;
    }
    turnSlice_ = loadSlice_;
    loadTimer_.start();
    wholeTextGuard_.Watch(true);
}

void TRichEditText::AppendLoaded(QStringView slice)
{
    QTextDocument* doc = document();
    // Positions, not a copy of the caret: the document would move a copy too.
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    const bool modified = doc->isModified();
    {
        // Not the user's change: no count refresh, no recovery copy, no undo step.
        const QSignalBlocker quiet(this);
        const QScopedValueRollback<bool> noSeparators(addsNoLineSeparators_, !slice.contains(QChar::LineSeparator));
        doc->setUndoRedoEnabled(false);
        QTextCursor end(doc);
        end.movePosition(QTextCursor::End);
        // Straight into the document: the area's own setPlainText would
        // format the whole text once more.
        end.insertText(QString::fromRawData(slice.data(), slice.size()));
        doc->setUndoRedoEnabled(true);
        // A caret at the end would move on with every slice.
        if (textCursor().position() != position || textCursor().anchor() != anchor) {
            QTextCursor caret(doc);
            caret.setPosition(anchor);
            caret.setPosition(position, QTextCursor::KeepAnchor);
            setTextCursor(caret);
        }
    }
    doc->setModified(modified);
}

void TRichEditText::LoadSomeMore()
{
    // One slice a turn, sized to take about this long: every slice costs the
    // area a layout check and the view a repaint, so fewer and larger pay.
    constexpr qint64 kTurnMs = 30;
    QElapsedTimer spent;
    spent.start();
    try {
        AppendLoaded(pending_.Next(turnSlice_));
    } catch (const std::bad_alloc&) {
        ClearAll();
        emit LoadFailed();
        return;
    }
    const qint64 took = spent.elapsed();
    if (took < kTurnMs / 2)
        turnSlice_ *= 2;
    else if (took > kTurnMs * 2 && turnSlice_ > loadSlice_)
        turnSlice_ /= 2;
    if (pending_.IsEmpty())
        StopLoading();
}

bool TRichEditText::FinishLoading()
{
    if (!IsLoading())
        return true;
    try {
        AppendLoaded(pending_.Rest());
    } catch (const std::bad_alloc&) {
        ClearAll();
        emit LoadFailed();
        return false;
    }
    StopLoading();
    return true;
}

void TRichEditText::StopLoading()
{
    loadTimer_.stop();
    wholeTextGuard_.Watch(false);
    pending_.Clear();
}

void TRichEditText::LoadFormattedText(const QTextDocument& formatted)
{
    bool anywhere = false;
    for (QTextBlock block = formatted.begin(); block.isValid() && !anywhere; block = block.next())
        anywhere = HasWordLongerThan(block.text(), LongestWordWrappedWhole);
    ClearAll();
    SetWrapAnywhere(anywhere);
    document()->setUndoRedoEnabled(false);
    QTextCursor(document()).insertFragment(QTextDocumentFragment(&formatted));
    document()->setUndoRedoEnabled(true);
    moveCursor(QTextCursor::Start);
}

void TRichEditText::ClearAll()
{
    // The document's store of text and its undo history are freed here; on
    // Linux every freed block is wiped first (FreedMemoryWipe_glibc.cpp).
    StopLoading();
    document()->setUndoRedoEnabled(false);
    document()->clear();
    document()->setUndoRedoEnabled(true);
    SetWrapAnywhere(false);
}

void TRichEditText::SetClipboardBlocked(bool blocked)
{
    clipboardBlocked_ = blocked;
    setAcceptDrops(!blocked);
    viewport()->setAcceptDrops(!blocked);
}

bool TRichEditText::IsBlockedClipboardKey(QKeyEvent* event) const
{
    return clipboardBlocked_ && IsClipboardKey(*event);
}

bool TRichEditText::IsUnreadableClipboard(const QMimeData* source)
{
    // Comparing costs nothing: Qt asks a foreign owner only when its data is read.
    QClipboard* clipboard = QApplication::clipboard();
    if (source == clipboard->mimeData(QClipboard::Clipboard))
        return !TPasteGate::Readable(QClipboard::Clipboard);
    if (clipboard->supportsSelection() && source == clipboard->mimeData(QClipboard::Selection))
        return !TPasteGate::Readable(QClipboard::Selection);
    return false;
}

bool TRichEditText::canInsertFromMimeData(const QMimeData* source) const
{
    return !clipboardBlocked_ && !IsUnreadableClipboard(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

QMimeData* TRichEditText::createMimeDataFromSelection() const
{
    // Also what the PRIMARY selection and a drag would carry.
    if (clipboardBlocked_)
        return new QMimeData;
    // Marked so that clipboard histories do not keep the document's text.
    return new TSecretMimeData(std::unique_ptr<QMimeData>(QPlainTextEdit::createMimeDataFromSelection()));
}

QMenu* TRichEditText::CreateContextMenu(const QPoint& pos)
{
    QMenu* menu = createStandardContextMenu(pos);
    if (clipboardBlocked_)
        RemoveClipboardActions(*menu);
    return menu;
}

void TRichEditText::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateContextMenu(event->pos());
    menu->exec(event->globalPos());
    delete menu;
}

void TRichEditText::dragEnterEvent(QDragEnterEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QPlainTextEdit::dragEnterEvent(event);
}

void TRichEditText::dragMoveEvent(QDragMoveEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QPlainTextEdit::dragMoveEvent(event);
}

void TRichEditText::dropEvent(QDropEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QPlainTextEdit::dropEvent(event);
}

void TRichEditText::keyPressEvent(QKeyEvent* event)
{
    if (IsBlockedClipboardKey(event)) {
        event->accept();
        emit InputEvent();
        return;
    }
    if (IsRedoKey(*event)) {
        event->accept();
        redo();
        emit InputEvent();
        return;
    }
    if (IsStrayAltCharacter(*event)) {
        event->accept();
        QApplication::beep();
        emit InputEvent();
        return;
    }
    const bool insertsLineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString adds = insertsLineBreak ? QStringLiteral("\n") : event->text();
    const bool insertsText = insertsLineBreak || (!adds.isEmpty() && adds.at(0).isPrint())
        || adds == QLatin1String("\t");
    if (insertsText && !(event->modifiers() & Qt::ControlModifier) && RoomFor(adds) < 0) {
        event->accept(); // over the limit: refused without a message
    } else {
        QPlainTextEdit::keyPressEvent(event);
    }
    emit InputEvent();
}

void TRichEditText::paintEvent(QPaintEvent* event)
{
    // New marks ask for one more repaint, after which they stay the same.
    MarkVisibleLinks();
    QPlainTextEdit::paintEvent(event);
}

void TRichEditText::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    emit InputEvent();
}

void TRichEditText::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && RoomFor(event->commitString()) < 0) {
        QInputMethodEvent none;
        QPlainTextEdit::inputMethodEvent(&none);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void TRichEditText::insertFromMimeData(const QMimeData* source)
{
    if (clipboardBlocked_ || !source || IsUnreadableClipboard(source) || !source->hasText() || !FinishLoading())
        return;
    QString text = source->text();
    const qint64 room = RoomFor(QString());
    if (room <= 0)
        return;
    if (SavedLength(text) > room) {
        // Insert what fits, never half a line break.
        qint64 used = 0;
        int cut = 0;
        while (cut < text.size()) {
            const qint64 next = SavedLength(text.mid(cut, 1));
            if (used + next > room)
                break;
            used += next;
            ++cut;
        }
        text.truncate(cut);
    }
    WrapFor(text, false);
    // A paste is an undo step of its own. Plain insertions next to each
    // other join into one step, so the paste is an edit block, and its last
    // edit is a removal, so that what is typed after it does not join it.
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(text + QLatin1Char(' '));
    cursor.deletePreviousChar();
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

namespace {

const QList<TLinkSpan>& LinksOf(QTextBlock block)
{
    TLineData* cached = LineDataOf(block);
    if (cached->Revision != block.revision()) {
        cached->Links = FindLinks(block.text());
        cached->Revision = block.revision();
    }
    return cached->Links;
}

bool SameMarks(const QList<QTextEdit::ExtraSelection>& a, const QList<QTextEdit::ExtraSelection>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.cursor.anchor() == y.cursor.anchor() && x.cursor.position() == y.cursor.position()
            && x.format == y.format;
    });
}

} // namespace

void TRichEditText::MarkVisibleLinks()
{
    if (markingLinks_)
        return;
    QTextCharFormat link;
    link.setForeground(QColor(0, 0, 255));
    link.setFontUnderline(true);
    QList<QTextEdit::ExtraSelection> marks;
    const qreal bottom = viewport()->height();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        if (blockBoundingGeometry(block).translated(contentOffset()).top() > bottom)
            break;
        for (const TLinkSpan& span : LinksOf(block)) {
            QTextCursor range(block);
            range.setPosition(block.position() + span.Start);
            range.setPosition(block.position() + span.Start + span.Length, QTextCursor::KeepAnchor);
            marks.append({range, link});
        }
        if (lineMarker_)
            lineMarker_(block, marks);
    }
    // Setting them asks for a repaint at once, which comes back here.
    if (SameMarks(marks, extraSelections()))
        return;
    markingLinks_ = true;
    setExtraSelections(marks);
    markingLinks_ = false;
}

QString TRichEditText::LinkUnder(const QPoint& viewportPos) const
{
    const QTextCursor at = cursorForPosition(viewportPos);
    const QTextBlock block = at.block();
    const int inBlock = at.position() - block.position();
    // cursorForPosition snaps to the nearest gap; take the character whose
    // box holds the point, which lies left or right of that gap.
    const int column = cursorRect(at).center().x() > viewportPos.x() ? inBlock - 1 : inBlock;
    if (column < 0 || column >= block.length() - 1)
        return {};
    QTextCursor charStart(block);
    charStart.setPosition(block.position() + column);
    QTextCursor charEnd(block);
    charEnd.setPosition(block.position() + column + 1);
    const QRect startRect = cursorRect(charStart);
    const QRect endRect = cursorRect(charEnd);
    const bool sameLine = startRect.top() == endRect.top();
    if (!sameLine || viewportPos.x() < startRect.left() || viewportPos.x() > endRect.left())
        return {};
    if (viewportPos.y() < startRect.top() || viewportPos.y() > startRect.bottom())
        return {};
    const TLinkSpan link = LinkAt(block.text(), column);
    return link.Length > 0 ? block.text().mid(link.Start, link.Length) : QString();
}

void TRichEditText::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QString link = LinkUnder(event->position().toPoint());
        if (!link.isEmpty())
            shell_.Open(LinkTarget(link));
        // A press inside the selection would start dragging it out; a
        // Shift+click only moves its end.
        if (clipboardBlocked_ && !(event->modifiers() & Qt::ShiftModifier) && textCursor().hasSelection()) {
            QTextCursor plain = textCursor();
            plain.clearSelection();
            setTextCursor(plain);
        }
    }
    if (!(clipboardBlocked_ && event->button() == Qt::MiddleButton))
        QPlainTextEdit::mousePressEvent(event);
    emit InputEvent();
}

void TRichEditText::mouseReleaseEvent(QMouseEvent* event)
{
    // A middle click pastes the PRIMARY selection on release.
    if (!(clipboardBlocked_ && event->button() == Qt::MiddleButton))
        QPlainTextEdit::mouseReleaseEvent(event);
    emit InputEvent();
}

void TRichEditText::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    const bool overLink = !LinkUnder(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    emit InputEvent();
}

} // namespace tainoteka
