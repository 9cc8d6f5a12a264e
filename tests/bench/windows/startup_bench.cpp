// Start-up time under Wine: from CreateProcess until the program's window is visible, for two
// programs started in turn, many times; prints each one's median.
//
//     startup_bench RUNS PROGRAM CAPTION PROGRAM CAPTION
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string WindowsPath(std::string path)
{
    if (!path.starts_with('/'))
        return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    path.insert(0, "Z:");
    return path;
}

// Seconds from the start to the visible window; the program is then closed. -1 on failure.
double TimeToWindow(const std::string &program, const char *caption)
{
    std::string commandLine = WindowsPath(program);
    commandLine.insert(0, 1, '"');
    commandLine.push_back('"');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    double seconds = -1;
    for (int i = 0; i < 20000; ++i) {
        HWND window = FindWindowA(nullptr, caption);
        if (window != nullptr && IsWindowVisible(window)) {
            QueryPerformanceCounter(&now);
            seconds = static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
            PostMessageA(window, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(1);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seconds;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: startup_bench RUNS PROGRAM CAPTION PROGRAM CAPTION\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<double> first;
    std::vector<double> second;
    for (int i = 0; i < runs; ++i) {
        first.push_back(TimeToWindow(argv[2], argv[3]));
        second.push_back(TimeToWindow(argv[4], argv[5]));
    }
    if (std::find(first.begin(), first.end(), -1.0) != first.end() ||
        std::find(second.begin(), second.end(), -1.0) != second.end()) {
        std::fprintf(stderr, "startup_bench: a program did not show its window\n");
        return 1;
    }
    std::printf("%s: median %.1f ms over %d starts\n", argv[3], Median(first) * 1000, runs);
    std::printf("%s: median %.1f ms over %d starts\n", argv[5], Median(second) * 1000, runs);
    std::printf("ratio: %.3f\n", Median(first) / Median(second));
    return 0;
}
