// The split command against the least it can cost: writing the same messages as files with plain
// system calls, in the same run, into folders on a RAM file system (so that the disk's writeback
// does not swing the figures).
//
//   split_files_bench [CONTAINER] [OUT_ROOT]
//
// Without a container one of >= 500 MB is generated; OUT_ROOT defaults to /dev/shm. The message
// boundaries for the raw copy come from one untimed cut. Each phase runs three times, alternating,
// and the fastest run of each counts.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "store/ContainerReader.h"
#include "tools/StoreGenerator.h"

#include "BenchSupport.h"

namespace fs = std::filesystem;

namespace {

using quill::bench::PeakKb;
using quill::bench::ResetPeak;
using quill::bench::Seconds;

struct Span {
    std::uint64_t offset, size;
};

// read() the container in 1 MiB blocks and write() each message's bytes into a new file of its own.
bool RawCopy(const std::string& container, const std::vector<Span>& spans, const std::string& dir) {
    const int in = ::open(container.c_str(), O_RDONLY);
    if (in < 0) return false;
    std::vector<char> block(1 << 20);
    std::uint64_t blockAt = 0;
    std::size_t blockLen = 0;
    bool ok = true;
    for (std::size_t i = 0; i < spans.size() && ok; ++i) {
        const std::string path = dir + "/email-" + std::to_string(i + 1) + ".eml";
        const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (out < 0) return false;
        std::uint64_t at = spans[i].offset, end = at + spans[i].size;
        while (at < end && ok) {
            if (at >= blockAt + blockLen) {
                blockAt += blockLen;
                const ssize_t got = ::read(in, block.data(), block.size());
                if (got <= 0) {
                    ok = false;
                    break;
                }
                blockLen = static_cast<std::size_t>(got);
            }
            const std::size_t from = static_cast<std::size_t>(at - blockAt);
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, blockLen - from));
            ok = ::write(out, block.data() + from, n) == static_cast<ssize_t>(n);
            at += n;
        }
        ok = ::close(out) == 0 && ok;
    }
    ::close(in);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 2 ? argv[2] : "/dev/shm";
    const std::string work = root + "/quill-split-files-bench-" + std::to_string(::getpid());
    fs::create_directories(work);
    std::string container;
    if (argc > 1) {
        container = argv[1];
    } else {
        quill::gen::GenOptions options;
        options.sizeMb = 520;
        container = quill::gen::WriteStore(work + "/store", options).at(0);
    }
    const double mb = static_cast<double>(fs::file_size(container)) / (1 << 20);

    std::vector<Span> spans;
    const std::string marker = quill::ReadIMMFile(container);
    const auto cut = quill::SplitIMMFile(container, marker, false, [&](quill::SplitMessage& m) {
        spans.push_back({m.offset, m.text.size()});
    });
    if (!cut.complete || cut.stats.bytesSkipped != 0) {
        std::fprintf(stderr, "the container does not cut cleanly: %s\n", cut.error.c_str());
        return 1;
    }

    double rawBest = 1e9, splitBest = 1e9;
    long rawPeak = 0, splitPeak = 0;
    for (int round = 0; round < 3; ++round) {
        const std::string rawDir = work + "/raw";
        const std::string splitDir = work + "/split";
        fs::create_directories(rawDir);
        ResetPeak();
        auto t0 = std::chrono::steady_clock::now();
        if (!RawCopy(container, spans, rawDir)) {
            std::fprintf(stderr, "raw copy failed\n");
            return 1;
        }
        rawBest = std::min(rawBest, Seconds(t0));
        rawPeak = std::max(rawPeak, PeakKb());
        fs::remove_all(rawDir);

        std::ofstream sink("/dev/null");
        quill::cli::SplitOptions options;
        options.container = container;
        options.outDir = splitDir;
        ResetPeak();
        t0 = std::chrono::steady_clock::now();
        const int status = quill::cli::RunSplit(options, sink, sink);
        splitBest = std::min(splitBest, Seconds(t0));
        splitPeak = std::max(splitPeak, PeakKb());
        fs::remove_all(splitDir);
        if (status != 0) {
            std::fprintf(stderr, "split failed (%d)\n", status);
            return 1;
        }
    }
    std::printf("container %.1f MB, %zu messages, into files under %s\n", mb, spans.size(), root.c_str());
    std::printf("raw copy   %.3f s  %.1f MB/s  peak %ld KB\n", rawBest, mb / rawBest, rawPeak);
    std::printf("split      %.3f s  %.1f MB/s  peak %ld KB\n", splitBest, mb / splitBest, splitPeak);
    std::printf("ratio      %.3f (goal >= 0.95)\n", rawBest / splitBest);
    fs::remove_all(work);
    return 0;
}
