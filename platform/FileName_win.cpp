// Windows names are UTF-16 already; the arguments come from the system's
// wide command line, not from the narrow copy main() is given.
#include "FileName.h"

#include <QCoreApplication>

namespace tainoteka {

QString FileNameFromSystem(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

QByteArray FileNameForSystem(const QString& name) { return name.toUtf8(); }

QStringList ProgramArguments(int, char**) { return QCoreApplication::arguments().mid(1); }

} // namespace tainoteka
