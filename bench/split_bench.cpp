// Splitter throughput against a raw read of the same file in the same run,
// and peak memory of each phase. Usage: split_bench [CONTAINER] (else one of
// >=500 MB is generated in /tmp and removed afterwards).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/ContainerReader.h"
#include "tools/StoreGenerator.h"

#include "BenchSupport.h"

namespace {

using quill::bench::PeakKb;
using quill::bench::ResetPeak;
using quill::bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::string made;
    if (argc > 1) {
        path = argv[1];
    } else {
        made = "/tmp/quill-split-bench-" + std::to_string(::getpid());
        quill::gen::GenOptions options;
        options.sizeMb = 520;
        path = quill::gen::WriteStore(made, options).at(0);
    }
    const double mb = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);

    ResetPeak();
    const long baseKb = PeakKb();
    auto t0 = std::chrono::steady_clock::now();
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return 1;
        std::vector<char> block(64 * 1024);
        unsigned long sum = 0;
        std::size_t n;
        while ((n = std::fread(block.data(), 1, block.size(), f)) > 0) sum += static_cast<unsigned char>(block[n - 1]);
        std::fclose(f);
        std::printf("raw checksum %lu\n", sum);
    }
    const double rawSec = Seconds(t0);
    const long rawPeakKb = PeakKb();

    ResetPeak();
    std::size_t largest = 0;
    std::uint64_t count = 0;
    t0 = std::chrono::steady_clock::now();
    const std::string marker = quill::ReadIMMFile(path);
    const quill::SplitResult result = quill::SplitIMMFile(path, marker, false, [&](quill::SplitMessage& m) {
        ++count;
        if (m.text.size() > largest) largest = m.text.size();
    });
    const double splitSec = Seconds(t0);
    const long splitPeakKb = PeakKb();

    std::printf("container %.1f MB, %llu messages, complete %d\n", mb, static_cast<unsigned long long>(count),
                result.complete ? 1 : 0);
    std::printf("raw read   %.1f MB/s\n", mb / rawSec);
    std::printf("split      %.1f MB/s\n", mb / splitSec);
    std::printf("ratio      %.2f (goal >= 0.8)\n", rawSec / splitSec);
    std::printf("peak (VmHWM) base %ld KB, raw phase %ld KB, split phase %ld KB\n", baseKb, rawPeakKb, splitPeakKb);
    std::printf("largest message %.2f MB; split peak above it %.2f MB (limit 32)\n",
                static_cast<double>(largest) / (1 << 20),
                (static_cast<double>(splitPeakKb) * 1024 - static_cast<double>(largest)) / (1 << 20));
    if (!made.empty()) std::filesystem::remove_all(made);
    return 0;
}
