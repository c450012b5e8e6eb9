// txtp: protects texts as .txtp files and opens them again, for scripts,
// recovery and batch work.
#include <new>

#include <QCoreApplication>

#include "ProcessGuard.h"
#include "Txtp.h"

int main(int argc, char** argv)
{
    tainoteka::KeepProcessMemoryPrivate();
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("txtp"));
        return tainoteka::cli::RunTxtp(QCoreApplication::arguments());
    } catch (const std::bad_alloc&) {
        return tainoteka::cli::ReportOutOfMemory();
    }
}
