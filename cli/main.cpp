// txtp: protects texts as .txtp files and opens them again, for scripts,
// recovery and batch work.
#include <QCoreApplication>

#include "Txtp.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("txtp"));
    return tainoteka::cli::RunTxtp(QCoreApplication::arguments());
}
