#include "U_Password.h"

#include "DialogFont.h"
#include "CodePage1251.h"
#include "ApplicationTitle.h"
#include "DocumentState.h"
#include "KeyBlock.h"
#include "Passphrase.h"
#include "PasswordStrength.h"
#include "Prompts.h"
#include "StrengthLine.h"
#include "Wipe.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <array>

namespace tainoteka {

namespace {

constexpr std::array<bool, 256> MakePasswordChars()
{
    std::array<bool, 256> set{};
    auto allow = [&set](int from, int to) {
        for (int b = from; b <= to; ++b)
            set[static_cast<std::size_t>(b)] = true;
    };
    allow(0x20, 0x20); // blank
    allow(0x28, 0x2B); // ( ) * +
    allow(0x2D, 0x2D); // -
    allow(0x2F, 0x39); // / 0-9
    allow(0x3D, 0x3D); // =
    allow(0x41, 0x5D); // A-Z [ \ ]
    allow(0x5F, 0x5F); // _
    allow(0x61, 0x7B); // a-z {
    allow(0x7D, 0x7D); // }
    allow(0xC0, 0xFF); // А-Я а-я; Ё and ё lie outside
    return set;
}

constexpr std::array<bool, 256> kPasswordChars = MakePasswordChars();

// Red that stays readable on a light or a dark palette.
QColor WarningColour(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? QColor(0xff, 0x6b, 0x6b) : QColor(0xb0, 0x00, 0x00);
}


} // namespace

TFrmPasswordCreate::TFrmPasswordCreate(IKeyboardState& keyboard, TDocumentState& document, IPrompts& prompts,
                                       QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                              | Qt::MSWindowsFixedSizeDialogHint)
    , Label3(new QLabel(QStringLiteral("Старый пароль:"), this))
    , TxtPasswordOld(new QLineEdit(this))
    , Label1(new QLabel(QStringLiteral("Новый пароль:"), this))
    , TxtPasswordNew(new QLineEdit(this))
    , Label2(new QLabel(QStringLiteral("Подтвердить пароль:"), this))
    , TxtPasswordRetry(new QLineEdit(this))
    , LblStrength(new QLabel(this))
    , BtnGenerate(new QPushButton(QStringLiteral("Придумать"), this))
    , LblGenerated(new QLabel(this))
    , BtnOk(new QPushButton(QStringLiteral("OK"), this))
    , BtnCancel(new QPushButton(QStringLiteral("Отмена"), this))
    , TmrKeyGet(new QTimer(this))
    , Indicator(keyboard, *this, kChangeIndicatorLook)
    , document_(document)
    , prompts_(prompts)
    , mainWindow_(mainWindow)
{
    setWindowTitle(QStringLiteral("Смена пароля"));
    setFont(ClassicDialogFont());
    setFixedSize(280, 247);

    QStyle* echo = CreatePasswordEchoStyle(this);
    Label3->setGeometry(11, 16, 80, 13);
    SetUpPasswordField(*TxtPasswordOld, echo, QRect(147, 8, 121, 21));
    Label1->setGeometry(11, 56, 76, 13);
    SetUpPasswordField(*TxtPasswordNew, echo, QRect(147, 48, 121, 21));
    Label2->setGeometry(11, 96, 108, 13);
    SetUpPasswordField(*TxtPasswordRetry, echo, QRect(147, 88, 121, 21));
    BtnGenerate->setGeometry(147, 114, 121, 23);
    LblStrength->setGeometry(11, 142, 258, 28);
    LblStrength->setWordWrap(true);
    LblGenerated->setGeometry(11, 174, 258, 28);
    LblGenerated->setWordWrap(true);
    LblGenerated->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BtnOk->setGeometry(11, 212, 118, 25);
    BtnOk->setDefault(true);
    BtnCancel->setGeometry(152, 212, 118, 25);
    FitDialogFontToLabels(*this, {Label3, Label1, Label2});
    setTabOrder(TxtPasswordOld, TxtPasswordNew);
    setTabOrder(TxtPasswordNew, TxtPasswordRetry);
    setTabOrder(TxtPasswordRetry, BtnGenerate);
    setTabOrder(BtnGenerate, BtnOk);
    setTabOrder(BtnOk, BtnCancel);

    for (QLineEdit* field : {TxtPasswordOld, TxtPasswordNew, TxtPasswordRetry})
        field->installEventFilter(this);
    connect(BtnOk, &QPushButton::clicked, this, &TFrmPasswordCreate::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFrmPasswordCreate::BtnCancelClick);
    connect(BtnGenerate, &QPushButton::clicked, this, &TFrmPasswordCreate::BtnGenerateClick);
    connect(TxtPasswordNew, &QLineEdit::textChanged, this, &TFrmPasswordCreate::TxtPasswordNewChange);
    for (QLineEdit* field : {TxtPasswordNew, TxtPasswordRetry})
        connect(field, &QLineEdit::textEdited, this, &TFrmPasswordCreate::ForgetGenerated);

    TmrKeyGet->setInterval(1000);
    connect(TmrKeyGet, &QTimer::timeout, this, &TFrmPasswordCreate::TmrKeyGetTimer);
    TmrKeyGet->start();
    SetDocumentType(rulesType_);
}

bool TFrmPasswordCreate::InPasswordChars(unsigned char byte)
{
    return kPasswordChars[byte];
}

bool TFrmPasswordCreate::IsValidPasswordText(const QString& text)
{
    // A character with no Windows-1251 byte could never be stored in the file.
    const TCp1251Encoding encoded = Utf16ToCp1251(text.toStdU16String());
    if (!encoded.Ok())
        return false;
    for (const char byte : encoded.Bytes) {
        if (!InPasswordChars(static_cast<unsigned char>(byte)))
            return false;
    }
    return true;
}

void TFrmPasswordCreate::SetDocumentType(TDocumentType type)
{
    rulesType_ = type;
    const int limit = PasswordLimit(type);
    // The old password is the one the document has, whatever its type took.
    TxtPasswordOld->setMaxLength(std::max(limit, int(document_.CurrentPassword.size())));
    TxtPasswordNew->setMaxLength(limit);
    TxtPasswordRetry->setMaxLength(limit);
    const bool age = type == TDocumentType::Age;
    BtnGenerate->setVisible(age);
    LblStrength->setVisible(!age || PasswordStrengthAvailable());
    TxtPasswordNewChange();
}

void TFrmPasswordCreate::TxtPasswordNewChange()
{
    if (rulesType_ == TDocumentType::Txtp) {
        LblStrength->setText(QStringLiteral("Файл .txtp открывается без пароля, какой бы пароль ни был."));
        LblStrength->setPalette(palette());
        return;
    }
    QByteArray typed = TxtPasswordNew->text().toUtf8();
    const TPasswordStrength strength = EstimatePasswordStrength(std::string_view(typed.constData(), std::size_t(typed.size())));
    Wipe(typed);
    LblStrength->setText(QString::fromStdString(StrengthLine(strength)));
    // A weak password is allowed, but the weakest is shown in the warning colour.
    QPalette shown = palette();
    if (strength.Score == 0)
        shown.setColor(QPalette::WindowText, WarningColour(palette()));
    LblStrength->setPalette(shown);
}

void TFrmPasswordCreate::BtnGenerateClick()
{
    const TSecretBytes words = GeneratePassphrase();
    QString passphrase = QString::fromLatin1(reinterpret_cast<const char*>(words.data()), qsizetype(words.size()));
    TxtPasswordNew->setText(passphrase);
    TxtPasswordRetry->setText(passphrase);
    LblGenerated->setText(passphrase);
    Wipe(passphrase);
    LblGenerated->show();
}

void TFrmPasswordCreate::ForgetGenerated()
{
    LblGenerated->hide();
    LblGenerated->setText(QString());
}

void TFrmPasswordCreate::FormActivate()
{
    CentreOnMainWindow(*this, mainWindow_);
    EmptyFields();
    TxtPasswordOld->setFocus(Qt::OtherFocusReason);
    Indicator.ActivationStep(*TxtPasswordOld);
}

void TFrmPasswordCreate::BtnOkClick()
{
    // First failing test wins; the dialog stays as it was.
    if (rulesType_ == TDocumentType::Txtp && !IsValidPasswordText(TxtPasswordNew->text())) {
        prompts_.ShowError(this, ApplicationTitle, QStringLiteral("Новый пароль содержит\nнедопустимые символы."));
        return;
    }
    if (TxtPasswordOld->text() != document_.CurrentPassword) {
        prompts_.ShowError(this, ApplicationTitle, QStringLiteral("Старый пароль\nвведён неверно."));
        return;
    }
    if (TxtPasswordNew->text() != TxtPasswordRetry->text()) {
        prompts_.ShowError(this, ApplicationTitle, QStringLiteral("Повторный пароль\nне совпадает с новым."));
        return;
    }
    Wipe(document_.CurrentPassword);
    document_.CurrentPassword = TxtPasswordNew->text().left(PasswordLimit(rulesType_));
    accept();
}

void TFrmPasswordCreate::EmptyFields()
{
    for (QLineEdit* field : {TxtPasswordOld, TxtPasswordNew, TxtPasswordRetry})
        EmptyPasswordField(*field);
    ForgetGenerated();
}

void TFrmPasswordCreate::BtnCancelClick()
{
    reject();
}

void TFrmPasswordCreate::TmrKeyGetTimer()
{
    Indicator.TickStep({TxtPasswordOld, TxtPasswordNew, TxtPasswordRetry});
}

void TFrmPasswordCreate::TxtPasswordOldExit()
{
    Indicator.HideKeyboardHint();
}

void TFrmPasswordCreate::TxtPasswordNewExit()
{
    Indicator.HideKeyboardHint();
}

void TFrmPasswordCreate::TxtPasswordRetryExit()
{
    Indicator.HideKeyboardHint();
}

void TFrmPasswordCreate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TFrmPasswordCreate::hideEvent(QHideEvent* event)
{
    // Closing from a field raises no exit and a hidden dialog's ticks do
    // nothing, so the pop-up would otherwise outlive the dialog.
    Indicator.HideKeyboardHint();
    // The typed passwords are not kept in a hidden dialog (a window the
    // system hides, when minimised, is not closing).
    if (!event->spontaneous())
        EmptyFields();
    QDialog::hideEvent(event);
}

bool TFrmPasswordCreate::eventFilter(QObject* watched, QEvent* event)
{
    // Exit means the focus went to another control of this dialog, not that
    // the dialog lost activation (a message box, another application).
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == TxtPasswordOld)
                TxtPasswordOldExit();
            else if (watched == TxtPasswordNew)
                TxtPasswordNewExit();
            else if (watched == TxtPasswordRetry)
                TxtPasswordRetryExit();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tainoteka
