#pragma once
// File names as the system spells them. A Linux name is bytes and need not
// be UTF-8: bytes that are not keep their value through QString (as lone
// surrogates U+DC80..U+DCFF), so such a file can still be opened and saved.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tainoteka {

QString FileNameFromSystem(const QByteArray& bytes);
QByteArray FileNameForSystem(const QString& name);

// The program's arguments after its own name, names kept whole.
QStringList ProgramArguments(int count, char** values);

} // namespace tainoteka
