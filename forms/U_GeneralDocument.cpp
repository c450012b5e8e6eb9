// Document commands: New, Open, Save, Save As, Password, Exit and the close
// question, with the reading and writing of protected files.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextDocument>

#include "AtomicFile.h"
#include "CodePage1251.h"
#include "FindPanel.h"
#include "Prompts.h"
#include "QtPrompts.h"
#include "RichEditText.h"
#include "RtfImport.h"
#include "Settings.h"
#include "TxtpFile.h"
#include "U_General.h"
#include "U_Password.h"
#include "U_PasswordEnter.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kShortFile = QStringLiteral("Формат выбранного для открытия файла\nне соответствует программе.");
const QString kWrongPassword = QStringLiteral(
    "Пароль введен не верно или\nформат выбранного для открытия файла\nне соответствует программе.");
const QString kAskBeforeOpen = QStringLiteral("Перед открытием другого файла\nсохранить текущий текст в файл?");
const QString kAskBeforeNew = QStringLiteral("Перед созданием нового файла\nсохранить текущий текст в файл?");
const QString kAskBeforeClose = QStringLiteral("Сохранить текущий текст в файл?");

// Keeps the commands off while a file is read or written, whatever way the
// procedure ends.
class TCommandsOff {
public:
    explicit TCommandsOff(TFrmGeneral& window) : window_(window) { window_.SetCommandsEnabled(false); }
    ~TCommandsOff() { window_.SetCommandsEnabled(true); }

private:
    TFrmGeneral& window_;
};

// The first character that a file cannot hold: one outside Windows-1251, or
// a NUL, at which the stored text would end. -1 when there is none.
int FirstRefusedCharacter(const QString& text, const TCp1251Encoding& encoded)
{
    int first = static_cast<int>(text.indexOf(QChar(0)));
    if (!encoded.Ok() && (first < 0 || static_cast<int>(encoded.Unmappable.front()) < first))
        first = static_cast<int>(encoded.Unmappable.front());
    return first;
}

QString RefusedCharacterMessage(const QString& text, int at)
{
    const int line = static_cast<int>(text.left(at).count(QLatin1Char('\n'))) + 1;
    // lastIndexOf counts a negative start from the end, so the first character needs care.
    const int lineStart = at > 0 ? static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), at - 1)) + 1 : 0;
    const int column = at - lineStart + 1;
    const int length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(at, length);
    const QString shown = text.at(at) == QChar(0) ? QStringLiteral("NUL") : QStringLiteral("«%1»").arg(character);
    return QStringLiteral("Текст содержит символ, который нельзя сохранить в файл:\n"
                          "%1 (U+%2) в строке %3, позиция %4.\nФайл не сохранён.")
        .arg(shown)
        .arg(QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0')))
        .arg(line)
        .arg(column);
}

QString FileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

std::u16string_view Utf16Of(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString TextOf(std::string_view cp1251)
{
    QString text(static_cast<qsizetype>(cp1251.size()), Qt::Uninitialized);
    Cp1251ToUtf16(cp1251, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

} // namespace

QString TFrmGeneral::PlainTextForSaving() const
{
    // Raw text keeps no-break spaces; both kinds of separator end a line.
    QString text = RichEditText->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

bool TFrmGeneral::SaveProtectedFile(const QString& path)
{
    TCommandsOff off(*this);
    QString text = PlainTextForSaving();
    const TWipeOnExit wipeText(text);
    TCp1251Encoding body = Utf16ToCp1251(Utf16Of(text));
    const TWipeOnExit wipeBody(body.Bytes);
    if (const int refused = FirstRefusedCharacter(text, body); refused >= 0) {
        prompts_.ShowError(this, ApplicationTitle, RefusedCharacterMessage(text, refused));
        QTextCursor caret = RichEditText->textCursor();
        caret.setPosition(refused);
        RichEditText->setTextCursor(caret);
        return false;
    }
    TCp1251Encoding password = Utf16ToCp1251(Utf16Of(document_.CurrentPassword));
    const TWipeOnExit wipePassword(password.Bytes);
    const std::string file = EncodeTxtpFile(body.Bytes, password.Bytes);
    const TFileResult written = WriteFileAtomically(path, QByteArray::fromRawData(file.data(), qsizetype(file.size())));
    if (!written.Ok) {
        prompts_.ShowError(this, ApplicationTitle, written.Error);
        return false;
    }
    return true;
}

bool TFrmGeneral::LoadProtectedFile(const QString& path)
{
    TCommandsOff off(*this);
    QByteArray raw;
    const TFileResult read = ReadWholeFile(path, raw);
    if (!read.Ok) {
        prompts_.ShowError(this, ApplicationTitle, read.Error);
        return false;
    }
    if (IsTooShortForTxtp(static_cast<std::size_t>(raw.size()))) {
        prompts_.ShowError(this, kErrorTitle, kShortFile);
        return false;
    }
    prompts_.ExecDialog(*frmPasswordEnter_);
    QString typedText = frmPasswordEnter_->TxtPassword->text();
    // No typed password left lying in a hidden field; emptied first, so the
    // copy here is the only one left to wipe.
    EmptyPasswordField(*frmPasswordEnter_->TxtPassword);
    TCp1251Encoding typed = Utf16ToCp1251(Utf16Of(typedText));
    Wipe(typedText);
    const TWipeOnExit wipeTyped(typed.Bytes);
    // A character outside Windows-1251 can be no stored password's.
    TDecodedFile decoded = typed.Ok() ? DecodeTxtpFile(std::string_view(raw.constData(), raw.size()), typed.Bytes)
                                      : TDecodedFile{TDecodeStatus::InvalidKeyBlock, {}, {}};
    const TWipeOnExit wipeBody(decoded.Body);
    const TWipeOnExit wipeStored(decoded.Password);
    if (decoded.Status != TDecodeStatus::Ok) {
        prompts_.ShowError(this, kErrorTitle, kWrongPassword);
        return false;
    }
    raw.clear();

    document_.CurrentPassword = TextOf(decoded.Password);
    const QByteArray body = QByteArray::fromRawData(decoded.Body.data(), qsizetype(decoded.Body.size()));
    QTextDocument formatted;
    if (IsRichTextDocument(body) && ImportRichText(body, formatted)) {
        RichEditText->LoadFormattedText(formatted);
    } else {
        QString text = TextOf(decoded.Body);
        // The deciphered bytes go before the editor builds its copy.
        Wipe(decoded.Body);
        decoded.Body = std::string();
        RichEditText->LoadPlainText(text);
        Wipe(text);
    }
    AdoptPath(path);
    UpdateCaption();
    UpdateCharCount();
    FindPanel->Forget();
    return true;
}

void TFrmGeneral::AdoptPath(const QString& path)
{
    document_.CurrentFileName = FileNameOf(path);
    document_.CurrentDir = FolderWithSeparator(path);
    SetDialogsStartFolder(document_.CurrentDir);
}

bool TFrmGeneral::SaveDocument()
{
    if (document_.CurrentFileName.isEmpty())
        return SaveDocumentAs();
    return SaveProtectedFile(document_.CurrentDir + document_.CurrentFileName);
}

bool TFrmGeneral::SaveDocumentAs()
{
    if (document_.CurrentPassword.isEmpty() && document_.CurrentFileName.isEmpty())
        prompts_.ExecDialog(*frmPasswordCreate_);
    const std::optional<QString> path = prompts_.AskSaveFileName(this, SaveDialog.InitialDir, SaveDialog.LastName);
    if (!path)
        return false;
    SaveDialog.LastName = FileNameOf(*path);
    // The document takes the new name only once its file is written, so a
    // failed save never leaves a name that no file stands behind.
    if (!SaveProtectedFile(*path))
        return false;
    AdoptPath(*path);
    UpdateCaption();
    return true;
}

bool TFrmGeneral::SaveBeforeLeaving()
{
    // Going on after a save that did not happen would throw the text away.
    return SaveDocument();
}

void TFrmGeneral::MnuFileSaveClick()
{
    SaveDocument();
    FocusEditor();
}

void TFrmGeneral::MnuFileSaveAsClick()
{
    SaveDocumentAs();
    FocusEditor();
}

void TFrmGeneral::MnuEditPasswordClick()
{
    prompts_.ExecDialog(*frmPasswordCreate_);
    FocusEditor();
}

void TFrmGeneral::MnuFileOpenClick()
{
    if (prompts_.AskYesNo(this, kAskBeforeOpen) == TAnswer::Yes && !SaveBeforeLeaving()) {
        FocusEditor();
        return;
    }
    const std::optional<QString> path = prompts_.AskOpenFileName(this, OpenDialog.InitialDir, OpenDialog.LastName);
    if (path) {
        OpenDialog.LastName = FileNameOf(*path);
        if (QFileInfo(*path).isFile())
            LoadProtectedFile(*path);
    }
    FocusEditor();
}

void TFrmGeneral::MnuFileNewClick()
{
    if (prompts_.AskYesNo(this, kAskBeforeNew) == TAnswer::Yes && !SaveBeforeLeaving()) {
        FocusEditor();
        return;
    }
    ResetDocumentPath();
    RichEditText->ClearAll();
    UpdateCaption();
    UpdateCharCount();
    document_.CurrentPassword.clear();
    FindPanel->Forget();
    FocusEditor();
}

bool TFrmGeneral::FormClose()
{
    switch (prompts_.AskYesNoCancel(this, kAskBeforeClose)) {
    case TAnswer::Cancel: return false;
    case TAnswer::Yes:
        if (!SaveBeforeLeaving())
            return false;
        break;
    case TAnswer::No: break;
    }
    // A settings file that cannot be written is reported, but never keeps
    // the user from quitting: every later close would fail the same way.
    const TFileResult written = SaveSettings(*this, settingsPath_, RichEditText->logicalDpiY());
    if (!written.Ok)
        prompts_.ShowError(this, ApplicationTitle, written.Error + QLatin1Char('.'));
    return true;
}

void TFrmGeneral::MnuFileExitClick() { close(); }

} // namespace tainoteka
