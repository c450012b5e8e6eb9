#include "U_About.h"

#include "DialogFont.h"
#include "JpegImage.h"
#include "Shell.h"
#include "Version.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace tainoteka {
namespace {

const QString kEmail = QStringLiteral("author@example.org");

// The note is kept as lines: one paragraph each, short enough not to wrap.
const char16_t* const kNote[] = {
    u"Дорогие друзья!",
    u"Тайнотека бесплатна и такой останется.",
    u"Я пишу её по вечерам, в свободное время,",
    u"и рад каждому письму с отзывом или идеей.",
    u"Если программа вам пригодилась и вы хотите",
    u"поддержать её развитие, буду благодарен",
    u"за любую добровольную помощь.",
    u"Номеров счетов здесь нет и не будет:",
    u"напишите на адрес выше, и мы договоримся.",
    u"Берегите свои тайны!",
    u"Савва Ключников",
};

// With a wide stand-in face "Программист:" would run into the value column
// 80 pixels on.
QFont WindowFont()
{
    constexpr int kCaptionRoom = 184 - 104 - 2;
    return ShrunkToFit(ClassicDialogFont(), [](const QFont& font) {
        return QFontMetrics(font).boundingRect(QStringLiteral("Программист:")).right() < kCaptionRoom;
    });
}

QLabel* AddLabel(const char* name, const QString& text, int left, int top, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TLinkLabel::TLinkLabel(const QString& caption, const QString& hint, const QString& target, QWidget* parent)
    : QLabel(caption, parent), target_(target)
{
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
    setToolTip(hint);
    // Plain text: the caption must never be taken for markup.
    setTextFormat(Qt::PlainText);
}

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // A click is a press and a release on the label, as with a button:
    // dragging off before letting go opens nothing.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit Clicked();
}

TFrmAbout::TFrmAbout(IShell& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , shell_(shell)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setFont(WindowFont());
    setFixedSize(363, 395);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);

    // Created first so that it leads the tab order.
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(51, 356, 241, 29);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // A raised bevel inside a lowered one reads as an etched frame.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 345, 345);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);
    Panel1->setAutoFillBackground(true);

    // The note comes first among the panel's controls in the tab order.
    Memo2 = new QPlainTextEdit(Panel1);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setGeometry(8, 168, 329, 153);
    Memo2->setReadOnly(true);
    Memo2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo2->setFocusPolicy(Qt::StrongFocus);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette noteColours = Memo2->palette();
    noteColours.setColor(QPalette::Base, colours.color(QPalette::Button));
    noteColours.setColor(QPalette::Text, Qt::black);
    Memo2->setPalette(noteColours);
    QStringList note;
    for (const char16_t* line : kNote)
        note.append(QString::fromUtf16(line));
    Memo2->setPlainText(note.join(QLatin1Char('\n')));
    Memo2->installEventFilter(this);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 87, 101);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setToolTip(QStringLiteral("Мое фото"));
    const QImage photo = DecodeJpeg(AboutPhotoJpeg());
    if (!photo.isNull()) {
        ProgramIcon->setPixmap(QPixmap::fromImage(photo));
        ProgramIcon->resize(photo.size());
    }

    ProductName = AddLabel("ProductName", QStringLiteral("Программа:"), 104, 8, Panel1);
    Label6 = AddLabel("Label6", QStringLiteral("\"Тайнотека\""), 184, 8, Panel1);
    Label5 = AddLabel("Label5", QStringLiteral("Версия:"), 104, 24, Panel1);
    Label7 = AddLabel("Label7", QStringLiteral(TAINOTEKA_VERSION_SHORT), 184, 24, Panel1);
    Label9 = AddLabel("Label9", QStringLiteral("Идея:"), 104, 48, Panel1);
    Label10 = AddLabel("Label10", QStringLiteral("Аким Пергаментов"), 184, 48, Panel1);
    Label1 = AddLabel("Label1", QStringLiteral("Программист:"), 104, 80, Panel1);
    Label8 = AddLabel("Label8", QStringLiteral("Савва Ключников"), 184, 80, Panel1);
    Label2 = AddLabel("Label2", QStringLiteral("E-mail:"), 104, 104, Panel1);
    Label3 = AddLabel("Label3", QStringLiteral("Web:"), 104, 128, Panel1);

    const auto addLink = [this](const char* name, const QString& caption, const QString& hint, const QString& target,
                                int top, void (TFrmAbout::*handler)()) {
        auto* link = new TLinkLabel(caption, hint, target, Panel1);
        link->setObjectName(QLatin1String(name));
        link->move(184, top);
        link->adjustSize();
        connect(link, &TLinkLabel::Clicked, this, handler);
        return link;
    };
    LblEmail = addLink("LblEmail", kEmail, QStringLiteral("mailto:") + kEmail, QStringLiteral("mailto:") + kEmail, 104,
                       &TFrmAbout::LblEmailClick);
    LblWeb2 = addLink("LblWeb2", QStringLiteral("www.example.org/tainoteka"),
                      QStringLiteral("https://www.example.org/tainoteka/"), QStringLiteral("https://www.example.org"),
                      128, &TFrmAbout::LblWeb2Click);
    LblWeb = addLink("LblWeb", QStringLiteral("soft.example.org"), QStringLiteral("https://soft.example.org/"),
                     QStringLiteral("https://soft.example.org"), 144, &TFrmAbout::LblWebClick);

    Label4 = AddLabel("Label4", QStringLiteral("© Савва Ключников, 2024"), 80, 320, Panel1);

    setTabOrder(OKButton, Memo2);
}

void TFrmAbout::FormActivate()
{
    OKButton->setFocus(Qt::OtherFocusReason);
}

bool TFrmAbout::Memo2KeyPress(const QKeyEvent& event)
{
    // By the character, as typed: Enter on either key or Ctrl+M gives 13,
    // Esc or Ctrl+[ gives 27.
    const QString text = event.text();
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter || text == QLatin1String("\r");
    const bool escape = event.key() == Qt::Key_Escape || text == QLatin1String("\x1b");
    if (!enter && !escape)
        return false;
    close();
    return true;
}

void TFrmAbout::LblEmailClick()
{
    shell_.Open(LblEmail->Target());
}

void TFrmAbout::LblWeb2Click()
{
    shell_.Open(LblWeb2->Target());
}

void TFrmAbout::LblWebClick()
{
    shell_.Open(LblWeb->Target());
}

void TFrmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is not a new showing.
    if (!event->spontaneous()) {
        CentreOnScreen();
        FormActivate();
    }
}

void TFrmAbout::keyPressEvent(QKeyEvent* event)
{
    // OK is also the cancel button: Esc closes through it, with its result,
    // where QDialog would reject.
    if (event->matches(QKeySequence::Cancel)) {
        OKButton->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Memo2 && event->type() == QEvent::KeyPress && Memo2KeyPress(static_cast<const QKeyEvent&>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TFrmAbout::CentreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
}

} // namespace tainoteka
