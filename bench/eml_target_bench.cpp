// The EML target against the least any converter must do, in one run on a RAM
// file system: the raw copy writes a generated container's messages (cut
// beforehand, in memory) into as many files with plain system calls; split
// runs `quillmere split` on the container; eml runs `quillmere convert --target
// eml`. Each command runs as a process of its own, so its peak memory is its
// own.
//
//   eml_target_bench [--work DIR] [--mb N] [--quillmere PATH] [--rounds R]
//
// The phases take turns R times (3 by default) and each keeps its best time:
// on a shared machine the best is the one least disturbed by others.
// DIR defaults to /dev/shm (a RAM file system, where the disk's writeback no
// longer swings the figures); N to 520; PATH to the quillmere built beside
// this benchmark (pass an older build's to compare).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "store/ContainerReader.h"
#include "tools/StoreGenerator.h"

namespace fs = std::filesystem;

namespace {

double RawCopy(const std::vector<std::string>& messages, const std::string& dir) {
    fs::create_directories(dir);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string path = dir + "/email-" + std::to_string(i + 1) + ".eml";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return 0;
        }
        const std::string& m = messages[i];
        for (std::size_t done = 0; done < m.size();) {
            ssize_t n = ::write(fd, m.data() + done, m.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "/dev/shm";
    std::string quillmere = QUILL_CLI_PATH;
    std::uint64_t mb = 520;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--work") base = argv[i + 1];
        if (a == "--mb") mb = std::stoull(argv[i + 1]);
        if (a == "--quillmere") quillmere = argv[i + 1];
        if (a == "--rounds") rounds = std::max(1, std::stoi(argv[i + 1]));
    }
    const std::string work = base + "/quill-eml-bench-" + std::to_string(::getpid());
    quill::gen::GenOptions options;
    options.sizeMb = mb;
    options.seed = 22;
    const std::string store = work + "/store";
    (void)quill::gen::WriteStore(store, options);
    const std::string container = store + "/Inbox.imm";
    const double size = static_cast<double>(fs::file_size(container)) / 1e6;

    // The commands first in each round: a command's peak memory counts from the
    // process that started it, and the raw copy holds every message in memory.
    quill::bench::Ran split, eml;
    double raw = 0;
    std::size_t count = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto s = quill::bench::Spawn({quillmere, "split", container, work + "/split"});
        fs::remove_all(work + "/split");
        const auto e = quill::bench::Spawn({quillmere, "convert", "--store", store, "--out", work + "/eml"});
        fs::remove_all(work + "/eml");
        // Peaks from the first round only: later ones start from a process that held the raw copy's messages.
        if (round == 0 || s.seconds < split.seconds)
            split = {s.status, s.seconds, round == 0 ? s.peakKb : split.peakKb};
        if (round == 0 || e.seconds < eml.seconds) eml = {e.status, e.seconds, round == 0 ? e.peakKb : eml.peakKb};
        std::vector<std::string> messages;
        (void)quill::SplitIMMFile(container, quill::ReadIMMFile(container), false,
                                  [&](quill::SplitMessage& m) { messages.push_back(std::move(m.text)); });
        const double r = RawCopy(messages, work + "/raw");
        fs::remove_all(work + "/raw");
        if (round == 0 || r < raw) raw = r;
        count = messages.size();
    }
    fs::remove_all(work);

    std::printf("container %.1f MB, %zu messages, in %s, best of %d rounds\n", size, count, base.c_str(), rounds);
    std::printf("raw copy  %6.2f s  %7.1f MB/s\n", raw, size / raw);
    std::printf("split     %6.2f s  %7.1f MB/s  peak %ld MB  (exit %d)\n", split.seconds, size / split.seconds,
                split.peakKb / 1024, split.status);
    std::printf("eml       %6.2f s  %7.1f MB/s  peak %ld MB  (exit %d)\n", eml.seconds, size / eml.seconds,
                eml.peakKb / 1024, eml.status);
    std::printf("split / raw copy %.2f   eml / raw copy %.2f\n", raw / split.seconds, raw / eml.seconds);
    return 0;
}
