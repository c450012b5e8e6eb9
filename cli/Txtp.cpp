#include "Txtp.h"

#include <cstdio>
#include <new>

#include "CommandLine.h"
#include "Commands.h"
#include "Convert.h"
#include "StreamIo.h"
#include "Version.h"

namespace tainoteka::cli {
namespace {

TOutcome Run(const TRequest& request)
{
    switch (request.Command) {
    case TCommand::Encrypt:
        return RunEncrypt(request);
    case TCommand::Decrypt:
        return RunDecrypt(request);
    case TCommand::Check:
        return RunCheck(request);
    case TCommand::Convert:
        return RunConvert(request);
    case TCommand::Version:
        return WriteStandardOutput("txtp " TAINOTEKA_VERSION "\n");
    case TCommand::Help:
        break;
    }
    return WriteStandardOutput(HelpText());
}

} // namespace

int RunTxtp(const QStringList& arguments)
{
    try {
        TRequest request;
        TOutcome outcome = ParseCommandLine(arguments, request);
        if (outcome.Ok())
            outcome = Run(request);
        if (!outcome.Ok())
            std::fprintf(stderr, "txtp: %s\n", outcome.Message.c_str());
        return static_cast<int>(outcome.Code);
    } catch (const std::bad_alloc&) {
        // Unwinding has removed any temporary output file by now.
        return ReportOutOfMemory();
    }
}

int ReportOutOfMemory()
{
    std::fputs("txtp: out of memory\n", stderr);
    return static_cast<int>(TExitCode::FileError);
}

} // namespace tainoteka::cli
