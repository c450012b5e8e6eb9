// txtp: protects texts as .txtp files and opens them again, for scripts,
// recovery and batch work.
#include <cstdio>
#include <new>

#include <QCoreApplication>

#include "CryptoLibrary.h"
#include "ExitCode.h"
#include "ProcessGuard.h"
#include "Txtp.h"

int main(int argc, char** argv)
{
    tainoteka::KeepProcessMemoryPrivate();
    if (!tainoteka::StartCryptoLibrary()) {
        std::fputs("txtp: the system's random source is unavailable\n", stderr);
        return static_cast<int>(tainoteka::cli::TExitCode::FileError);
    }
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("txtp"));
        return tainoteka::cli::RunTxtp(QCoreApplication::arguments());
    } catch (const std::bad_alloc&) {
        return tainoteka::cli::ReportOutOfMemory();
    }
}
