// Starts a program and watches the X server until its main window is mapped and painted.
// Prints the two times from the start of the process and its peak resident memory:
//   map_ms=<ms> paint_ms=<ms> peak_rss_kb=<kB>
// Usage: startwatch [--settle MS] PROGRAM [ARGS...]
//
// The window counts as painted when the DAMAGE extension reports drawing that covers most of
// the mapped window: the first full flush of the backing store, which is what a person sees.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long PeakRssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Watched {
    Damage damage = 0;
    bool mapped = false;
    long area = 0;    // window area once mapped
    long damaged = 0; // drawn area since the map (rectangles may overlap: an upper bound)
};

} // namespace

int main(int argc, char** argv) {
    int settleMs = 300;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--settle") == 0) {
        settleMs = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: startwatch [--settle MS] PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "startwatch: no X display\n");
        return 2;
    }
    int damageEvent = 0, damageError = 0;
    if (!XDamageQueryExtension(dpy, &damageEvent, &damageError)) {
        std::fprintf(stderr, "startwatch: the X server has no DAMAGE extension\n");
        return 2;
    }
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(dpy));
        execvp(argv[first], argv + first);
        std::perror("startwatch: exec");
        _exit(127);
    }

    std::map<Window, Watched> windows;
    double mapMs = -1, paintMs = -1;
    const double deadline = start + 30000;
    while (paintMs < 0 && NowMs() < deadline) {
        if (!XPending(dpy)) {
            pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
            poll(&pfd, 1, 50);
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                std::fprintf(stderr, "startwatch: the program ended before painting\n");
                return 1;
            }
            continue;
        }
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == CreateNotify && !ev.xcreatewindow.override_redirect) {
            // Watch every new top-level window from its creation, so no drawing is missed.
            Watched& w = windows[ev.xcreatewindow.window];
            w.damage = XDamageCreate(dpy, ev.xcreatewindow.window, XDamageReportRawRectangles);
        } else if (ev.type == MapNotify && windows.count(ev.xmap.window)) {
            Watched& w = windows[ev.xmap.window];
            XWindowAttributes attrs;
            if (XGetWindowAttributes(dpy, ev.xmap.window, &attrs)) {
                w.mapped = true;
                w.area = static_cast<long>(attrs.width) * attrs.height;
                if (mapMs < 0) mapMs = NowMs() - start;
            }
        } else if (ev.type == damageEvent + XDamageNotify) {
            auto* d = reinterpret_cast<XDamageNotifyEvent*>(&ev);
            auto it = windows.find(d->drawable);
            if (it == windows.end() || !it->second.mapped) continue;
            it->second.damaged += static_cast<long>(d->area.width) * d->area.height;
            if (std::getenv("STARTWATCH_DEBUG"))
                std::fprintf(stderr, "damage %.1f ms: %dx%d+%d+%d of %ld\n", NowMs() - start, d->area.width,
                             d->area.height, d->area.x, d->area.y, it->second.area);
            if (it->second.damaged * 10 >= it->second.area * 9) paintMs = NowMs() - start;
        } else if (ev.type == DestroyNotify) {
            windows.erase(ev.xdestroywindow.window);
        }
    }
    // Let start-up finish what it still does after the first paint before reading the peak.
    usleep(static_cast<useconds_t>(settleMs) * 1000);
    const long peak = PeakRssKb(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    XCloseDisplay(dpy);
    if (paintMs < 0) {
        std::fprintf(stderr, "startwatch: no painted window within 30 s\n");
        return 1;
    }
    std::printf("map_ms=%.1f paint_ms=%.1f peak_rss_kb=%ld\n", mapMs, paintMs, peak);
    return 0;
}
