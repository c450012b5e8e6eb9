#pragma once
// The whole program behind main(): parse, run one command, report.
#include <QStringList>

namespace tainoteka::cli {

// Returns the exit status; messages go to standard error.
int RunTxtp(const QStringList& arguments);

} // namespace tainoteka::cli
