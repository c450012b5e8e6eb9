#include "FindPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include "ElidedLabel.h"
#include "FindField.h"
#include "FlowLayout.h"
#include "RichEditText.h"
#include "U_General.h"

namespace tainoteka {
namespace {

const QColor kNotFoundBase(255, 204, 204);
const QColor kMatchMark(255, 236, 140);
// A line longer than this is searched only where it is on screen.
constexpr int kLongLine = 8192;
constexpr int kGap = 6;

} // namespace

const QString TFindPanel::NotFound = QStringLiteral("Не найдено");
const QString TFindPanel::WrappedToStart = QStringLiteral("Поиск продолжен с начала");
const QString TFindPanel::WrappedToEnd = QStringLiteral("Поиск продолжен с конца");

TFindPanel::TFindPanel(TRichEditText& editor, QWidget* parent)
    : QWidget(parent), editor_(editor), snapshot_(*editor.document())
{
    setObjectName(QStringLiteral("FindPanel"));
    Build();
    hide();
    editor_.installEventFilter(this);
    editor_.SetLineMarker([this](const QTextBlock& block, QList<QTextEdit::ExtraSelection>& marks) {
        MarkLine(block, marks);
    });
    connect(TxtFind, &QLineEdit::textChanged, this, &TFindPanel::PatternChanged);
    // The edit notice may come before the change notice.
    const auto searchAgain = [this] {
        PatternChanged();
        SearchAsTyped();
    };
    connect(TxtFind, &QLineEdit::textEdited, this, searchAgain);
    for (QCheckBox* box : {ChkMatchCase, ChkWholeWord})
        connect(box, &QCheckBox::toggled, this, searchAgain);
    connect(TxtFind, &TFindField::EnterPressed, this, [this](bool back) { back ? FindPrevious() : FindNext(); });
    connect(TxtReplace, &TFindField::EnterPressed, this, [this](bool back) { back ? FindPrevious() : ReplaceOne(); });
    connect(BtnFindNext, &QPushButton::clicked, this, &TFindPanel::FindNext);
    connect(BtnFindPrevious, &QPushButton::clicked, this, &TFindPanel::FindPrevious);
    connect(BtnReplace, &QPushButton::clicked, this, &TFindPanel::ReplaceOne);
    connect(BtnReplaceAll, &QPushButton::clicked, this, &TFindPanel::ReplaceAll);
    connect(BtnFindClose, &QToolButton::clicked, this, &TFindPanel::ClosePanel);
    PatternChanged();
}

namespace {

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A block of the panel: its widgets on a grid, rows lined up with the others.
QGridLayout* BlockGrid(QWidget* block)
{
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(kGap);
    return grid;
}

} // namespace

// Created in the order the Tab key goes through them.
QWidget* TFindPanel::BuildFields()
{
    auto* fields = Named(new QWidget(this), "FindFields");
    LblFind = Named(new QLabel(QStringLiteral("Найти:"), fields), "LblFind");
    TxtFind = Named(new TFindField(fields), "TxtFind");
    LblReplace = Named(new QLabel(QStringLiteral("Заменить на:"), fields), "LblReplace");
    TxtReplace = Named(new TFindField(fields), "TxtReplace");
    LblFind->setBuddy(TxtFind);
    LblReplace->setBuddy(TxtReplace);
    QGridLayout* grid = BlockGrid(fields);
    grid->addWidget(LblFind, 0, 0);
    grid->addWidget(TxtFind, 0, 1);
    grid->addWidget(LblReplace, 1, 0);
    grid->addWidget(TxtReplace, 1, 1);
    for (TFindField* field : {TxtFind, TxtReplace})
        field->setMinimumWidth(UsableFieldWidth);
    fields->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return fields;
}

QWidget* TFindPanel::BuildButtons()
{
    auto* buttons = Named(new QWidget(this), "FindButtons");
    BtnFindNext = Named(new QPushButton(QStringLiteral("Далее"), buttons), "BtnFindNext");
    BtnFindPrevious = Named(new QPushButton(QStringLiteral("Ранее"), buttons), "BtnFindPrevious");
    BtnReplace = Named(new QPushButton(QStringLiteral("Заменить"), buttons), "BtnReplace");
    BtnReplaceAll = Named(new QPushButton(QStringLiteral("Заменить все"), buttons), "BtnReplaceAll");
    QGridLayout* grid = BlockGrid(buttons);
    grid->addWidget(BtnFindNext, 0, 0);
    grid->addWidget(BtnFindPrevious, 0, 1);
    grid->addWidget(BtnReplace, 1, 0);
    grid->addWidget(BtnReplaceAll, 1, 1);
    return buttons;
}

// The message goes under the boxes, beside the replace row's buttons.
QWidget* TFindPanel::BuildOptions()
{
    auto* options = Named(new QWidget(this), "FindOptions");
    ChkMatchCase = Named(new QCheckBox(QStringLiteral("С учётом &регистра"), options), "ChkMatchCase");
    ChkWholeWord = Named(new QCheckBox(QStringLiteral("Слово &целиком"), options), "ChkWholeWord");
    LblFindMessage = Named(new TElidedLabel(options), "LblFindMessage");
    LblFindMessage->ReserveRoomFor(WrappedToStart);
    QGridLayout* grid = BlockGrid(options);
    grid->addWidget(ChkMatchCase, 0, 0);
    grid->addWidget(ChkWholeWord, 0, 1);
    grid->addWidget(LblFindMessage, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    options->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return options;
}

void TFindPanel::Build()
{
    // Fields first, then buttons, then boxes and message: a narrow window
    // moves what does not fit onto lines of its own below.
    auto* flow = new TFlowLayout;
    flow->setSpacing(kGap);
    for (QWidget* block : {BuildFields(), BuildButtons(), BuildOptions()})
        flow->addWidget(block);
    BtnFindClose = Named(new QToolButton(this), "BtnFindClose");
    BtnFindClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    BtnFindClose->setAutoRaise(true);
    BtnFindClose->setToolTip(QStringLiteral("Закрыть (Esc)"));
    BtnFindClose->setFocusPolicy(Qt::NoFocus);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 3, 2, 3);
    outer->setSpacing(kGap);
    outer->addLayout(flow, 1);
    outer->addWidget(BtnFindClose, 0, Qt::AlignTop);
    // Not Fixed: that would hold the panel to one line's height whatever
    // the width; its height follows the width through the layout.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    EvenRowHeights();
}

void TFindPanel::EvenRowHeights()
{
    // One height for fields, buttons and boxes, so their rows line up.
    int height = 0;
    for (QWidget* part : std::initializer_list<QWidget*>{TxtFind, BtnFindNext, ChkMatchCase})
        height = std::max(height, part->sizeHint().height());
    for (QWidget* part : std::initializer_list<QWidget*>{LblFind, TxtFind, LblReplace, TxtReplace, BtnFindNext,
                                                         BtnFindPrevious, BtnReplace, BtnReplaceAll, ChkMatchCase,
                                                         ChkWholeWord, LblFindMessage, BtnFindClose})
        part->setFixedHeight(height);
}

void TFindPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        EvenRowHeights();
}

void TFindPanel::Open(bool withReplace)
{
    for (QWidget* part : std::initializer_list<QWidget*>{LblReplace, TxtReplace, BtnReplace, BtnReplaceAll})
        part->setVisible(withReplace);
    const QTextCursor selection = editor_.textCursor();
    const QString selected = selection.selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator) && !selected.contains(QChar::LineSeparator))
        TxtFind->setText(selected);
    typedFrom_ = selection.selectionStart();
    // Nothing from the last search is left to mislead.
    ShowMessage(QString(), false);
    show();
    TxtFind->selectAll();
    TxtFind->setFocus(Qt::ShortcutFocusReason);
    RefreshMarks();
}

void TFindPanel::OpenFind() { Open(false); }

void TFindPanel::OpenReplace() { Open(true); }

void TFindPanel::PatternChanged()
{
    pattern_ = TSearchPattern(TxtFind->text(), {ChkMatchCase->isChecked(), ChkWholeWord->isChecked()});
    for (QPushButton* button : {BtnFindNext, BtnFindPrevious, BtnReplace, BtnReplaceAll})
        button->setEnabled(!pattern_.IsEmpty());
    RefreshMarks();
}

void TFindPanel::SearchAsTyped()
{
    if (pattern_.IsEmpty()) {
        ShowMessage(QString(), false);
        SelectInEditor(typedFrom_, 0);
        return;
    }
    ShowFound(FindInDocument(*editor_.document(), pattern_, typedFrom_, TSearchDirection::Forward, &snapshot_),
              TSearchDirection::Forward);
}

void TFindPanel::FindNext()
{
    if (pattern_.IsEmpty()) {
        Open(isVisible() && TxtReplace->isVisible());
        return;
    }
    Search(editor_.textCursor().selectionEnd(), TSearchDirection::Forward);
}

void TFindPanel::FindPrevious()
{
    if (pattern_.IsEmpty()) {
        Open(isVisible() && TxtReplace->isVisible());
        return;
    }
    Search(editor_.textCursor().selectionStart(), TSearchDirection::Backward);
}

void TFindPanel::Search(qsizetype from, TSearchDirection direction)
{
    const TFoundText found = FindInDocument(*editor_.document(), pattern_, from, direction, &snapshot_);
    if (found.Found())
        typedFrom_ = found.Start;
    ShowFound(found, direction);
    // F3 with the panel closed keeps no copy of the text behind.
    if (!isVisible())
        snapshot_.Drop();
}

void TFindPanel::ShowFound(const TFoundText& found, TSearchDirection direction)
{
    if (!found.Found()) {
        ShowMessage(NotFound, true);
        return;
    }
    SelectInEditor(found.Start, found.Length);
    const QString wrapped = direction == TSearchDirection::Forward ? WrappedToStart : WrappedToEnd;
    ShowMessage(found.Wrapped ? wrapped : QString(), false);
}

void TFindPanel::SelectInEditor(qsizetype start, qsizetype length)
{
    QTextCursor cursor = editor_.textCursor();
    const qsizetype end = editor_.document()->characterCount() - 1;
    cursor.setPosition(int(std::min(start, end)));
    cursor.setPosition(int(std::min(start + length, end)), QTextCursor::KeepAnchor);
    editor_.setTextCursor(cursor);
    editor_.ensureCursorVisible();
}

void TFindPanel::ShowMessage(const QString& message, bool notFound)
{
    LblFindMessage->SetMessage(message);
    notFound_ = notFound;
    QPalette palette = TxtFind->palette();
    palette.setColor(QPalette::Base, notFound ? kNotFoundBase : TxtReplace->palette().color(QPalette::Base));
    TxtFind->setPalette(palette);
    if (!message.isEmpty() && !isVisible())
        emit MessageWhileClosed(message);
}

void TFindPanel::ReplaceOne()
{
    if (pattern_.IsEmpty())
        return;
    QTextCursor selection = editor_.textCursor();
    const qsizetype start = selection.selectionStart();
    const qsizetype length = selection.selectionEnd() - start;
    if (IsMatchAt(*editor_.document(), pattern_, start, length)) {
        const QString replacement = TxtReplace->text();
        const qint64 room = editor_.TextLimit() - editor_.CharCount() + SavedLength(selection.selectedText())
            - SavedLength(replacement);
        if (room < 0) {
            ShowMessage(TooLongMessage(editor_.TextLimit()), false);
            return;
        }
        selection.insertText(replacement);
        editor_.setTextCursor(selection);
    }
    Search(editor_.textCursor().selectionEnd(), TSearchDirection::Forward);
}

void TFindPanel::ReplaceAll()
{
    if (pattern_.IsEmpty())
        return;
    const TReplaceResult done = editor_.ReplaceAll(pattern_, TxtReplace->text(), &snapshot_);
    if (done.TooLong)
        ShowMessage(TooLongMessage(editor_.TextLimit()), false);
    else if (done.Count == 0)
        ShowMessage(NotFound, true);
    else
        ShowMessage(QStringLiteral("Заменено: ") + FormatThousands(quint32(done.Count)), false);
}

QString TFindPanel::TooLongMessage(qint64 limit)
{
    return QStringLiteral("Не заменено: текст стал бы длиннее %1 символов").arg(FormatThousands(quint32(limit)));
}

void TFindPanel::ClosePanel()
{
    hide();
    snapshot_.Drop();
    editor_.setFocus(Qt::OtherFocusReason);
    editor_.ensureCursorVisible();
    RefreshMarks();
}

void TFindPanel::Forget()
{
    snapshot_.Drop();
    TxtFind->setText(QString());
    TxtReplace->setText(QString());
    typedFrom_ = 0;
    ShowMessage(QString(), false);
}

void TFindPanel::SetClipboardBlocked(bool blocked)
{
    TxtFind->SetClipboardBlocked(blocked);
    TxtReplace->SetClipboardBlocked(blocked);
}

void TFindPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ClosePanel();
        event->accept();
        return;
    }
    // Fields keep their own undo; from a button or a box it is the text's.
    if (!qobject_cast<QLineEdit*>(focusWidget())) {
        if (event->matches(QKeySequence::Undo)) {
            editor_.undo();
            event->accept();
            return;
        }
        if (IsRedoKey(*event)) {
            editor_.redo();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool TFindPanel::focusNextPrevChild(bool next)
{
    // Past the panel's last control (or before its first) lies the text.
    if (focusWidget() == (next ? static_cast<QWidget*>(ChkWholeWord) : TxtFind)) {
        editor_.setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

bool TFindPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &editor_ && event->type() == QEvent::KeyPress && isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            ClosePanel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFindPanel::RefreshMarks() { editor_.viewport()->update(); }

void TFindPanel::MarkLine(const QTextBlock& block, QList<QTextEdit::ExtraSelection>& marks) const
{
    if (!isVisible() || pattern_.IsEmpty())
        return;
    qsizetype from = block.position();
    QString text;
    if (block.length() > kLongLine) {
        // Only the part on screen, with room for a match reaching into it.
        const QRect shown = editor_.viewport()->rect();
        const qsizetype first = editor_.cursorForPosition(shown.topLeft()).position();
        const qsizetype last = editor_.cursorForPosition(shown.bottomRight()).position();
        const qsizetype blockEnd = block.position() + block.length() - 1;
        from = std::max<qsizetype>(block.position(), first - pattern_.Length());
        QTextCursor part(block);
        part.setPosition(int(from));
        part.setPosition(int(std::min(blockEnd, last + pattern_.Length())), QTextCursor::KeepAnchor);
        text = part.selectedText();
    } else {
        text = block.text();
    }
    QTextCharFormat look;
    look.setBackground(kMatchMark);
    for (const qsizetype start : pattern_.AllIn(text)) {
        QTextCursor range(block);
        range.setPosition(int(from + start));
        range.setPosition(int(from + start + pattern_.Length()), QTextCursor::KeepAnchor);
        marks.append({range, look});
    }
}

} // namespace tainoteka
