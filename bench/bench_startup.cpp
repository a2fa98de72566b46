// Start-up time and peak memory of two programs, side by side: the time from process start until
// the program says its main window has painted once, and the peak resident set size.
//   bench_startup <runs> <program> <yardstick>
// Run it on a real display (e.g. under xvfb-run) or with QT_QPA_PLATFORM=offscreen.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sample {
    double milliseconds;
    long peakKilobytes;
};

bool runOnce(const char *program, Sample &sample)
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string seen;
    char buffer[64];
    double readyAt = -1;
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        seen.append(buffer, std::size_t(n));
        if (readyAt < 0 && seen.find("ready\n") != std::string::npos) {
            readyAt = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || readyAt < 0)
        return false;
    sample = {readyAt, usage.ru_maxrss};
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <runs> <program> <yardstick>\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const char *programs[2] = {argv[2], argv[3]};
    std::vector<double> times[2], peaks[2];
    // One unmeasured run of each first, so both start with warm file caches; then alternate, so
    // a change in the machine's load touches both alike.
    for (int i = -1; i < runs; ++i) {
        for (int p = 0; p < 2; ++p) {
            Sample s{};
            if (!runOnce(programs[p], s)) {
                std::fprintf(stderr, "%s did not start and report ready\n", programs[p]);
                return 1;
            }
            if (i >= 0) {
                times[p].push_back(s.milliseconds);
                peaks[p].push_back(double(s.peakKilobytes));
            }
        }
    }
    const double ms[2] = {median(times[0]), median(times[1])};
    const double kb[2] = {median(peaks[0]), median(peaks[1])};
    std::printf("medians of %d runs     %12s %12s %8s\n", runs, "program", "yardstick", "ratio");
    std::printf("start to first paint  %9.1f ms %9.1f ms %8.2f\n", ms[0], ms[1], ms[0] / ms[1]);
    std::printf("peak memory           %9.0f kB %9.0f kB %8.2f\n", kb[0], kb[1], kb[0] / kb[1]);
    return 0;
}
