// X11: Qt asks a foreign owner for its formats and waits up to five seconds
// for the answer, on the GUI thread. Here the question goes out on a
// connection of our own and the answer is read when it comes, or waited for
// at most the bound, so a stopped owner costs at most that. Off X11
// (Wayland, offscreen) Qt's clipboard never waits on an owner.
#include "ClipboardTextWatch.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

#ifdef TAINOTEKA_HAS_X11
#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <poll.h>
// Xlib last: its macros (None, Bool, Status, ...) clash with Qt names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#define TAINOTEKA_USE_XLIB 1
#endif
#endif

namespace tainoteka {

#ifdef TAINOTEKA_USE_XLIB
namespace {

class TX11ClipboardTextWatch final : public TClipboardTextWatch {
public:
    explicit TX11ClipboardTextWatch(Display* display) : display_(display)
    {
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        clipboard_.Selection = XInternAtom(display_, "CLIPBOARD", False);
        primary_.Selection = XA_PRIMARY;
        targets_ = XInternAtom(display_, "TARGETS", False);
        for (const char* name : {"UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8", "COMPOUND_TEXT"})
            textTargets_[textTargetCount_++] = XInternAtom(display_, name, False);
        XFlush(display_);
        notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadEvents(); });
        silentOwner_.setSingleShot(true);
        silentOwner_.setInterval(BoundedLookMs);
        connect(&silentOwner_, &QTimer::timeout, this, [this] {
            if (clipboard_.Pending != 0)
                SetOffersText(false);
        });
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Refresh(0); });
        Refresh(0);
    }

    ~TX11ClipboardTextWatch() override
    {
        delete notifier_;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    void Refresh(int waitMs) override
    {
        // Our own data is answered by Qt without a round trip to anyone, and
        // our own event loop could not answer a question we wait for.
        if (QGuiApplication::clipboard()->ownsClipboard()) {
            clipboard_.Pending = 0;
            SetOffersText(QtOffersText(QClipboard::Clipboard));
            return;
        }
        Ask(clipboard_, waitMs);
        if (clipboard_.Pending == 0)
            SetOffersText(clipboard_.Text);
        else if (waitMs > 0)
            SetOffersText(false);
        else
            silentOwner_.start();
    }

    bool AnswersWithText(QClipboard::Mode mode, int waitMs) override
    {
        if (mode == QClipboard::Clipboard) {
            Refresh(waitMs);
            return clipboard_.Pending == 0 && OffersText();
        }
        if (QGuiApplication::clipboard()->ownsSelection())
            return QtOffersText(mode);
        Ask(primary_, waitMs);
        return primary_.Pending == 0 && primary_.Text;
    }

private:
    // One selection's last question and its answer.
    struct TQuestion {
        Atom Selection = 0;
        Atom Pending = 0; // the property the unanswered question names
        bool Text = false;
    };

    void Ask(TQuestion& question, int waitMs)
    {
        if (XGetSelectionOwner(display_, question.Selection) == 0) {
            question.Pending = 0;
            question.Text = false;
            return;
        }
        // A fresh property for every question, so that a late answer from a
        // former owner is told apart.
        serial_ = (serial_ + 1) % 16;
        const QByteArray name = "_TAINOTEKA_TARGETS_" + QByteArray::number(serial_);
        question.Pending = XInternAtom(display_, name.constData(), False);
        XConvertSelection(display_, question.Selection, targets_, question.Pending, window_, CurrentTime);
        XFlush(display_);
        WaitForAnswer(question, waitMs);
    }

    void WaitForAnswer(const TQuestion& question, int waitMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (question.Pending != 0 && waited.elapsed() < waitMs) {
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            if (XPending(display_) == 0 && poll(&fd, 1, int(waitMs - waited.elapsed())) <= 0)
                break;
            ReadEvents();
        }
    }

    void ReadEvents()
    {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == SelectionNotify && event.xselection.requestor == window_)
                TakeAnswer(event.xselection);
        }
    }

    void TakeAnswer(const XSelectionEvent& answer)
    {
        TQuestion& question = answer.selection == primary_.Selection ? primary_ : clipboard_;
        if (question.Pending == 0)
            return;
        if (answer.property != 0 && answer.property != question.Pending) {
            XDeleteProperty(display_, window_, answer.property);
            return;
        }
        // No property: the owner has no TARGETS to give.
        question.Text = answer.property != 0 && ListsText(answer.property);
        question.Pending = 0;
        if (&question == &clipboard_)
            SetOffersText(question.Text);
    }

    bool ListsText(Atom property)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        bool text = false;
        if (XGetWindowProperty(display_, window_, property, 0, 4096, True, AnyPropertyType, &type, &format, &count,
                               &remaining, &data)
                == Success
            && data && format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);
            for (unsigned long i = 0; i < count && !text; ++i)
                for (int t = 0; t < textTargetCount_; ++t)
                    text = text || atoms[i] == textTargets_[t];
        }
        if (data)
            XFree(data);
        return text;
    }

    Display* display_;
    Window window_ = 0;
    TQuestion clipboard_;
    TQuestion primary_;
    Atom targets_ = 0;
    Atom textTargets_[6] = {};
    int textTargetCount_ = 0;
    int serial_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    // A new owner that has not answered within the bound counts as offering no text.
    QTimer silentOwner_;
};

// A connection of our own to the display Qt uses.
Display* OpenOwnConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* qtDisplay = x11 ? x11->display() : nullptr;
    return qtDisplay ? XOpenDisplay(DisplayString(qtDisplay)) : nullptr;
}

} // namespace
#endif

std::unique_ptr<TClipboardTextWatch> CreateClipboardTextWatch()
{
#ifdef TAINOTEKA_USE_XLIB
    if (Display* own = OpenOwnConnection())
        return std::make_unique<TX11ClipboardTextWatch>(own);
#endif
    return std::make_unique<TQtClipboardTextWatch>();
}

} // namespace tainoteka
