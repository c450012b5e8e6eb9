/* Times a program from outside, the same way for any X client: from a
 * moment (a key sent with xdotool, or a given start time) until a top-level
 * window of the process shows a title holding TEXT and the program answers
 * a _NET_WM_PING, i.e. its event loop is free again to take keys. With
 * --file it also waits until that file has been replaced or rewritten.
 *
 *   window_ready_probe --pid PID --title TEXT [--keys XDOTOOL-KEYS | --since EPOCH-SECONDS]
 *                      [--file PATH] [--timeout SECONDS]
 *
 * Prints the seconds taken, or "timeout" (exit status 1).
 * Build: cc -O2 -o window_ready_probe WindowReadyProbe.c -lX11
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

static double Now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

/* A window may go between listing it and reading its properties. */
static int IgnoreErrors(Display* dpy, XErrorEvent* error)
{
    (void)dpy;
    (void)error;
    return 0;
}

static Atom pidAtom, nameAtom, utf8Atom, protocolsAtom, pingAtom;

static long WindowPid(Display* dpy, Window w)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long pid = -1;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success
        && data && count == 1)
        pid = (long)*(unsigned long*)data;
    if (data)
        XFree(data);
    return pid;
}

static int TitleHolds(Display* dpy, Window w, const char* text)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int holds = 0;
    if (XGetWindowProperty(dpy, w, nameAtom, 0, 1024, False, utf8Atom, &type, &format, &count, &after, &data) == Success
        && data)
        holds = strstr((const char*)data, text) != NULL;
    if (data)
        XFree(data);
    return holds;
}

/* A top-level window of pid whose title holds text, or None. */
static Window FindWindow(Display* dpy, long pid, const char* text)
{
    Window root, parent, *children = NULL, found = None;
    unsigned int count = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count))
        return None;
    for (unsigned int i = 0; i < count && found == None; ++i)
        if (WindowPid(dpy, children[i]) == pid && TitleHolds(dpy, children[i], text))
            found = children[i];
    if (children)
        XFree(children);
    return found;
}

struct FileState {
    int exists;
    struct stat st;
};

static struct FileState StateOf(const char* path)
{
    struct FileState s;
    memset(&s, 0, sizeof s);
    s.exists = path && stat(path, &s.st) == 0;
    return s;
}

static int Changed(const struct FileState* a, const struct FileState* b)
{
    if (a->exists != b->exists)
        return 1;
    return a->st.st_ino != b->st.st_ino || a->st.st_size != b->st.st_size
        || a->st.st_mtim.tv_sec != b->st.st_mtim.tv_sec || a->st.st_mtim.tv_nsec != b->st.st_mtim.tv_nsec;
}

static void SendPing(Display* dpy, Window w, unsigned long stamp)
{
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = protocolsAtom;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)pingAtom;
    ev.xclient.data.l[1] = (long)stamp;
    ev.xclient.data.l[2] = (long)w;
    XSendEvent(dpy, w, False, NoEventMask, &ev);
    XFlush(dpy);
}

/* Waits for the answer to the ping with this stamp; 0 when time ran out. */
static int AwaitPong(Display* dpy, unsigned long stamp, double deadline)
{
    while (Now() < deadline) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == ClientMessage && ev.xclient.message_type == protocolsAtom
                && (Atom)ev.xclient.data.l[0] == pingAtom && (unsigned long)ev.xclient.data.l[1] == stamp)
                return 1;
        }
        struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, 5);
    }
    return 0;
}

int main(int argc, char** argv)
{
    long pid = -1;
    const char *title = NULL, *keys = NULL, *file = NULL;
    double since = 0, timeout = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--pid")) pid = atol(argv[i + 1]);
        else if (!strcmp(argv[i], "--title")) title = argv[i + 1];
        else if (!strcmp(argv[i], "--keys")) keys = argv[i + 1];
        else if (!strcmp(argv[i], "--since")) since = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--file")) file = argv[i + 1];
        else if (!strcmp(argv[i], "--timeout")) timeout = atof(argv[i + 1]);
    }
    if (pid <= 0 || !title) {
        fprintf(stderr, "usage: window_ready_probe --pid PID --title TEXT [--keys KEYS | --since T] [--file PATH]\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "no X display\n");
        return 2;
    }
    XSetErrorHandler(IgnoreErrors);
    pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    nameAtom = XInternAtom(dpy, "_NET_WM_NAME", False);
    utf8Atom = XInternAtom(dpy, "UTF8_STRING", False);
    protocolsAtom = XInternAtom(dpy, "WM_PROTOCOLS", False);
    pingAtom = XInternAtom(dpy, "_NET_WM_PING", False);
    /* The answer to a ping goes to the root window. */
    XSelectInput(dpy, DefaultRootWindow(dpy), StructureNotifyMask | SubstructureNotifyMask);
    XSync(dpy, False);

    const struct FileState before = StateOf(file);
    if (keys) {
        char command[512];
        snprintf(command, sizeof command, "xdotool key --clearmodifiers %s", keys);
        since = Now();
        if (system(command) != 0)
            fprintf(stderr, "xdotool failed\n");
    }
    const double deadline = since + timeout;
    Window w = None;
    unsigned long stamp = 1;
    for (;;) {
        if (Now() > deadline) {
            printf("timeout\n");
            return 1;
        }
        const struct FileState now = StateOf(file);
        if (file && !Changed(&before, &now)) {
            poll(NULL, 0, 2);
            continue;
        }
        w = FindWindow(dpy, pid, title);
        if (w == None) {
            poll(NULL, 0, 2);
            continue;
        }
        SendPing(dpy, w, ++stamp);
        if (AwaitPong(dpy, stamp, deadline))
            break;
    }
    printf("%.3f\n", Now() - since);
    XCloseDisplay(dpy);
    return 0;
}
