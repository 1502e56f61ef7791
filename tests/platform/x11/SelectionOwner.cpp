// A clipboard owner that misbehaves, for the X11 tests. It offers UTF8_STRING
// and image/png, prints "owned", then "request TARGET" for every request, and
// exits when its standard input closes. "hang" answers nothing; "drip N"
// sends UTF8_STRING incrementally, one byte every N ms, without end;
// "mistyped" answers every data request with a property of type INTEGER.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const int interval = argc > 2 ? std::stoi(argv[2]) : 100;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom offered[] = { XInternAtom(display, "TARGETS", False),
        XInternAtom(display, "UTF8_STRING", False), XInternAtom(display, "image/png", False) };
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    std::printf("owned\n");
    std::fflush(stdout);
    XSelectionEvent drip {}; // the incremental transfer in progress
    bool taken = false;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == PropertyNotify && event.xproperty.window == drip.requestor
                && event.xproperty.state == PropertyDelete)
                taken = true;
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent &request = event.xselectionrequest;
            char *name = XGetAtomName(display, request.target);
            std::printf("request %s\n", name);
            std::fflush(stdout);
            XFree(name);
            XSelectionEvent reply { SelectionNotify, 0, True, display, request.requestor, request.selection,
                request.target, request.property, request.time };
            const long incr = 1024, integer = 7;
            if (mode == "hang")
                continue;
            if (request.target == offered[0])
                XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(offered), 3);
            else if (mode == "mistyped")
                XChangeProperty(display, request.requestor, request.property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&integer), 1);
            else if (request.target == offered[1]) {
                XSelectInput(display, request.requestor, PropertyChangeMask);
                XChangeProperty(display, request.requestor, request.property,
                    XInternAtom(display, "INCR", False), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&incr), 1);
                drip = reply;
            } else
                reply.property = None;
            XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&reply));
            XFlush(display);
        }
        pollfd descriptors[2] { { ConnectionNumber(display), POLLIN, 0 }, { STDIN_FILENO, POLLIN, 0 } };
        if (poll(descriptors, 2, taken ? interval : -1) == 0) {
            taken = false;
            XChangeProperty(display, drip.requestor, drip.property, drip.target, 8, PropModeReplace,
                reinterpret_cast<const unsigned char *>("x"), 1);
            XFlush(display);
        }
        char buffer[64];
        if (descriptors[1].revents != 0 && read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            return 0;
    }
}
