// The host's accessibility status watch on its own, for accessibility_status_test.sh: runs FLTK's
// loop (no display needed) with a publish callback that prints a line each time it runs, naming
// the thread it ran on, and prints the count when SECONDS have passed or SIGTERM came.
//
//     status_watch SECONDS
#include "platform/fltk/a11y/accessibility_status.h"

#include <FL/Fl.H>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string_view>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void Stop(int /*signal*/)
{
    g_stop = 1;
}

struct Published {
    std::thread::id loopThread;
    int count = 0;
};

void OnPublish(void *data)
{
    auto *published = static_cast<Published *>(data);
    ++published->count;
    std::printf("published on %s\n",
                std::this_thread::get_id() == published->loopThread ? "the loop's thread" : "another thread");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 0;
    const std::string_view argument = argc == 2 ? argv[1] : "";
    const auto [rest, error] = std::from_chars(argument.data(), argument.data() + argument.size(), seconds);
    if (argument.empty() || error != std::errc{} || rest != argument.data() + argument.size() || seconds <= 0) {
        std::fputs("usage: status_watch SECONDS\n", stderr);
        return 2;
    }
    Published published{std::this_thread::get_id()};
    fltkhost::WatchAccessibilityStatus(OnPublish, &published);
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::signal(SIGTERM, Stop);
    // A signal that comes just before FLTK waits does not wake it: the wait is short.
    for (Clock::time_point now = Clock::now(); now < deadline && g_stop == 0; now = Clock::now())
        Fl::wait(std::min(0.05, std::chrono::duration<double>(deadline - now).count()));
    std::printf("published %d\n", published.count);
    return 0;
}
