#include "FindPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include "FindField.h"
#include "RichEditText.h"
#include "U_General.h"

namespace tainoteka {
namespace {

const QColor kNotFoundBase(255, 204, 204);
const QColor kMatchMark(255, 236, 140);
// A line longer than this is searched only where it is on screen.
constexpr int kLongLine = 8192;

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

void TFindPanel::Build()
{
    const auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };
    LblFind = named(new QLabel(QStringLiteral("Найти:"), this), "LblFind");
    TxtFind = named(new TFindField(this), "TxtFind");
    LblReplace = named(new QLabel(QStringLiteral("Заменить на:"), this), "LblReplace");
    TxtReplace = named(new TFindField(this), "TxtReplace");
    LblFind->setBuddy(TxtFind);
    LblReplace->setBuddy(TxtReplace);
    ChkMatchCase = named(new QCheckBox(QStringLiteral("С учётом регистра"), this), "ChkMatchCase");
    ChkWholeWord = named(new QCheckBox(QStringLiteral("Слово целиком"), this), "ChkWholeWord");
    BtnFindNext = named(new QPushButton(QStringLiteral("Далее"), this), "BtnFindNext");
    BtnFindPrevious = named(new QPushButton(QStringLiteral("Ранее"), this), "BtnFindPrevious");
    BtnReplace = named(new QPushButton(QStringLiteral("Заменить"), this), "BtnReplace");
    BtnReplaceAll = named(new QPushButton(QStringLiteral("Заменить все"), this), "BtnReplaceAll");
    BtnFindClose = named(new QToolButton(this), "BtnFindClose");
    BtnFindClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    BtnFindClose->setAutoRaise(true);
    BtnFindClose->setToolTip(QStringLiteral("Закрыть (Esc)"));
    BtnFindClose->setFocusPolicy(Qt::NoFocus);
    LblFindMessage = named(new QLabel(this), "LblFindMessage");
    for (TFindField* field : {TxtFind, TxtReplace})
        field->setMinimumWidth(160);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 3, 2, 3);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(LblFind, 0, 0);
    grid->addWidget(TxtFind, 0, 1);
    grid->addWidget(BtnFindNext, 0, 2);
    grid->addWidget(BtnFindPrevious, 0, 3);
    grid->addWidget(ChkMatchCase, 0, 4);
    grid->addWidget(ChkWholeWord, 0, 5);
    grid->addWidget(LblFindMessage, 0, 6);
    grid->addWidget(BtnFindClose, 0, 7, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(LblReplace, 1, 0);
    grid->addWidget(TxtReplace, 1, 1);
    grid->addWidget(BtnReplace, 1, 2);
    grid->addWidget(BtnReplaceAll, 1, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(6, 3);
    // A narrow window cuts the panel off at the right instead of growing.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
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
    LblFindMessage->setText(message);
    notFound_ = notFound;
    QPalette palette = TxtFind->palette();
    palette.setColor(QPalette::Base, notFound ? kNotFoundBase : TxtReplace->palette().color(QPalette::Base));
    TxtFind->setPalette(palette);
    // A message for a search started from the menu must be seen.
    if (!message.isEmpty() && !isVisible())
        show();
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
    QWidget::keyPressEvent(event);
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
