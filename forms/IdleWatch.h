#pragma once
// Tells when the program has had no keyboard or mouse input for a while.
// Input only notes the time; the one timer wakes when the time could be up
// and looks, so an idle program wakes once per period, not per event.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace tainoteka {

class TIdleWatch final : public QObject {
public:
    // idle runs once each time the period passes without input.
    TIdleWatch(std::function<void()> idle, QObject* parent = nullptr);
    ~TIdleWatch() override;

    // Zero: never. The test hook TAINOTEKA_LOCK_IDLE_MS stands in for any
    // other period.
    void SetPeriod(std::chrono::minutes period);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wake();

    std::function<void()> idle_;
    std::chrono::milliseconds period_{0};
    QElapsedTimer sinceInput_;
    QTimer timer_;
};

} // namespace tainoteka
