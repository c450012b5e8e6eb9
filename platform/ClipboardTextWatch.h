#pragma once
// Whether the system clipboard offers text, kept from the clipboard's change
// notices so that nothing the user does waits long on the program that owns
// the clipboard: an owner that does not answer within a bound counts as
// offering no text instead of freezing the editor.
#include <QClipboard>
#include <QObject>

#include <memory>

namespace tainoteka {

class TClipboardTextWatch : public QObject {
    Q_OBJECT
public:
    // How long a look asked for by the user (the Edit menu opening, a paste)
    // may wait for the owner's answer; many programs take up to 100 ms.
    static constexpr int BoundedLookMs = 150;

    explicit TClipboardTextWatch(QObject* parent = nullptr);

    bool OffersText() const { return offersText_; }
    // Asks again; waits at most `waitMs` for an answer from another program.
    // Until the new owner answers, what the last one said holds, so a copy
    // in another program does not turn Paste off for a moment.
    virtual void Refresh(int waitMs) = 0;
    // Asks the owner of the clipboard or of PRIMARY afresh and waits at most
    // `waitMs`: true only when it answered in time that it offers text, so
    // reading the text next cannot hang on it.
    virtual bool AnswersWithText(QClipboard::Mode mode, int waitMs) = 0;

signals:
    void Changed();

protected:
    void SetOffersText(bool offers);
    // Asks Qt, which answers at once for our own data and on every platform
    // whose clipboard never calls the owner for its formats.
    static bool QtOffersText(QClipboard::Mode mode);

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
    bool AnswersWithText(QClipboard::Mode mode, int waitMs) override;
};

} // namespace tainoteka
