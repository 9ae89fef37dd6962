// Starts a program and watches the X server until its main window is mapped and painted.
// Prints the two times from the start of the process, its peak resident memory, and its time on
// a CPU, its time waiting for one, its page faults and how often it slept when the paint was seen:
//   map_ms=<ms> paint_ms=<ms> peak_rss_kb=<kB> cpu_ms=<ms> wait_ms=<ms> faults=<n> sleeps=<n>
// Usage: startwatch [--settle MS] PROGRAM [ARGS...]
//
// The window counts as painted when the DAMAGE extension reports drawing that covers most of
// the mapped window: the first full flush of the backing store, which is what a person sees.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
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

// Time on a CPU and time waiting for one (all threads, from the scheduler's nanosecond counts in
// /proc/PID/task/*/schedstat) and page faults of the process so far: on a loaded machine the
// wall-clock times are mostly waiting, these two say what the program itself cost.
struct Usage {
    double cpuMs = -1;
    double waitMs = -1;
    long faults = -1;
    long sleeps = 0; // voluntary context switches: each a wait for the X server, a file or a timer
};

Usage UsageOf(pid_t pid) {
    Usage usage;
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream stat(proc + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')'); // the command name may hold spaces
    if (close == std::string::npos) return usage;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // state is field 3 of the file; minflt 10, majflt 12.
    for (int n = 3; n <= 12 && fields >> field; ++n) {
        if (n == 10) usage.faults = std::stol(field);
        if (n == 12) usage.faults += std::stol(field);
    }
    double cpuNs = 0, waitNs = 0;
    if (DIR* tasks = opendir((proc + "/task").c_str())) {
        while (dirent* task = readdir(tasks)) {
            if (task->d_name[0] == '.') continue;
            std::ifstream sched(proc + "/task/" + task->d_name + "/schedstat");
            double run = 0, wait = 0;
            if (sched >> run >> wait) cpuNs += run, waitNs += wait;
            std::ifstream status(proc + "/task/" + task->d_name + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0) usage.sleeps += std::stol(line.substr(24));
        }
        closedir(tasks);
    }
    usage.cpuMs = cpuNs / 1e6;
    usage.waitMs = waitNs / 1e6;
    return usage;
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
    Usage atPaint;
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
            if (it->second.damaged * 10 >= it->second.area * 9) {
                paintMs = NowMs() - start;
                atPaint = UsageOf(pid);
            }
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
    std::printf("map_ms=%.1f paint_ms=%.1f peak_rss_kb=%ld cpu_ms=%.2f wait_ms=%.2f faults=%ld sleeps=%ld\n", mapMs,
                paintMs, peak, atPaint.cpuMs, atPaint.waitMs, atPaint.faults, atPaint.sleeps);
    return 0;
}
