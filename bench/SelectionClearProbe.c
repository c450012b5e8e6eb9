/* Takes an X selection (as a program does when text is copied) and measures
 * how long it stays ours: the time from taking it until the server reports
 * SelectionClear, i.e. until some other client has taken or emptied it.
 * Requests for the text are answered meanwhile, as a real owner would.
 *
 *   selection_clear_probe [-s CLIPBOARD|PRIMARY] [-n COUNT] [-t TIMEOUT_MS] [-g GAP_MS]
 *
 * Prints one delay per line in ms ("timeout" when none came), then
 *   summary <selection> n=<n> median=<ms> max=<ms> timeouts=<k>
 * Build: cc -O2 -o selection_clear_probe SelectionClearProbe.c -lX11
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static const char kText[] = "probe text";

static double NowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static int CompareDoubles(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static Atom targets, utf8, text;

static void Answer(Display* dpy, const XSelectionRequestEvent* req)
{
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = req->display;
    reply.requestor = req->requestor;
    reply.selection = req->selection;
    reply.target = req->target;
    reply.time = req->time;
    reply.property = req->property != None ? req->property : req->target;
    if (req->target == targets) {
        const Atom offered[] = {targets, utf8, XA_STRING, text};
        XChangeProperty(dpy, req->requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)offered, 4);
    } else if (req->target == utf8 || req->target == XA_STRING || req->target == text) {
        XChangeProperty(dpy, req->requestor, reply.property, req->target, 8, PropModeReplace,
                        (const unsigned char*)kText, (int)strlen(kText));
    } else {
        reply.property = None;
    }
    XSendEvent(dpy, req->requestor, False, NoEventMask, (XEvent*)&reply);
    XFlush(dpy);
}

/* Handles events until `until_ms`; returns 1 when SelectionClear for `sel`
 * arrived (its arrival time in *cleared_at). */
static int Serve(Display* dpy, Atom sel, double until_ms, double* cleared_at)
{
    const int fd = ConnectionNumber(dpy);
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == SelectionClear && ev.xselectionclear.selection == sel) {
                *cleared_at = NowMs();
                return 1;
            }
            if (ev.type == SelectionRequest)
                Answer(dpy, &ev.xselectionrequest);
        }
        const double left = until_ms - NowMs();
        if (left <= 0)
            return 0;
        struct pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, (int)(left + 1));
    }
}

/* A server timestamp: the time of a PropertyNotify caused on purpose. */
static Time ServerTime(Display* dpy, Window win, Atom prop)
{
    XChangeProperty(dpy, win, prop, XA_STRING, 8, PropModeAppend, (const unsigned char*)"", 0);
    XFlush(dpy);
    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == PropertyNotify && ev.xproperty.window == win && ev.xproperty.atom == prop)
            return ev.xproperty.time;
        if (ev.type == SelectionRequest)
            Answer(dpy, &ev.xselectionrequest);
    }
}

int main(int argc, char** argv)
{
    const char* selName = "CLIPBOARD";
    int count = 20, timeoutMs = 2000, gapMs = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "-s"))
            selName = argv[i + 1];
        else if (!strcmp(argv[i], "-n"))
            count = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "-t"))
            timeoutMs = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "-g"))
            gapMs = atoi(argv[i + 1]);
        else {
            fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (count < 1)
        count = 1;
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "cannot open display\n");
        return 1;
    }
    const Atom sel = XInternAtom(dpy, selName, False);
    const Atom stamp = XInternAtom(dpy, "SELECTION_CLEAR_PROBE_TIME", False);
    targets = XInternAtom(dpy, "TARGETS", False);
    utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    text = XInternAtom(dpy, "TEXT", False);
    const Window win = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(dpy, win, PropertyChangeMask);

    double* delays = calloc((size_t)count, sizeof(double));
    int got = 0, timeouts = 0;
    for (int i = 0; i < count; ++i) {
        const Time t = ServerTime(dpy, win, stamp);
        XSetSelectionOwner(dpy, sel, win, t);
        const double start = NowMs();
        XFlush(dpy);
        double cleared = 0;
        if (Serve(dpy, sel, start + timeoutMs, &cleared)) {
            delays[got++] = cleared - start;
            printf("%.3f\n", cleared - start);
        } else {
            ++timeouts;
            printf("timeout\n");
            /* Give it up so the next round starts from a clean state. */
            XSetSelectionOwner(dpy, sel, None, CurrentTime);
        }
        fflush(stdout);
        double ignored;
        Serve(dpy, sel, NowMs() + gapMs, &ignored);
    }
    qsort(delays, (size_t)got, sizeof(double), CompareDoubles);
    const double median = got == 0 ? 0 : got % 2 ? delays[got / 2] : (delays[got / 2 - 1] + delays[got / 2]) / 2;
    printf("summary %s n=%d median=%.3f max=%.3f timeouts=%d\n", selName, count, median,
           got ? delays[got - 1] : 0.0, timeouts);
    free(delays);
    XCloseDisplay(dpy);
    return 0;
}
