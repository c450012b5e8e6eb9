#pragma once
// Wipes and frees a large buffer on another thread: a save need not wait
// for 80 MB of text to be overwritten and given back before the window
// answers again. The wipe still happens; the program waits for it at exit.
#include <QString>

namespace tainoteka {

class TSealedTxtp;

void WipeAway(QString&& text);
void WipeAway(TSealedTxtp&& file);

} // namespace tainoteka
