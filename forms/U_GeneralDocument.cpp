// Document commands: New, Open, Save, Save As, Password, Exit and the close
// question. Reading and writing the files is the document file's; here are
// the questions, the messages and the caret.
#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <new>

#include "DocumentFile.h"
#include "FindPanel.h"
#include "KeyboardStateIndicator.h"
#include "ModalDialogs.h"
#include "Prompts.h"
#include "ApplicationTitle.h"
#include "RichEditText.h"
#include "Settings.h"
#include "U_General.h"
#include "U_Password.h"
#include "U_PasswordEnter.h"
#include "RecoveryKeeper.h"
#include "KeyBlock.h"
#include "Wipe.h"
#include "WipeAway.h"

namespace tainoteka {
namespace {

const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kShortFile = QStringLiteral("Формат выбранного для открытия файла\nне соответствует программе.");
const QString kWrongPassword = QStringLiteral(
    "Пароль введён неверно или\nформат выбранного для открытия файла\nне соответствует программе.");
const QString kUnchanged = QStringLiteral("\nТекущий документ не изменён.");
const QString kAskBeforeOpen = QStringLiteral("Перед открытием другого файла\nсохранить текущий текст в файл?");
const QString kAskBeforeNew = QStringLiteral("Перед созданием нового файла\nсохранить текущий текст в файл?");
const QString kAskBeforeClose = QStringLiteral("Сохранить текущий текст в файл?");
const QString kChangedOnDisk = QStringLiteral("Файл изменён другой программой. Сохранить поверх?");

// Keeps the commands off while a file is read or written, whatever way the
// procedure ends.
class TCommandsOff {
public:
    explicit TCommandsOff(TFrmGeneral& window) : window_(window) { window_.SetCommandsEnabled(false); }
    ~TCommandsOff() { window_.SetCommandsEnabled(true); }

private:
    TFrmGeneral& window_;
};

QString FileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

QString Megabytes(quint64 bytes) { return FormatThousands(quint32(std::min<quint64>((bytes + (1u << 20) - 1) >> 20, UINT32_MAX))); }

QString RefusedCharacterMessage(const TRefusedCharacter& refused)
{
    const char32_t codePoint = refused.CodePoint;
    const QString shown = codePoint == 0 ? QStringLiteral("NUL") : QStringLiteral("«%1»").arg(QString::fromUcs4(&codePoint, 1));
    return QStringLiteral("Текст содержит символ, который нельзя сохранить в файл:\n"
                          "%1 (U+%2) в строке %3, позиция %4.\nФайл не сохранён.")
        .arg(shown)
        .arg(QString::number(quint32(codePoint), 16).toUpper().rightJustified(4, QLatin1Char('0')))
        .arg(refused.Line)
        .arg(refused.Column);
}

QString TooLargeMessage(const QString& path, quint64 needed, quint64 available)
{
    if (available > 0)
        return QStringLiteral("Файл «%1» слишком велик для свободной памяти:\n"
                              "для его открытия нужно около %2 МБ, а свободно около %3 МБ.\n"
                              "Текущий документ не изменён.")
            .arg(FileNameOf(path), Megabytes(needed), Megabytes(available));
    return QStringLiteral("Не хватает памяти, чтобы открыть файл «%1»\n(нужно около %2 МБ).\n"
                          "Текущий документ не изменён.")
        .arg(FileNameOf(path), Megabytes(needed));
}

// atLeast: counted from an age file's size, every character taking at most
// four bytes of its text.
QString TooManyCharactersMessage(const QString& path, quint64 characters, qint64 limit, bool atLeast = false)
{
    return QStringLiteral("Документ слишком велик: в файле «%1» %2%3 символов,\n"
                          "а в редакторе помещается не больше %4.\nТекущий документ не изменён.")
        .arg(FileNameOf(path), atLeast ? QStringLiteral("не меньше ") : QString(),
             FormatThousands(quint32(std::min<quint64>(characters, UINT32_MAX))), FormatThousands(quint32(limit)));
}

QString NotUtf8Message(quint64 byte)
{
    return QStringLiteral("Текст файла не в кодировке UTF-8 (байт %1). Файл не открыт.").arg(byte);
}

// Why an opened file shows nothing, when the reason is not the password.
QString OpenFailureMessage(const QString& path, TOpenStatus status, quint64 needed)
{
    const QString name = FileNameOf(path);
    switch (status) {
    case TOpenStatus::Damaged:
        return QStringLiteral("Файл «%1» повреждён или изменён:\nего содержимое не совпадает с тем, что было сохранено.").arg(name) +
            kUnchanged;
    case TOpenStatus::NotPassphraseFile:
        return QStringLiteral("Файл «%1» зашифрован для ключей, а не паролем.\n"
                              "Программа открывает только файлы, защищённые паролем.").arg(name) +
            kUnchanged;
    case TOpenStatus::WorkFactorTooLarge:
        return QStringLiteral("Файл «%1» защищён с такой сложностью проверки пароля,\n"
                              "которую программа не принимает: проверка заняла бы\nслишком много времени и памяти.")
                   .arg(name) +
            kUnchanged;
    case TOpenStatus::OutOfMemory: return TooLargeMessage(path, needed, 0);
    case TOpenStatus::WrongPassword: return kWrongPassword;
    case TOpenStatus::TooLarge: // told with the editing area's limit
    case TOpenStatus::NotUtf8: // told with its byte
    case TOpenStatus::Ok: break;
    }
    return {};
}

QString NotShownMessage(const QString& fileName)
{
    return QStringLiteral("Не хватает памяти, чтобы показать текст файла «%1».\n"
                          "Окно очищено; файл на диске не изменён.").arg(fileName);
}

QString SaveFailureMessage(const TSavedDocument& saved)
{
    switch (saved.Status) {
    case TSaveStatus::PasswordNotStorable:
        return QStringLiteral("Пароль документа длиннее 20 символов или содержит символы,\nкоторые нельзя сохранить в файл .txtp.\n"
                              "Смените пароль или сохраните файл с надёжной защитой (*.txt.age).\nФайл не сохранён.");
    case TSaveStatus::NoRandomness:
        return QStringLiteral("Система не дала случайных чисел для ключей шифрования%1.\nФайл не сохранён.")
            .arg(saved.Error.isEmpty() ? QString() : QStringLiteral(": ") + saved.Error);
    case TSaveStatus::OutOfMemory: return QStringLiteral("Не хватает памяти, чтобы сохранить файл.\nФайл не сохранён.");
    case TSaveStatus::WriteFailed: return saved.Error;
    case TSaveStatus::NoSafetyCopy:
        return QStringLiteral("Не удалось сохранить копию перед записью: %1. Файл не сохранён.").arg(saved.Error);
    case TSaveStatus::RefusedCharacter: return RefusedCharacterMessage(saved.Refused);
    case TSaveStatus::Ok: break;
    }
    return {};
}

} // namespace

QString TFrmGeneral::PlainTextForSaving() const
{
    // Raw text keeps no-break spaces; both kinds of separator end a line,
    // which the document file takes as they are.
    return RichEditText->document()->toRawText();
}

bool TFrmGeneral::SaveProtectedFile(const QString& path, TDocumentType type)
{
    // Never part of a text over a file: a load that ran out of memory told its own message.
    if (!RichEditText->FinishLoading())
        return false;
    TCommandsOff off(*this);
    QString text;
    TSavedDocument saved;
    try {
        text = PlainTextForSaving();
        const QString& password = document_.CurrentPassword;
        // The key derivation of an age file takes about a second.
        if (type == TDocumentType::Age)
            saved = AwayFromInterface(
                [&] { return documentFile_->Save(path, text, password, type, document_.CurrentArmored); });
        else
            saved = documentFile_->Save(path, text, password, type);
    } catch (const std::bad_alloc&) {
        saved.Status = TSaveStatus::OutOfMemory;
    }
    WipeAway(std::move(text));
    if (saved.Status == TSaveStatus::Ok) {
        RichEditText->document()->setModified(false);
        Recovery->Discard();
        diskStamp_ = RegularFileStamp(path);
        return true;
    }
    prompts_.ShowError(this, ApplicationTitle, SaveFailureMessage(saved));
    if (saved.Status == TSaveStatus::RefusedCharacter) {
        QTextCursor caret = RichEditText->textCursor();
        caret.setPosition(int(saved.Refused.Position));
        RichEditText->setTextCursor(caret);
    }
    return false;
}

void TFrmGeneral::ShowReadFailure(const QString& path, const TReadFile& read)
{
    switch (read.Status) {
    case TReadStatus::Unreadable: prompts_.ShowError(this, ApplicationTitle, read.Error); break;
    case TReadStatus::TooShort: prompts_.ShowError(this, kErrorTitle, kShortFile); break;
    case TReadStatus::TooLarge:
        prompts_.ShowError(this, kErrorTitle, TooLargeMessage(path, read.Needed, read.Available));
        break;
    case TReadStatus::Damaged:
        prompts_.ShowError(this, kErrorTitle, OpenFailureMessage(path, TOpenStatus::Damaged, 0));
        break;
    case TReadStatus::NotPassphraseFile:
        prompts_.ShowError(this, kErrorTitle, OpenFailureMessage(path, TOpenStatus::NotPassphraseFile, 0));
        break;
    case TReadStatus::TooManyCharacters:
        prompts_.ShowError(this, kErrorTitle, TooManyCharactersMessage(path, read.Characters, RichEditText->TextLimit(), true));
        break;
    case TReadStatus::Ok: break;
    }
}

bool TFrmGeneral::ReadLongBody(const QString& path, TReadFile& read, const QString& typed)
{
    switch (TDocumentFile::LongBodyStatus(read, typed)) {
    case TOpenStatus::Ok: break;
    case TOpenStatus::TooLarge:
        prompts_.ShowError(this, kErrorTitle,
                           TooManyCharactersMessage(path, read.Size - KeyBlockSize, RichEditText->TextLimit()));
        return false;
    case TOpenStatus::WrongPassword: prompts_.ShowError(this, kErrorTitle, kWrongPassword); return false;
    default: prompts_.ShowError(this, kErrorTitle, TooLargeMessage(path, MemoryToOpen(read.Size), 0)); return false;
    }
    // Rich text may hold fewer characters than its bytes: it is measured once formatted.
    read = documentFile_->Read(path);
    if (read.Status == TReadStatus::Ok)
        return true;
    ShowReadFailure(path, read);
    return false;
}

bool TFrmGeneral::ShowOpenedText(TOpenedDocument& opened)
{
    try {
        if (opened.Formatted) {
            RichEditText->LoadFormattedText(*opened.Formatted);
        } else {
            RichEditText->LoadPlainText(std::move(opened.PlainText));
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::optional<QString> TFrmGeneral::AskTypedPassword(TDocumentType type)
{
    frmPasswordEnter_->SetDocumentType(type);
    frmPasswordEnter_->setResult(QDialog::Rejected);
    prompts_.ExecDialog(*frmPasswordEnter_);
    QString typed = frmPasswordEnter_->TxtPassword->text();
    // No typed password left lying in a hidden field; emptied first, so the
    // copy here is the only one left to wipe.
    EmptyPasswordField(*frmPasswordEnter_->TxtPassword);
    // Closed by a lock: the command ends, whatever was typed so far.
    if (WasWithdrawn(*frmPasswordEnter_)) {
        Wipe(typed);
        return std::nullopt;
    }
    return typed;
}

bool TFrmGeneral::LoadProtectedFile(const QString& path)
{
    TCommandsOff off(*this);
    // A plain body too long for the editing area is refused before the rest
    // of the file is read or deciphered.
    TReadFile read = documentFile_->Read(path, quint64(RichEditText->TextLimit()));
    const std::optional<TFileStamp> stamp = RegularFileStamp(path);
    if (!OpenProtectedBytes(path, read))
        return false;
    diskStamp_ = stamp;
    Recovery->Discard();
    return true;
}

bool TFrmGeneral::OpenProtectedBytes(const QString& path, TReadFile& read)
{
    const quint64 largestText = quint64(RichEditText->TextLimit());
    if (read.Status != TReadStatus::Ok) {
        ShowReadFailure(path, read);
        return false;
    }
    std::optional<QString> asked = AskTypedPassword(read.Type);
    if (!asked)
        return false;
    QString typed = std::move(*asked);
    if (!read.Whole && !ReadLongBody(path, read, typed)) {
        Wipe(typed);
        return false;
    }
    const auto unseal = [&] { return documentFile_->Unseal(read.Bytes, typed, largestText); };
    // The key derivation of an age file takes about a second.
    TUnsealedFile unsealed = read.Type == TDocumentType::Age ? AwayFromInterface(unseal) : unseal();
    Wipe(typed);
    const quint64 needed = MemoryToOpen(quint64(read.Bytes.size()));
    read = {}; // the file's bytes go before the editor builds its copy
    TOpenedDocument opened = TDocumentFile::Present(unsealed, largestText);
    unsealed.Clear();
    if (opened.Status == TOpenStatus::TooLarge) {
        prompts_.ShowError(this, kErrorTitle, TooManyCharactersMessage(path, opened.Characters, RichEditText->TextLimit()));
        return false;
    }
    if (opened.Status == TOpenStatus::NotUtf8) {
        prompts_.ShowError(this, kErrorTitle, NotUtf8Message(opened.NotUtf8At));
        return false;
    }
    if (opened.Status != TOpenStatus::Ok) {
        prompts_.ShowError(this, kErrorTitle, OpenFailureMessage(path, opened.Status, std::max(needed, opened.MemoryNeeded)));
        return false;
    }
    // Every line costs the editing area a block: a text of many short lines
    // can need far more than its characters.
    const TMemoryCheck room = documentFile_->RoomToShow(opened);
    if (!room.Fits) {
        Wipe(opened.PlainText);
        prompts_.ShowError(this, kErrorTitle, TooLargeMessage(path, room.Needed, room.Available));
        return false;
    }
    const QTextDocument* shownBefore = RichEditText->document();
    const qint64 countBefore = RichEditText->CharCount();
    const bool shown = ShowOpenedText(opened);
    Wipe(opened.PlainText);
    if (!shown && RichEditText->document() == shownBefore && RichEditText->CharCount() == countBefore) {
        // The text is built apart: the shown one is still whole.
        prompts_.ShowError(this, kErrorTitle, TooLargeMessage(path, room.Needed, 0));
        return false;
    }
    if (!shown) {
        // The editing area may hold part of the text: it must not be saved
        // over any file, so the window starts afresh.
        StartUntitled();
        prompts_.ShowError(this, kErrorTitle, NotShownMessage(FileNameOf(path)));
        return false;
    }
    document_.CurrentPassword = opened.Password;
    document_.CurrentType = opened.Type;
    document_.CurrentArmored = opened.Armored;
    Wipe(opened.Password);
    RichEditText->document()->setModified(false);
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

bool TFrmGeneral::MayOverwrite(const QString& path)
{
    const std::optional<TFileStamp> now = RegularFileStamp(path);
    if (!diskStamp_ || !now || *now == *diskStamp_)
        return true;
    return prompts_.AskYesNo(this, kChangedOnDisk) == TAnswer::Yes;
}

void TFrmGeneral::AskNewPassword(TDocumentType type)
{
    frmPasswordCreate_->SetDocumentType(type);
    prompts_.ExecDialog(*frmPasswordCreate_);
}

bool TFrmGeneral::HasAgePassword()
{
    // An age file under an empty passphrase opens for anyone: no password, no save.
    if (document_.CurrentPassword.isEmpty())
        AskNewPassword(TDocumentType::Age);
    return !document_.CurrentPassword.isEmpty();
}

bool TFrmGeneral::SaveDocument()
{
    if (document_.CurrentFileName.isEmpty())
        return SaveDocumentAs();
    if (document_.CurrentType == TDocumentType::Age && !HasAgePassword())
        return false;
    const QString path = document_.CurrentDir + document_.CurrentFileName;
    return MayOverwrite(path) && SaveProtectedFile(path, document_.CurrentType);
}

bool TFrmGeneral::SaveDocumentAs()
{
    if (document_.CurrentPassword.isEmpty() && document_.CurrentFileName.isEmpty()) {
        AskNewPassword(document_.CurrentType);
        // Cancelling the password of an age document cancels the save.
        if (document_.CurrentType == TDocumentType::Age && document_.CurrentPassword.isEmpty())
            return false;
    }
    // A named document is offered its own name and folder; an untitled one no name.
    const bool named = !document_.CurrentFileName.isEmpty();
    TDocumentType picked = saveAsType_;
    const std::optional<QString> chosen = prompts_.AskSaveFileName(
        this, named ? document_.CurrentDir : SaveDialog.InitialDir, named ? document_.CurrentFileName : QString(), picked);
    if (!chosen)
        return false;
    saveAsType_ = picked;
    return SaveAsChosen(*chosen, picked);
}

bool TFrmGeneral::SaveAsChosen(const QString& chosen, TDocumentType picked)
{
    const TDocumentType type = TypeForSaveName(chosen, picked);
    if (type == TDocumentType::Age && !HasAgePassword())
        return false;
    const QString path = WithTypeExtension(chosen, type);
    SaveDialog.LastName = FileNameOf(path);
    // The document takes the new name and type only once its file is
    // written, so a failed save never leaves a name no file stands behind.
    if (!SaveProtectedFile(path, type))
        return false;
    AdoptPath(path);
    document_.CurrentType = type;
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
    AskNewPassword(document_.CurrentType);
    Recovery->PasswordChanged();
    FocusEditor();
}

bool TFrmGeneral::MayLeaveDocument(const QString& question)
{
    // Cancel: the question was withdrawn by a lock, and the text stays.
    switch (prompts_.AskYesNo(this, question)) {
    case TAnswer::Yes: return SaveBeforeLeaving();
    case TAnswer::No: return true;
    case TAnswer::Cancel: break;
    }
    return false;
}

void TFrmGeneral::MnuFileOpenClick()
{
    if (!MayLeaveDocument(kAskBeforeOpen)) {
        FocusEditor();
        return;
    }
    // The recovery copy stays until another document is in the window: an
    // open refused or cancelled leaves this one as it was.
    const std::optional<QString> path = prompts_.AskOpenFileName(this, OpenDialog.InitialDir, OpenDialog.LastName);
    if (path) {
        OpenDialog.LastName = FileNameOf(*path);
        LoadProtectedFile(*path); // a name with no file behind it gets its reason
    }
    FocusEditor();
}

void TFrmGeneral::MnuFileNewClick()
{
    if (!MayLeaveDocument(kAskBeforeNew)) {
        FocusEditor();
        return;
    }
    StartUntitled();
    FocusEditor();
}

void TFrmGeneral::ShowLoadFailure()
{
    // The area holds part of the text: it must not be saved over any file.
    const QString name = document_.CurrentFileName;
    StartUntitled();
    prompts_.ShowError(this, kErrorTitle, NotShownMessage(name));
}

void TFrmGeneral::StartUntitled()
{
    ResetDocumentPath();
    diskStamp_.reset();
    RichEditText->ClearAll();
    RichEditText->document()->setModified(false);
    UpdateCaption();
    UpdateCharCount();
    document_.CurrentPassword.clear();
    document_.CurrentType = TDocumentType::Age;
    document_.CurrentArmored = false;
    FindPanel->Forget();
    Recovery->Discard();
}

bool TFrmGeneral::FormClose()
{
    if (locked_)
        return CloseLocked();
    RichEditText->FinishLoading();
    switch (prompts_.AskYesNoCancel(this, kAskBeforeClose)) {
    case TAnswer::Cancel: return false;
    case TAnswer::Yes:
        if (!SaveBeforeLeaving())
            return false;
        break;
    case TAnswer::No: break;
    }
    Recovery->Discard();
    SaveSettingsAtClose();
    return true;
}

void TFrmGeneral::SaveSettingsAtClose()
{
    // A settings file that cannot be written is reported, but never keeps
    // the user from quitting: every later close would fail the same way.
    const TFileResult written = SaveSettings(CollectSettings(), settingsPath_, RichEditText->logicalDpiY());
    if (!written.Ok)
        prompts_.ShowError(this, ApplicationTitle, written.Error + QLatin1Char('.'));
}

void TFrmGeneral::MnuFileExitClick() { close(); }

} // namespace tainoteka
