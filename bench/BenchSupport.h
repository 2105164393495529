#pragma once
// What the benchmarks share: timing, this process's peak memory, and running a
// program as a process of its own (how long it took and the most memory it
// held), so that the phases of a benchmark need not share one address space.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace quill::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// This process's peak resident set (VmHWM), in KiB; -1 where it cannot be read.
inline long PeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// The peak is cumulative: it is reset before each phase, where the kernel allows it.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Ran {
    int status = -1;
    double seconds = 0;
    long peakKb = 0;
};

// Standard output and error go to /dev/null.
inline Ran Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Ran ran;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        return ran;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ran.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ran.peakKb = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&actions);
    return ran;
}

}  // namespace quill::bench
