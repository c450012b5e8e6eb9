// Recovery copies in the main window: keeping the copy of a changed document
// with a password, and offering at start the copies an earlier run left.
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTextDocument>

#include "AgeFile.h"
#include "ApplicationTitle.h"
#include "DocumentType.h"
#include "DocumentFile.h"
#include "FindPanel.h"
#include "InPlaceCopy.h"
#include "Prompts.h"
#include "RecoveryKeeper.h"
#include "RichEditText.h"
#include "StateFolder.h"
#include "U_General.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

const QString kAskRestore = QStringLiteral("Найден несохранённый текст от %1. Восстановить?");
const QString kWrongPassword = QStringLiteral("Пароль введен не верно.\nКопия сохранена до следующего запуска.");
const QString kDamagedCopy = QStringLiteral("Копия несохранённого текста повреждена и не может быть открыта.\n"
                                            "Она сохранена до следующего запуска.");

QString WhenWritten(const QDateTime& written) { return kAskRestore.arg(written.toString(QStringLiteral("dd.MM.yyyy HH:mm"))); }

// No file has a negative size: against this stamp any file counts as changed.
constexpr TFileStamp kAnyFileChanged{-1, -1};

} // namespace

void TFrmGeneral::BuildRecovery(const QString& folder)
{
    RecoveryNote = new QLabel(StatusBar);
    RecoveryNote->setObjectName(QStringLiteral("RecoveryNote"));
    StatusBar->addWidget(RecoveryNote, 1);
    RecoveryNote->hide(); // shown only while it has something to say
    TRecoverySource source{[this] { return document_.CurrentPassword; }, [this] { return RecoveryContent(); }};
    Recovery = new TRecoveryKeeper(folder.isEmpty() ? SystemRecoveryFolder() : folder, std::move(source),
                                   [this](const QString& note) {
                                       RecoveryNote->setText(note);
                                       RecoveryNote->setVisible(!note.isEmpty());
                                   }, this);
    // The area's own signal: a loaded text comes as a new document.
    connect(RichEditText, &QPlainTextEdit::textChanged, Recovery, [this] {
        if (!lockMovesText_)
            Recovery->Changed();
    });
}

TRecoveryContent TFrmGeneral::RecoveryContent() const
{
    const QString path =
        document_.CurrentFileName.isEmpty() ? QString() : document_.CurrentDir + document_.CurrentFileName;
    // Only the copy here: the line breaks are mended away from the interface thread.
    RichEditText->FinishLoading();
    return TRecoveryContent{path, TypeWord(document_.CurrentType), RichEditText->document()->toRawText(), diskStamp_};
}

void TFrmGeneral::WriteRecoveryNow() { Recovery->WriteNow(); }

void TFrmGeneral::OfferLeftCopies()
{
    const bool restored = OfferInPlaceCopies();
    std::vector<TLeftCopy> copies = Recovery->Store().ClaimLeftCopies();
    // The window holds one document: once one is back, the rest wait.
    if (restored) {
        for (const TLeftCopy& copy : copies)
            Recovery->Store().Release(copy.Path);
    } else if (copies.size() == 1) {
        OfferLeftCopy(copies.front());
    } else if (copies.size() > 1) {
        OfferCopyList(copies);
    }
}

void TFrmGeneral::OfferLeftCopy(const TLeftCopy& copy)
{
    switch (prompts_.AskYesNoLater(this, WhenWritten(copy.Written))) {
    case TAnswer::Yes:
        if (!RestoreCopy(copy.Path))
            Recovery->Store().Release(copy.Path);
        break;
    case TAnswer::No: Recovery->Store().Remove(copy.Path); break;
    case TAnswer::Cancel: Recovery->Store().Release(copy.Path); break;
    }
}

bool TFrmGeneral::OfferInPlaceCopies()
{
    const std::unique_ptr<TRecoveryStore> owned = InPlaceCopyStore(Recovery->Store().Folder());
    TRecoveryStore& store = *owned;
    bool restored = false;
    for (const TLeftInPlaceCopy& copy : ClaimLeftInPlaceCopies(store)) {
        if (restored)
            break; // the store lets the rest go
        switch (prompts_.AskYesNoLater(this, WhenWritten(copy.Written))) {
        case TAnswer::Yes:
            restored = RestoreInPlaceCopy(copy);
            if (restored)
                store.Remove(copy.Path);
            break;
        case TAnswer::No: store.Remove(copy.Path); break;
        case TAnswer::Cancel: break;
        }
    }
    return restored;
}

// The saved text comes back as the document, not yet saved: the file on disk
// stays as the killed save left it until the user saves, so nothing another
// program wrote there meanwhile is lost, and the user sees the text first.
bool TFrmGeneral::RestoreInPlaceCopy(const TLeftInPlaceCopy& copy)
{
    TReadFile read = TDocumentFile::Examine(copy.Content.File);
    if (!OpenProtectedBytes(copy.Content.Target, read))
        return false;
    diskStamp_ = RegularFileStamp(copy.Content.Target);
    // The copy goes only once the text is in a recovery copy of its own.
    Recovery->Changed();
    Recovery->WriteNow();
    return true;
}

std::optional<TRecoveryContent> TFrmGeneral::OpenCopy(const QString& path, const QString& password)
{
    QByteArray file;
    const TFileResult read = ReadWholeFile(path, file);
    if (!read.Ok) {
        prompts_.ShowError(this, ApplicationTitle, read.Error);
        return std::nullopt;
    }
    QByteArray utf8 = password.toUtf8();
    // The key derivation takes about a second.
    AgeOpened opened = AwayFromInterface([&] {
        return DecryptAgeFile(std::span(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())),
                              std::string_view(utf8.constData(), std::size_t(utf8.size())));
    });
    Wipe(utf8);
    std::optional<TRecoveryContent> content;
    if (opened.status == AgeStatus::Ok)
        content = DecodeRecoveryContent(QByteArray::fromRawData(reinterpret_cast<const char*>(opened.payload.data()),
                                                                qsizetype(opened.payload.size())));
    Wipe(opened.payload);
    if (!content)
        prompts_.ShowError(this, ApplicationTitle,
                           opened.status == AgeStatus::WrongPassphrase ? kWrongPassword : kDamagedCopy);
    return content;
}

bool TFrmGeneral::RestoreCopy(const QString& path)
{
    std::optional<QString> asked = AskTypedPassword(TDocumentType::Age);
    if (!asked)
        return false;
    QString password = std::move(*asked);
    std::optional<TRecoveryContent> content = OpenCopy(path, password);
    if (!content) {
        Wipe(password);
        return false;
    }
    RichEditText->LoadPlainText(std::move(content->Text));
    Wipe(content->Text);
    if (content->Path.isEmpty())
        ResetDocumentPath();
    else
        AdoptPath(content->Path);
    // The text was typed over the file as the document last read or wrote
    // it, so a file changed since then (after the crash too) gets the question
    // before a save writes over it. The time the copy was written says
    // nothing of that, and a copy without the stamp cannot tell: any file
    // there then counts as changed.
    diskStamp_ = content->Stamp.value_or(kAnyFileChanged);
    document_.CurrentPassword = password;
    document_.CurrentType = TypeFromWord(content->Type);
    document_.CurrentArmored = false;
    RichEditText->document()->setModified(true); // nothing of it is in a file yet
    Wipe(password);
    UpdateCaption();
    UpdateCharCount();
    FindPanel->Forget();
    Recovery->Adopt(path);
    return true;
}

} // namespace tainoteka
