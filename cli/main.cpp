// txtp: protects texts as .txtp files and opens them again, for scripts,
// recovery and batch work.
#include <new>

#include <QCoreApplication>

#include "FileName.h"
#include "ProcessGuard.h"
#include "Txtp.h"

int main(int argc, char** argv)
{
    tainoteka::KeepProcessMemoryPrivate();
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("txtp"));
        // Not QCoreApplication::arguments(): on Linux it would turn a name
        // that is not UTF-8 into another name.
        return tainoteka::cli::RunTxtp(QStringList{QStringLiteral("txtp")} + tainoteka::ProgramArguments(argc, argv));
    } catch (const std::bad_alloc&) {
        return tainoteka::cli::ReportOutOfMemory();
    }
}
