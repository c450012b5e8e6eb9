#pragma once
// Whether the system clipboard offers text, kept from the clipboard's change
// notices so that nothing the user does waits on the program that owns the
// clipboard: a stopped or hung owner leaves the answer "no text" instead of
// freezing the editor.
#include <QObject>

#include <memory>

namespace tainoteka {

class TClipboardTextWatch : public QObject {
    Q_OBJECT
public:
    // How long a look asked for by the user (the Edit menu opening) may wait
    // for the owner's answer.
    static constexpr int BoundedLookMs = 150;

    explicit TClipboardTextWatch(QObject* parent = nullptr);

    bool OffersText() const { return offersText_; }
    // Asks again; waits at most `waitMs` for an answer from another program.
    virtual void Refresh(int waitMs) = 0;

signals:
    void Changed();

protected:
    void SetOffersText(bool offers);
    // Asks Qt, which answers at once for our own data and on every platform
    // whose clipboard never calls the owner for its formats.
    void AskQt();

private:
    bool offersText_ = false;
};

// The watch for the platform the application runs on (after QGuiApplication).
std::unique_ptr<TClipboardTextWatch> CreateClipboardTextWatch();

// Watches through Qt's own clipboard.
class TQtClipboardTextWatch final : public TClipboardTextWatch {
public:
    TQtClipboardTextWatch();
    void Refresh(int waitMs) override;
};

} // namespace tainoteka
