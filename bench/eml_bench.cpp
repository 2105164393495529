// The .eml path (write the message file, then finish it: attachments put
// back, joined messages cut) against writing the same bytes raw to as many
// files, in the same run. Usage: eml_bench [MESSAGES_PER_CONTAINER] [ROUNDS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/EmlFinish.h"
#include "convert/EmlMessageFile.h"
#include "tools/StoreGenerator.h"

#include "BenchSupport.h"

namespace {

using quill::bench::PeakKb;
using quill::bench::ResetPeak;
using quill::bench::Seconds;

namespace fs = std::filesystem;

}  // namespace

int main(int argc, char** argv) {
    const int perContainer = argc > 1 ? std::stoi(argv[1]) : 300;
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
    const fs::path root = "/tmp/quill-eml-bench-" + std::to_string(::getpid());
    const fs::path attachments = root / "Attachments";
    fs::create_directories(attachments);

    std::vector<std::string> texts;
    std::uint64_t bytes = 0;
    for (int c = 0; c < 3; ++c) {
        for (auto& m : quill::gen::GenerateMessages(3, c, perContainer)) {
            for (const auto& a : m.referenced) std::ofstream(attachments / a.fileName, std::ios::binary) << a.bytes;
            bytes += m.text.size();
            texts.push_back(std::move(m.text));
        }
    }
    const double mb = static_cast<double>(bytes) / (1 << 20);
    std::printf("%zu messages, %.1f MB, %d rounds\n", texts.size(), mb, rounds);

    double emlBest = 1e30, rawBest = 1e30;
    int failed = 0, restored = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternate the order so neither phase always runs on a warmer cache.
        for (int phase = 0; phase < 2; ++phase) {
            const bool eml = (phase + round) % 2 == 0;
            const fs::path out = root / (eml ? "eml" : "raw");
            fs::remove_all(out);
            fs::create_directories(out);
            const std::string folder = out.string();
            const std::string attachmentFolder = attachments.string() + "/";
            auto t0 = std::chrono::steady_clock::now();
            if (eml) {
                quill::EmlFinisher finisher;
                restored = 0;
                for (std::size_t i = 0; i < texts.size(); ++i) {
                    auto written = quill::WriteMessageFile(folder, static_cast<int>(i + 1), texts[i]);
                    if (!written.ok) {
                        ++failed;
                        continue;
                    }
                    auto r = finisher.Finish(written.path, attachmentFolder);
                    restored += r.attachmentsRestored;
                    if (r.status != quill::FinishResult::Status::Finished) ++failed;
                }
                emlBest = std::min(emlBest, Seconds(t0));
            } else {
                for (std::size_t i = 0; i < texts.size(); ++i) {
                    std::ofstream f(out / quill::MessageFileName(static_cast<int>(i + 1)), std::ios::binary);
                    f.write(texts[i].data(), static_cast<std::streamsize>(texts[i].size()));
                    if (!f) ++failed;
                }
                rawBest = std::min(rawBest, Seconds(t0));
            }
        }
    }
    fs::remove_all(root);

    const double n = static_cast<double>(texts.size());
    std::printf("write+finish %8.0f messages/s  %7.1f MB/s  (%d attachments restored)\n", n / emlBest, mb / emlBest,
                restored);
    std::printf("raw write    %8.0f messages/s  %7.1f MB/s\n", n / rawBest, mb / rawBest);
    std::printf("ratio        %.2f (goal >= 0.5)\n", rawBest / emlBest);
    if (failed) std::printf("%d failures\n", failed);
    return failed ? 1 : 0;
}
