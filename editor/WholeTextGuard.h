#pragma once
// While a text comes into the editing area in slices, watches the
// program's input: anything that may need the whole text (an edit, a menu,
// a button, a shortcut, closing) finishes the load before it is handled.
// Moving and scrolling within the area need no more than is there.
#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace tainoteka {

class TWholeTextGuard final : public QObject {
public:
    TWholeTextGuard(QWidget& area, std::function<void()> finish);
    ~TWholeTextGuard() override { Watch(false); }
    // Watches the whole application's input, or stops.
    void Watch(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool NeedsWholeText(QObject* watched, QEvent& event) const;
    bool IsInArea(QObject* watched) const;

    QWidget& area_;
    std::function<void()> finish_;
    bool watching_ = false;
};

// Keys that only move the caret or the view where the text already is.
bool MovesWithinText(const QKeyEvent& event);

} // namespace tainoteka
