#include "DocumentType.h"

#include <QFileInfo>

#include "KeyBlock.h"

namespace tainoteka {
namespace {

const QString kTxtp = QStringLiteral(".txtp");
const QString kAge = QStringLiteral(".age");
const QString kTxtAge = QStringLiteral(".txt.age");
const QString kTxt = QStringLiteral(".txt");

bool EndsWith(const QString& path, const QString& tail) { return path.endsWith(tail, Qt::CaseInsensitive); }

constexpr int kAgePassphraseLimit = 1024;

} // namespace

int PasswordLimit(TDocumentType type)
{
    return type == TDocumentType::Age ? kAgePassphraseLimit : int(MaxPasswordLength);
}

TDocumentType TypeForSaveName(const QString& path, TDocumentType picked)
{
    if (EndsWith(path, kAge))
        return TDocumentType::Age;
    if (EndsWith(path, kTxtp))
        return TDocumentType::Txtp;
    return picked;
}

QString WithTypeExtension(const QString& path, TDocumentType type)
{
    // A .txtp name is the dialog's to complete, as it always was.
    if (type == TDocumentType::Txtp || EndsWith(path, kAge))
        return path;
    return EndsWith(path, kTxt) ? path + kAge : path + kTxtAge;
}

bool HasDocumentExtension(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return EndsWith(name, kTxtp) || EndsWith(name, kAge);
}

QString TypeWord(TDocumentType type)
{
    return type == TDocumentType::Age ? QStringLiteral("txt.age") : QStringLiteral("txtp");
}

TDocumentType TypeFromWord(const QString& word)
{
    return word == TypeWord(TDocumentType::Age) ? TDocumentType::Age : TDocumentType::Txtp;
}

} // namespace tainoteka
