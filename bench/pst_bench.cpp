// Block write throughput: the same payload written raw, then as full-size PST data blocks
// (trailer, signature and CRC per block), in the same run. Reports the ratio block/raw.
#include "pst/disk/Layout.h"
#include "pst/disk/Trailer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "BenchSupport.h"

namespace disk = quill::pst::disk;

namespace {

using quill::bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "pst_bench.tmp";
    const std::size_t blocks = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 32768;  // 256 MiB
    std::vector<std::uint8_t> payload(disk::kMaxBlockData);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 131);
    std::vector<std::uint8_t> block(disk::kMaxBlockSize);

    auto start = std::chrono::steady_clock::now();
    std::FILE* raw = std::fopen(path, "wb");
    if (!raw) return 1;
    for (std::size_t b = 0; b < blocks; ++b) std::fwrite(block.data(), 1, block.size(), raw);
    std::fclose(raw);
    const double rawSeconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return 1;
    std::uint64_t ib = disk::FirstDataOffset(0);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::copy(payload.begin(), payload.end(), block.begin());
        disk::WriteBlockTrailer(block, static_cast<std::uint16_t>(payload.size()), ib, 4 * (b + 1));
        std::fwrite(block.data(), 1, block.size(), out);
        ib += block.size();
    }
    std::fclose(out);
    const double blockSeconds = Seconds(start);
    std::remove(path);

    const double mib = static_cast<double>(blocks * disk::kMaxBlockSize) / (1024.0 * 1024.0);
    std::printf("raw   %.1f MiB/s\nblock %.1f MiB/s\nratio %.2f (block/raw, goal >= 0.6 for the full writer)\n",
                mib / rawSeconds, mib / blockSeconds, rawSeconds / blockSeconds);
    return 0;
}
