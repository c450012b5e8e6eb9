#pragma once
// The whole program behind main(): parse, run one command, report.
#include <QStringList>

namespace tainoteka::cli {

// Returns the exit status; messages go to standard error.
int RunTxtp(const QStringList& arguments);

// For an allocation that fails before RunTxtp can catch it; returns the exit status.
int ReportOutOfMemory();

} // namespace tainoteka::cli
