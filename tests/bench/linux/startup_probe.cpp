// Start-up of X programs: for ROUNDS rounds, starts each program in turn (interleaved, so that a
// drift of the machine touches all of them alike), takes the time from the fork to the map of its
// top-level window with the expected title, then, after a settle time, its proportional set size
// (PSS, from /proc/PID/smaps_rollup), and ends it with SIGTERM (SIGKILL if it lingers). Prints
// each program's median, minimum and maximum, and the first program's ratios to the others.
//
//     startup_probe [--timeout SECONDS] [--settle MS] [--warmup N] [--verbose] ROUNDS TITLE COMMAND
//                   [TITLE COMMAND]...
//
// Before the rounds, each program is started once (--warmup N: N times) without being counted:
// that start fills the page cache, and lets a GTK program leave its GL visuals on the root window
// (GDK_VISUALS), where a desktop session has them already; without them each GTK start loads
// Mesa, some 20 MiB more. The probe's own connection keeps the server from resetting, which would
// clear them. --verbose prints each start's figures, or its failure, to stderr as it goes.
// COMMAND is split at blanks into the program and its arguments, after leading NAME=VALUE words
// that set the program's environment. A note in parentheses at the end of TITLE names one of
// several programs of that title ("Zahlix (no bus)"). The display (DISPLAY) may run a window
// manager or none: the time runs to the moment the program's top-level window is viewable, which
// is its own map without a window manager, and the map of the frame that the window manager puts
// around it with one. A round fails when the program ends, or shows no window of that title
// within the timeout (10 s by default); the probe then ends with 1.
#include "tests/bench/linux/probe_stats.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

struct Program {
    std::string name;  // as given, and printed
    std::string title; // of its window
    probe::Command command;
    std::vector<double> milliseconds;
    std::vector<double> pssMiB;
    std::vector<double> rssMiB;
    int starts = 0;
    int failures = 0;
    std::string firstFailure;
};

// What waiting for a program's window came to: the time, or what went wrong.
struct Outcome {
    std::optional<double> milliseconds;
    std::string failure;
    bool reaped = false; // the program has already ended and been reaped
};

// The windows asked about may be gone by the time the request arrives; such errors are expected.
int IgnoreXError(Display *, XErrorEvent *)
{
    return 0;
}

// Reaps the program if it has ended, within the bound; true when it has.
bool Reap(pid_t pid, Clock::duration bound, int &status)
{
    const Clock::time_point deadline = Clock::now() + bound;
    for (;;) {
        const pid_t reaped = waitpid(pid, &status, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno == ECHILD))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string DescribeEnd(int status)
{
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        return "exited with " + std::to_string(code) + (code == 127 ? " (could not be started)" : "");
    }
    if (WIFSIGNALED(status))
        return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}

// Ends the program's process group with SIGTERM, then SIGKILL after two seconds, and reaps it.
// Empty on success, else what went wrong.
std::string Stop(pid_t pid)
{
    int status = 0;
    kill(-pid, SIGTERM);
    if (Reap(pid, std::chrono::seconds(2), status))
        return {};
    kill(-pid, SIGKILL);
    if (Reap(pid, std::chrono::seconds(2), status))
        return {};
    return "did not end even on SIGKILL";
}

// Starts the program in a process group of its own, with stdin, stdout and stderr on /dev/null.
pid_t Start(probe::Command command)
{
    std::vector<char *> argv;
    argv.reserve(command.argv.size() + 1);
    for (std::string &argument : command.argv)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            if (null > STDERR_FILENO)
                close(null);
        }
        for (const auto &[name, value] : command.environment)
            setenv(name.c_str(), value.c_str(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0)
        setpgid(pid, pid);
    return pid;
}

struct Memory {
    double pssMiB = 0;
    double rssMiB = 0;
};

// The process's proportional and resident set sizes. PSS shares each page among the processes that
// map it, so it falls when other programs of the same toolkit run; RSS does not depend on them.
std::optional<Memory> ReadMemory(pid_t pid)
{
    const std::ifstream file("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::ostringstream stream;
    stream << file.rdbuf();
    const std::string text = stream.str();
    const std::optional<long> pss = probe::RollupKiB(text, "Pss");
    const std::optional<long> rss = probe::RollupKiB(text, "Rss");
    if (!pss || !rss)
        return std::nullopt;
    return Memory{static_cast<double>(*pss) / 1024, static_cast<double>(*rss) / 1024};
}

std::string SecondsText(double seconds)
{
    std::ostringstream text;
    text << seconds << " s";
    return text.str();
}

class Probe {
public:
    Probe(Display *display, double timeoutSeconds, std::chrono::milliseconds settle, bool verbose)
        : display_(display), root_(DefaultRootWindow(display)),
          timeout_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds))),
          timeoutText_(SecondsText(timeoutSeconds)), settle_(settle), verbose_(verbose),
          netWmName_(XInternAtom(display, "_NET_WM_NAME", False)), netWmPid_(XInternAtom(display, "_NET_WM_PID", False))
    {
        XSelectInput(display_, root_, SubstructureNotifyMask);
        // The programs must not inherit the connection.
        fcntl(ConnectionNumber(display_), F_SETFD, FD_CLOEXEC);
    }

    // One start of the program: its time and PSS are added to its samples when the start is counted;
    // a failure is counted either way.
    void Round(Program &program, bool counted)
    {
        ++program.starts;
        // Nothing from the programs before counts.
        XSync(display_, True);
        const Clock::time_point start = Clock::now();
        const pid_t pid = Start(program.command);
        if (pid < 0) {
            Fail(program, "could not fork");
            return;
        }
        const Outcome outcome = WaitForWindow(pid, program.title, start);
        std::string failure = outcome.failure;
        std::optional<Memory> memory;
        if (outcome.milliseconds) {
            std::this_thread::sleep_for(settle_);
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return Fail(program, DescribeEnd(status) + " in the settle time after its window was mapped");
            memory = ReadMemory(pid);
            if (!memory)
                failure = "no Pss or Rss in /proc/" + std::to_string(pid) + "/smaps_rollup";
        }
        if (!outcome.reaped) {
            const std::string stopped = Stop(pid);
            if (failure.empty())
                failure = stopped;
        }
        if (!failure.empty())
            return Fail(program, failure);
        if (verbose_) {
            std::fprintf(stderr, "%s: %.1f ms, PSS %.2f MiB, RSS %.2f MiB%s\n", program.name.c_str(),
                         *outcome.milliseconds, memory->pssMiB, memory->rssMiB,
                         counted ? "" : " (warm-up, not counted)");
        }
        if (counted) {
            program.milliseconds.push_back(*outcome.milliseconds);
            program.pssMiB.push_back(memory->pssMiB);
            program.rssMiB.push_back(memory->rssMiB);
        }
    }

private:
    void Fail(Program &program, const std::string &failure) const
    {
        if (verbose_)
            std::fprintf(stderr, "%s: %s\n", program.name.c_str(), failure.c_str());
        if (program.failures++ == 0)
            program.firstFailure = failure;
    }

    std::optional<std::string> Text(Window window, Atom property)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display_, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                               &after, &data) != Success ||
            data == nullptr)
            return std::nullopt;
        std::optional<std::string> text;
        if (format == 8)
            text.emplace(reinterpret_cast<const char *>(data), count);
        XFree(data);
        return text;
    }

    std::optional<long> WindowPid(Window window)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display_, window, netWmPid_, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) != Success ||
            data == nullptr)
            return std::nullopt;
        std::optional<long> pid;
        // Xlib hands 32-bit items as longs.
        if (format == 32 && count == 1)
            pid = *reinterpret_cast<const long *>(data);
        XFree(data);
        return pid;
    }

    // The window bears the title (as _NET_WM_NAME or WM_NAME) and, if it names its process, is
    // the program's.
    bool IsProgramWindow(Window window, const std::string &title, pid_t pid)
    {
        const std::optional<long> owner = WindowPid(window);
        if (owner && *owner != pid)
            return false;
        return Text(window, netWmName_) == title || Text(window, XA_WM_NAME) == title;
    }

    bool Viewable(Window window)
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) != 0 && attributes.map_state == IsViewable;
    }

    // Top-level windows are the root window's children that are not override-redirect: each is
    // watched from its creation (or its map, if that comes first) for its map, whether by the
    // program or by a window manager that maps the frame around it, and for its title.
    Outcome WaitForWindow(pid_t pid, const std::string &title, Clock::time_point start)
    {
        const Clock::time_point deadline = start + timeout_;
        std::vector<Window> watched;
        const auto watch = [&](Window window) {
            if (std::find(watched.begin(), watched.end(), window) != watched.end())
                return;
            // Selected before the window is looked at, so that a change in between is not missed.
            XSelectInput(display_, window, PropertyChangeMask | StructureNotifyMask);
            watched.push_back(window);
        };
        for (;;) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                bool look = false;
                if (event.type == CreateNotify && event.xcreatewindow.parent == root_ &&
                    !event.xcreatewindow.override_redirect) {
                    watch(event.xcreatewindow.window);
                } else if (event.type == MapNotify) {
                    // fluxbox's frames are override-redirect: their map shows the window in them.
                    if (event.xmap.event == root_ && !event.xmap.override_redirect)
                        watch(event.xmap.window);
                    look = true;
                } else if (event.type == PropertyNotify &&
                           (event.xproperty.atom == netWmName_ || event.xproperty.atom == XA_WM_NAME)) {
                    look = true;
                }
                if (!look)
                    continue;
                for (const Window window : watched) {
                    if (Viewable(window) && IsProgramWindow(window, title, pid))
                        return {Milliseconds(Clock::now() - start).count(), {}, false};
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return {std::nullopt, DescribeEnd(status) + " before a window \"" + title + "\" was mapped", true};
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                return {std::nullopt, "timed out: no window \"" + title + "\" shown within " + timeoutText_, false};
            }
            // Woken by the X server's events at once; every 20 ms at least to see whether the program ended.
            const auto wait = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                                       std::chrono::milliseconds(20));
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            poll(&connection, 1, static_cast<int>(wait.count()) + 1);
        }
    }

    Display *display_;
    Window root_;
    Clock::duration timeout_;
    std::string timeoutText_;
    std::chrono::milliseconds settle_;
    bool verbose_;
    Atom netWmName_;
    Atom netWmPid_;
};

template <typename Number> std::optional<Number> ParseNumber(std::string_view text)
{
    Number value{};
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || rest != text.data() + text.size())
        return std::nullopt;
    return value;
}

int Usage()
{
    std::fprintf(stderr, "usage: startup_probe [--timeout SECONDS] [--settle MS] [--warmup N] [--verbose] ROUNDS\n"
                         "                     TITLE COMMAND [TITLE COMMAND]...\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    std::size_t at = 0;
    double timeoutSeconds = 10;
    int settleMs = 300;
    int warmup = 1;
    bool verbose = false;
    while (at < arguments.size() && arguments[at].starts_with("--")) {
        if (arguments[at] == "--verbose") {
            verbose = true;
            ++at;
            continue;
        }
        if (at + 1 == arguments.size())
            return Usage();
        if (arguments[at] == "--timeout") {
            const std::optional<double> value = ParseNumber<double>(arguments[at + 1]);
            if (!value || *value <= 0)
                return Usage();
            timeoutSeconds = *value;
        } else if (arguments[at] == "--settle") {
            const std::optional<int> value = ParseNumber<int>(arguments[at + 1]);
            if (!value || *value < 0)
                return Usage();
            settleMs = *value;
        } else if (arguments[at] == "--warmup") {
            const std::optional<int> value = ParseNumber<int>(arguments[at + 1]);
            if (!value || *value < 0)
                return Usage();
            warmup = *value;
        } else {
            return Usage();
        }
        at += 2;
    }
    if (arguments.size() < at + 3 || (arguments.size() - at - 1) % 2 != 0)
        return Usage();
    const std::optional<int> rounds = ParseNumber<int>(arguments[at]);
    if (!rounds || *rounds < 1)
        return Usage();
    std::vector<Program> programs;
    for (std::size_t i = at + 1; i < arguments.size(); i += 2) {
        Program program;
        program.name = arguments[i];
        program.title = probe::WindowTitle(program.name);
        program.command = probe::ParseCommand(arguments[i + 1]);
        if (program.command.argv.empty())
            return Usage();
        programs.push_back(std::move(program));
    }

    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup_probe: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(IgnoreXError);
    Probe probe(display, timeoutSeconds, std::chrono::milliseconds(settleMs), verbose);
    for (int round = 0; round < warmup + *rounds; ++round) {
        for (Program &program : programs)
            probe.Round(program, round >= warmup);
    }
    XCloseDisplay(display);

    std::printf("%d rounds after %d warm-up, interleaved; time from fork to the window shown; PSS %d ms later\n",
                *rounds, warmup, settleMs);
    bool failed = false;
    for (const Program &program : programs) {
        if (!program.milliseconds.empty()) {
            const probe::Summary time = probe::Summarize(program.milliseconds);
            const probe::Summary pss = probe::Summarize(program.pssMiB);
            const probe::Summary rss = probe::Summarize(program.rssMiB);
            std::printf("%s: time median %.1f ms (min %.1f, max %.1f), PSS median %.2f MiB (min %.2f, max %.2f), "
                        "RSS median %.2f MiB, %zu of %d rounds\n",
                        program.name.c_str(), time.median, time.min, time.max, pss.median, pss.min, pss.max, rss.median,
                        program.milliseconds.size(), *rounds);
        }
        if (program.failures > 0) {
            std::printf("%s: %d of %d starts failed, the first: %s\n", program.name.c_str(), program.failures,
                        program.starts, program.firstFailure.c_str());
            failed = true;
        }
    }
    const Program &first = programs.front();
    for (std::size_t i = 1; i < programs.size(); ++i) {
        const Program &other = programs[i];
        if (first.milliseconds.empty() || other.milliseconds.empty())
            continue;
        std::printf("ratio %s/%s: time %.3f, PSS %.3f, RSS %.3f\n", first.name.c_str(), other.name.c_str(),
                    probe::Summarize(first.milliseconds).median / probe::Summarize(other.milliseconds).median,
                    probe::Summarize(first.pssMiB).median / probe::Summarize(other.pssMiB).median,
                    probe::Summarize(first.rssMiB).median / probe::Summarize(other.rssMiB).median);
    }
    return failed ? 1 : 0;
}
