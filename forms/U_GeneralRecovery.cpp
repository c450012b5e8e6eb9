// Recovery copies in the main window: keeping the copy of a changed document
// with a password, and offering at start the copies an earlier run left.
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTextDocument>

#include "AgeFile.h"
#include "ApplicationTitle.h"
#include "DocumentType.h"
#include "FindPanel.h"
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
    return TRecoveryContent{path, TypeWord(document_.CurrentType), RichEditText->document()->toRawText()};
}

void TFrmGeneral::WriteRecoveryNow() { Recovery->WriteNow(); }

void TFrmGeneral::OfferLeftCopies()
{
    bool restored = false;
    for (const TLeftCopy& copy : Recovery->Store().ClaimLeftCopies()) {
        // The window holds one document: once one is back, the rest wait.
        if (restored) {
            Recovery->Store().Release(copy.Path);
            continue;
        }
        const QString written = copy.Written.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        switch (prompts_.AskYesNoLater(this, kAskRestore.arg(written))) {
        case TAnswer::Yes:
            restored = RestoreCopy(copy.Path);
            if (!restored)
                Recovery->Store().Release(copy.Path);
            break;
        case TAnswer::No: Recovery->Store().Remove(copy.Path); break;
        case TAnswer::Cancel: Recovery->Store().Release(copy.Path); break;
        }
    }
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
    QString password = AskTypedPassword();
    std::optional<TRecoveryContent> content = OpenCopy(path, password);
    if (!content) {
        Wipe(password);
        return false;
    }
    RichEditText->LoadPlainText(content->Text);
    Wipe(content->Text);
    if (content->Path.isEmpty())
        ResetDocumentPath();
    else
        AdoptPath(content->Path);
    document_.CurrentPassword = password;
    document_.CurrentType = TypeFromWord(content->Type);
    Wipe(password);
    UpdateCaption();
    UpdateCharCount();
    FindPanel->Forget();
    Recovery->Adopt(path);
    return true;
}

} // namespace tainoteka
