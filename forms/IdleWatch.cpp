#include "IdleWatch.h"

#include <QCoreApplication>
#include <QEvent>

namespace tainoteka {
namespace {

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::InputMethod: return true;
    default: return false;
    }
}

// The end-to-end and widget tests shorten the wait; nothing else does.
std::chrono::milliseconds PeriodFor(std::chrono::minutes chosen)
{
    bool ok = false;
    const int shortened = qEnvironmentVariableIntValue("TAINOTEKA_LOCK_IDLE_MS", &ok);
    if (chosen.count() > 0 && ok && shortened > 0)
        return std::chrono::milliseconds(shortened);
    return chosen;
}

} // namespace

TIdleWatch::TIdleWatch(std::function<void()> idle, QObject* parent) : QObject(parent), idle_(std::move(idle))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &TIdleWatch::Wake);
    sinceInput_.start();
    QCoreApplication::instance()->installEventFilter(this);
}

TIdleWatch::~TIdleWatch()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void TIdleWatch::SetPeriod(std::chrono::minutes period)
{
    period_ = PeriodFor(period);
    sinceInput_.restart();
    if (period_.count() > 0)
        timer_.start(period_);
    else
        timer_.stop();
}

bool TIdleWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInput(event->type()))
        sinceInput_.restart();
    return QObject::eventFilter(watched, event);
}

void TIdleWatch::Wake()
{
    const std::chrono::milliseconds quiet(sinceInput_.elapsed());
    if (quiet >= period_) {
        sinceInput_.restart();
        idle_();
        timer_.start(period_);
    } else {
        timer_.start(period_ - quiet);
    }
}

} // namespace tainoteka
