/* Small X11 helper for the end-to-end tests, compiled by run.sh at test time.
 *
 *   x11tool state                  prints "group=G caps=C"
 *   x11tool group N                locks keyboard group N (xdotool cannot)
 *   x11tool caps 0|1               sets the Caps Lock lock
 *   x11tool hold SEL TEXT SECONDS  owns selection SEL (CLIPBOARD, PRIMARY)
 *                                  with TEXT for SECONDS, taking it back at
 *                                  once whenever another client takes or
 *                                  clears it, as a clipboard manager would;
 *                                  prints "holding" once it owns SEL, and
 *                                  "taken_back=N served=M" at the end (after
 *                                  SECONDS, or sooner on SIGTERM)
 *   x11tool hold SEL TEXT SECONDS ANSWER_MS
 *                                  the same, answering every question only
 *                                  after ANSWER_MS, as a slow program does;
 *                                  "never" never answers, as a hung one;
 *                                  "late" keeps the first question until a
 *                                  second one comes, then answers both, as a
 *                                  program busy when it copied
 *   x11tool own SEL TEXT MS        owns SEL with TEXT once and times how long
 *                                  until another client takes or clears it;
 *                                  prints "cleared_after_us=N", or exits 1
 *                                  when it is still owned after MS
 */
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static int print_state(Display *d)
{
    XkbStateRec s;
    if (XkbGetState(d, XkbUseCoreKbd, &s) != Success)
        return 2;
    printf("group=%d caps=%d\n", s.locked_group, (s.locked_mods & LockMask) ? 1 : 0);
    return 0;
}

static void answer(Display *d, const XSelectionRequestEvent *req, const char *text, Atom targets, Atom utf8,
                   Atom text_atom, Atom plain_utf8)
{
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.requestor = req->requestor;
    reply.selection = req->selection;
    reply.target = req->target;
    reply.time = req->time;
    /* Obsolete clients pass no property: the target names it then. */
    Atom property = req->property != None ? req->property : req->target;
    reply.property = property;
    if (req->target == targets) {
        Atom list[] = {targets, utf8, XA_STRING, text_atom, plain_utf8};
        XChangeProperty(d, req->requestor, property, XA_ATOM, 32, PropModeReplace, (unsigned char *)list,
                        (int)(sizeof list / sizeof list[0]));
    } else if (req->target == utf8 || req->target == XA_STRING || req->target == text_atom
               || req->target == plain_utf8) {
        XChangeProperty(d, req->requestor, property, req->target, 8, PropModeReplace, (const unsigned char *)text,
                        (int)strlen(text));
    } else {
        reply.property = None;
    }
    XSendEvent(d, req->requestor, False, NoEventMask, (XEvent *)&reply);
    XFlush(d);
}

static volatile sig_atomic_t stop_requested = 0;

static void request_stop(int signo)
{
    (void)signo;
    stop_requested = 1;
}

enum { ANSWER_NEVER = -1, ANSWER_LATE = -2 };

static void sleep_ms(int ms)
{
    struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}

/* answer_ms: a delay, ANSWER_NEVER or ANSWER_LATE. */
static int hold(Display *d, const char *selection_name, const char *text, double seconds, int answer_ms)
{
    const Atom selection = XInternAtom(d, selection_name, False);
    const Atom targets = XInternAtom(d, "TARGETS", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const Atom text_atom = XInternAtom(d, "TEXT", False);
    const Atom plain_utf8 = XInternAtom(d, "text/plain;charset=utf-8", False);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    long taken_back = 0, served = 0;

    struct sigaction on_term;
    memset(&on_term, 0, sizeof on_term);
    on_term.sa_handler = request_stop;
    sigaction(SIGTERM, &on_term, NULL);
    XSelectionRequestEvent kept;
    int kept_count = 0;

    XSetSelectionOwner(d, selection, w, CurrentTime);
    XSync(d, False);
    printf("holding\n");
    fflush(stdout);
    const double end = now_seconds() + seconds;
    for (;;) {
        const double left = end - now_seconds();
        if (left <= 0 || stop_requested)
            break;
        if (!XPending(d)) {
            struct pollfd pfd = {ConnectionNumber(d), POLLIN, 0};
            /* Short naps: a stop signal between the check and the poll waits one at most. */
            poll(&pfd, 1, left < 0.1 ? (int)(left * 1000) + 1 : 100);
            if (!XPending(d))
                continue;
        }
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == SelectionClear && ev.xselectionclear.selection == selection) {
            XSetSelectionOwner(d, selection, w, CurrentTime);
            XFlush(d);
            ++taken_back;
        } else if (ev.type == SelectionRequest && answer_ms == ANSWER_LATE && served == 0 && kept_count == 0) {
            kept = ev.xselectionrequest;
            kept_count = 1;
        } else if (ev.type == SelectionRequest && answer_ms != ANSWER_NEVER) {
            sleep_ms(answer_ms > 0 ? answer_ms : 0);
            if (kept_count > 0) {
                answer(d, &kept, text, targets, utf8, text_atom, plain_utf8);
                kept_count = 0;
                ++served;
            }
            answer(d, &ev.xselectionrequest, text, targets, utf8, text_atom, plain_utf8);
            ++served;
        }
    }
    if (XGetSelectionOwner(d, selection) == w)
        XSetSelectionOwner(d, selection, None, CurrentTime);
    XSync(d, False);
    printf("taken_back=%ld served=%ld\n", taken_back, served);
    return 0;
}

static int own(Display *d, const char *selection_name, const char *text, int limit_ms)
{
    const Atom selection = XInternAtom(d, selection_name, False);
    const Atom targets = XInternAtom(d, "TARGETS", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const Atom text_atom = XInternAtom(d, "TEXT", False);
    const Atom plain_utf8 = XInternAtom(d, "text/plain;charset=utf-8", False);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);

    const double start = now_seconds();
    XSetSelectionOwner(d, selection, w, CurrentTime);
    /* The other client may clear it before this round trip returns: then the
     * clear notice is already queued and read below. */
    if (XGetSelectionOwner(d, selection) != w && !XPending(d)) {
        fprintf(stderr, "x11tool: could not own %s\n", selection_name);
        return 2;
    }
    const double end = start + limit_ms / 1000.0;
    for (;;) {
        const double left = end - now_seconds();
        if (left <= 0)
            break;
        if (!XPending(d)) {
            struct pollfd pfd = {ConnectionNumber(d), POLLIN, 0};
            poll(&pfd, 1, (int)(left * 1000) + 1);
            if (!XPending(d))
                continue;
        }
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == SelectionClear && ev.xselectionclear.selection == selection) {
            printf("cleared_after_us=%ld\n", (long)((now_seconds() - start) * 1e6));
            return 0;
        }
        if (ev.type == SelectionRequest)
            answer(d, &ev.xselectionrequest, text, targets, utf8, text_atom, plain_utf8);
    }
    XSetSelectionOwner(d, selection, None, CurrentTime);
    XSync(d, False);
    printf("still_owned_after_ms=%d\n", limit_ms);
    return 1;
}

int main(int argc, char **argv)
{
    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "x11tool: cannot open display\n");
        return 2;
    }
    int rc = 0;
    if (argc == 2 && strcmp(argv[1], "state") == 0) {
        rc = print_state(d);
    } else if (argc == 3 && strcmp(argv[1], "group") == 0) {
        XkbLockGroup(d, XkbUseCoreKbd, (unsigned)atoi(argv[2]));
        XSync(d, False);
        rc = print_state(d);
    } else if (argc == 3 && strcmp(argv[1], "caps") == 0) {
        XkbLockModifiers(d, XkbUseCoreKbd, LockMask, atoi(argv[2]) ? LockMask : 0);
        XSync(d, False);
        rc = print_state(d);
    } else if ((argc == 5 || argc == 6) && strcmp(argv[1], "hold") == 0) {
        const int answer_ms = argc == 5                         ? 0
                              : strcmp(argv[5], "never") == 0 ? ANSWER_NEVER
                              : strcmp(argv[5], "late") == 0  ? ANSWER_LATE
                                                              : atoi(argv[5]);
        rc = hold(d, argv[2], argv[3], atof(argv[4]), answer_ms);
    } else if (argc == 5 && strcmp(argv[1], "own") == 0) {
        rc = own(d, argv[2], argv[3], atoi(argv[4]));
    } else {
        fprintf(stderr, "usage: x11tool state | group N | caps 0|1 | hold SEL TEXT SECONDS [ANSWER_MS|never|late] | own SEL TEXT MS\n");
        rc = 2;
    }
    XCloseDisplay(d);
    return rc;
}
