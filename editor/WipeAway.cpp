#include "WipeAway.h"

#include <QThreadPool>

#include <memory>

#include "OverlappedSeal.h"
#include "Wipe.h"

namespace tainoteka {

void WipeAway(QString&& text)
{
    QThreadPool::globalInstance()->start([held = std::move(text)]() mutable {
        Wipe(held);
        held = QString();
    });
}

void WipeAway(TSealedTxtp&& file)
{
    // Its destructor wipes it.
    auto held = std::make_shared<TSealedTxtp>(std::move(file));
    QThreadPool::globalInstance()->start([held]() mutable { held.reset(); });
}

} // namespace tainoteka
