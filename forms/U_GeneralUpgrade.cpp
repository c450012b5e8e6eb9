// The way out of the .txtp type: the bar over a .txtp document, the save in
// the strong type, the check that the new file opens, and the removal of the
// old one.
#include <QFile>
#include <QFileInfo>

#include "ApplicationTitle.h"
#include "DocumentFile.h"
#include "Prompts.h"
#include "RecoveryCopy.h"
#include "U_General.h"
#include "UpgradeBar.h"
#include "Wipe.h"

namespace tainoteka {
namespace {

const QString kCheckFailed = QStringLiteral(
    "Новый файл «%1» не открылся с паролем документа или его текст не совпал с документом.\n"
    "Старый файл оставлен на диске.");

QString AgeNameFor(const QString& fileName)
{
    const QString base = fileName.endsWith(QStringLiteral(".txtp"), Qt::CaseInsensitive) ? fileName.chopped(5) : fileName;
    return base + QStringLiteral(".txt.age");
}

} // namespace

QString TFrmGeneral::CurrentPath() const
{
    return document_.CurrentFileName.isEmpty() ? QString() : document_.CurrentDir + document_.CurrentFileName;
}

void TFrmGeneral::UpdateUpgradeBar()
{
    const bool oldType = document_.CurrentType == TDocumentType::Txtp && !document_.CurrentFileName.isEmpty();
    if (oldType && CurrentPath() != upgradeDismissed_)
        UpgradeBar->ShowOldFormat();
    else
        UpgradeBar->hide();
    upgradedFrom_.clear();
}

void TFrmGeneral::BtnUpgradeClick()
{
    const QString oldPath = CurrentPath();
    if (!busy_ && !locked_ && HasAgePassword() && SaveAsAge(oldPath))
        CheckUpgradedFile(oldPath);
    FocusEditor();
}

bool TFrmGeneral::SaveAsAge(const QString& oldPath)
{
    TDocumentType picked = TDocumentType::Age;
    const std::optional<QString> chosen =
        prompts_.AskSaveFileName(this, document_.CurrentDir, AgeNameFor(QFileInfo(oldPath).fileName()), picked);
    // A .txtp picked after all is an ordinary Save As, and the bar stays.
    return chosen && SaveAsChosen(*chosen, picked) && document_.CurrentType == TDocumentType::Age;
}

void TFrmGeneral::CheckUpgradedFile(const QString& oldPath)
{
    if (!SavedFileOpens(CurrentPath())) {
        prompts_.ShowError(this, ApplicationTitle, kCheckFailed.arg(document_.CurrentFileName));
        return;
    }
    upgradedFrom_ = oldPath;
    UpgradeBar->ShowSaved(document_.CurrentFileName, QFileInfo(oldPath).fileName());
}

bool TFrmGeneral::SavedFileOpens(const QString& path)
{
    TReadFile read = documentFile_->Read(path);
    if (read.Status != TReadStatus::Ok || read.Type != TDocumentType::Age)
        return false;
    TUnsealedFile unsealed = AwayFromInterface(
        [&] { return documentFile_->Unseal(read.Bytes, document_.CurrentPassword); });
    if (unsealed.Status != TOpenStatus::Ok)
        return false;
    QString text = PlainTextForSaving();
    UseNewlines(text);
    std::string expected = AgePayload(text);
    Wipe(text);
    const bool same = expected == unsealed.Body;
    Wipe(expected);
    return same;
}

void TFrmGeneral::BtnDeleteOldClick()
{
    const QString oldPath = upgradedFrom_;
    const QString question = QStringLiteral("Удалить файл %1? Копии этого файла, сделанные раньше, так и останутся "
                                            "открытыми для подбора.")
                                 .arg(QFileInfo(oldPath).fileName());
    if (oldPath.isEmpty() || prompts_.AskYesNo(this, question) != TAnswer::Yes)
        return FocusEditor();
    QFile old(oldPath);
    if (!old.remove())
        prompts_.ShowError(this, ApplicationTitle,
                           QStringLiteral("Не удалось удалить файл «%1»: %2.").arg(oldPath, old.errorString()));
    else
        UpdateUpgradeBar();
    FocusEditor();
}

} // namespace tainoteka
