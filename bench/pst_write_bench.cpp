// PST write throughput: a stream of messages (text body, one recipient, one attachment) written
// by the PST writer, against writing as many bytes as the finished file has to a plain file in
// the same run. Reports both rates, their ratio and the peak resident memory.
//
//   pst_write_bench DIR [MESSAGES] [ATTACHMENT_BYTES] [--keep]
//
// With --keep the PST stays in DIR (for checking it with the readers afterwards).
#include "platform/File.h"
#include "platform/Path.h"
#include "pst/PstWriter.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using quill::bench::PeakKb;
using quill::bench::ResetPeak;
using quill::bench::Seconds;

long PeakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pst_write_bench DIR [MESSAGES] [ATTACHMENT_BYTES] [--keep]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::size_t messages = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 4000;
    const std::size_t attachmentBytes = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 64 * 1024;
    const bool keep = argc > 4 && std::strcmp(argv[4], "--keep") == 0;
    const std::string pstPath = quill::platform::JoinPath(dir, "bench.pst");
    const std::string rawPath = quill::platform::JoinPath(dir, "bench.raw");
    quill::platform::RemoveFile(pstPath);
    quill::platform::RemoveFile(rawPath);

    std::string body;
    for (int i = 0; body.size() < 2000; ++i)
        body += "Line " + std::to_string(i) + " of a message body, with some words in it.\r\n";

    // Content comes from one pattern buffer on both sides, so neither pays for making bytes.
    std::vector<std::uint8_t> pattern(1 << 20);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 7 + i / 251);

    auto start = std::chrono::steady_clock::now();
    std::uint64_t pstSize = 0;
    {
        quill::pst::PstWriter writer(pstPath, "Benchmark store");
        std::vector<quill::pst::FolderId> folders;
        const int folderCount = std::getenv("BENCH_FOLDERS") ? std::atoi(std::getenv("BENCH_FOLDERS")) : 5;
        for (int f = 0; f < folderCount; ++f)
            folders.push_back(writer.AddFolder(writer.TopFolder(), "Folder " + std::to_string(f)));
        for (std::size_t m = 0; m < messages; ++m) {
            quill::pst::NewMessage msg;
            msg.props.SetString(0x0037, "\x01\x01Message number " + std::to_string(m));
            msg.props.SetString(0x1000, body);
            msg.props.SetString(0x0C1A, "Sender Name");
            msg.props.SetString(0x0E04, "Recipient Name");
            quill::pst::PropertyList r;
            r.SetInt32(0x0C15, 1);
            r.SetString(0x3001, "Recipient Name");
            r.SetString(0x3003, "recipient@example.org");
            msg.recipients.push_back(r);
            if (attachmentBytes > 0) {
                quill::pst::NewAttachment a;
                a.props.SetString(0x3707, "attachment " + std::to_string(m) + ".bin");
                std::size_t left = attachmentBytes;
                std::size_t at = m % 4096;
                a.source = [&left, &pattern, at](std::span<std::uint8_t> buffer) mutable {
                    const std::size_t n = std::min({left, buffer.size(), pattern.size() - at});
                    std::memcpy(buffer.data(), pattern.data() + at, n);
                    at = (at + n) % 4096;
                    left -= n;
                    return n;
                };
                msg.attachments.push_back(std::move(a));
            }
            writer.AddMessage(folders[m % folders.size()], msg);
        }
        writer.Close();
        pstSize = quill::platform::FileSize(pstPath);
    }
    const double pstSeconds = Seconds(start);

    // The baseline writes the same number of bytes, generated the same way, to a plain file.
    start = std::chrono::steady_clock::now();
    {
        quill::platform::OutputFile raw(rawPath);
        std::vector<std::uint8_t> buffer(1 << 20);
        std::uint64_t left = pstSize;
        while (left > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
            std::memcpy(buffer.data(), pattern.data(), n);
            raw.Write(reinterpret_cast<const char*>(buffer.data()), n);
            left -= n;
        }
        raw.Close();
    }
    const double rawSeconds = Seconds(start);
    quill::platform::RemoveFile(rawPath);
    if (!keep) quill::platform::RemoveFile(pstPath);

    const double mib = static_cast<double>(pstSize) / (1024.0 * 1024.0);
    std::printf("messages %zu, attachment %zu bytes, PST %.1f MiB\n", messages, attachmentBytes, mib);
    std::printf("raw write  %.1f MiB/s\nPST writer %.1f MiB/s (%.0f messages/s)\nratio %.2f (PST/raw, goal >= 0.6)\n",
                mib / rawSeconds, mib / pstSeconds, static_cast<double>(messages) / pstSeconds,
                rawSeconds / pstSeconds);
    std::printf("peak resident memory %ld MiB\n", PeakRssMiB());
    return 0;
}
