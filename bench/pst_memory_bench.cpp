// Peak memory of the PST writer against the number of messages in one folder. Each count runs in
// a child process of its own, so each peak is that count's alone; the baseline is a child that
// opens and closes an empty PST in the same run. Messages carry what the mapper gives a typical
// mail (subject, sender, recipients, a 2 KB body, times, ids), so every contents-table column a
// real folder fills is filled.
//
//   pst_memory_bench DIR [COUNT...]     (default counts: 10000 100000 1000000)
#include "platform/File.h"
#include "platform/Path.h"
#include "pst/PstWriter.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

long PeakRssKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

quill::pst::NewMessage Message(std::size_t m, const std::string& body) {
    quill::pst::NewMessage msg;
    const std::string n = std::to_string(m);
    msg.props.SetString(0x0037, "\x01\x01Status report number " + n);
    msg.props.SetString(0x0070, "Status report number " + n);
    msg.props.SetString(0x1000, body);
    for (std::uint16_t id : {0x0C1A, 0x0042}) msg.props.SetString(id, "Alma Perrin");
    for (std::uint16_t id : {0x0C1F, 0x0065, 0x5D01, 0x5D02}) msg.props.SetString(id, "alma.perrin@example.org");
    msg.props.SetString(0x0E04, "Boris Kettle; Chiara Lund");
    msg.props.SetString(0x0E03, "Dana Moss");
    msg.props.SetString(0x1035, "<" + n + ".report@example.org>");
    const std::uint64_t t = quill::pst::FileTimeFromUnix(1700000000 + static_cast<std::int64_t>(m) * 60);
    for (std::uint16_t id : {0x0039, 0x0E06, 0x3007, 0x3008}) msg.props.SetTime(id, t);
    for (const char* name : {"Boris Kettle", "Chiara Lund"}) {
        quill::pst::PropertyList r;
        r.SetInt32(0x0C15, 1);
        r.SetString(0x3001, name);
        r.SetString(0x3003, "someone@example.org");
        r.SetString(0x39FE, "someone@example.org");
        msg.recipients.push_back(r);
    }
    return msg;
}

// Writes `count` messages into one folder; returns the child's peak resident memory in KiB.
long Child(const std::string& dir, std::size_t count, double* seconds) {
    const std::string path = quill::platform::JoinPath(dir, "memory-" + std::to_string(count) + ".pst");
    quill::platform::RemoveFile(path);
    std::string body;
    for (int i = 0; body.size() < 2000; ++i) body += "Line " + std::to_string(i) + " of a message body.\r\n";
    const auto start = std::chrono::steady_clock::now();
    {
        quill::pst::PstWriter writer(path, "Memory benchmark");
        const auto folder = writer.AddFolder(writer.TopFolder(), "Everything");
        for (std::size_t m = 0; m < count; ++m) writer.AddMessage(folder, Message(m, body));
        writer.Close();
    }
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    quill::platform::RemoveFile(path);
    return PeakRssKiB();
}

struct Result {
    long peakKiB = -1;
    double seconds = 0;
};

Result RunInChild(const std::string& dir, std::size_t count) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Result r;
        try {
            r.peakKiB = Child(dir, count, &r.seconds);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%zu messages: %s\n", count, e.what());
        }
        if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r = {};
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pst_memory_bench DIR [COUNT...]\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::size_t> counts;
    for (int i = 2; i < argc; ++i) counts.push_back(std::strtoull(argv[i], nullptr, 10));
    if (counts.empty()) counts = {10000, 100000, 1000000};

    const Result base = RunInChild(dir, 0);
    std::printf("baseline (empty PST): peak %.1f MiB\n", static_cast<double>(base.peakKiB) / 1024.0);
    int status = 0;
    for (std::size_t count : counts) {
        const Result r = RunInChild(dir, count);
        if (r.peakKiB < 0) {
            std::printf("%zu messages: failed\n", count);
            status = 1;
            continue;
        }
        const double mib = static_cast<double>(r.peakKiB) / 1024.0;
        std::printf(
            "%zu messages in one folder: peak %.1f MiB (%.2f x baseline, %.1f MiB above it), %.0f messages/s%s\n",
            count, mib, static_cast<double>(r.peakKiB) / static_cast<double>(base.peakKiB),
            static_cast<double>(r.peakKiB - base.peakKiB) / 1024.0, static_cast<double>(count) / r.seconds,
            mib < 64.0 ? "" : "  (goal: under 64 MiB)");
    }
    return status;
}
