// End-to-end conversion throughput of both targets against copying the store's bytes into as
// many files, in the same run, with the peak memory of each phase.
//
//   convert_bench [STORE_DIR]   (else a store of one container of >= 500 MB is generated)
//
// Everything happens on /dev/shm when the machine has it (else /tmp), so the disk's speed does
// not hide the converter's. Both targets run through the command line's convert, the same run
// the program drives, so the PST figure is that of the Outlook target as it stands.
//
// The baseline cuts the container into its messages and writes each one's bytes to its own file:
// the least any converter must do. EML then runs the whole command-line conversion (split, write,
// finish with attachments put back); PST does the same into a new PST file; pstw is the PST writer
// alone on the same messages, the ceiling of the import.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "pst/PstWriter.h"
#include "store/ContainerReader.h"
#include "tools/StoreGenerator.h"

#include "BenchSupport.h"

namespace fs = std::filesystem;

namespace {

using quill::bench::PeakKb;
using quill::bench::ResetPeak;
using quill::bench::Seconds;

struct Phase {
    double seconds = 0;
    long peakMb = 0;
    std::uint64_t messages = 0;
};

template <class F>
Phase Measure(F&& run) {
    ResetPeak();
    const auto start = std::chrono::steady_clock::now();
    Phase p;
    p.messages = run();
    p.seconds = Seconds(start);
    p.peakMb = PeakKb() / 1024;
    return p;
}

std::uint64_t CopyIntoFiles(const std::string& store, const std::string& out) {
    std::uint64_t n = 0;
    fs::create_directories(out);
    for (const auto& e : fs::directory_iterator(store)) {
        if (e.path().extension() != ".imm") continue;
        const std::string path = e.path().string();
        const std::string dir = (fs::path(out) / e.path().stem()).string();
        fs::create_directories(dir);
        const auto result = quill::SplitIMMFile(path, quill::ReadIMMFile(path), false, [&](quill::SplitMessage& m) {
            quill::platform::OutputFile f(quill::platform::JoinPath(dir, "email-" + std::to_string(m.number) + ".eml"));
            f.Write(m.text);
            f.Close();
            ++n;
        });
        (void)result;
    }
    return n;
}

// The PST writer alone on the same bytes: each message's text stored as one attachment of an
// otherwise empty message, with no MIME work, for the import's ratio.
std::uint64_t WriteRawPst(const std::string& store, const std::string& out) {
    std::uint64_t n = 0;
    fs::create_directories(out);
    quill::pst::PstWriter writer(quill::platform::JoinPath(out, "raw.pst"), "raw");
    for (const auto& e : fs::directory_iterator(store)) {
        if (e.path().extension() != ".imm") continue;
        const std::string path = e.path().string();
        const auto folder = writer.AddFolder(writer.TopFolder(), e.path().stem().string());
        (void)quill::SplitIMMFile(path, quill::ReadIMMFile(path), false, [&](quill::SplitMessage& m) {
            quill::pst::NewMessage message;
            quill::pst::NewAttachment a;
            a.data = std::move(m.text);
            message.attachments.push_back(std::move(a));
            writer.AddMessage(folder, message);
            ++n;
        });
    }
    writer.Close();
    return n;
}

std::uint64_t Convert(const std::string& store, const std::string& out, const char* target) {
    std::ostringstream sink, err;
    const int status = quill::cli::ConvertCommand({"--store", store, "--out", out, "--target", target}, sink, err,
                                                  quill::cli::DefaultConvertHooks());
    if (status == quill::cli::kExitUsage) std::fprintf(stderr, "%s", err.str().c_str());
    const std::string text = sink.str();
    const auto at = text.find("messages saved ");
    return at == std::string::npos ? 0 : std::stoull(text.substr(at + 15));
}

std::uint64_t StoreBytes(const std::string& store) {
    std::uint64_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(store))
        if (e.is_regular_file()) n += e.file_size();
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    const std::string work = base + "/quill-convert-bench-" + std::to_string(::getpid());
    std::string store;
    if (argc > 1) {
        store = argv[1];
    } else {
        quill::gen::GenOptions options;
        options.sizeMb = 520;
        store = work + "/store";
        (void)quill::gen::WriteStore(store, options);
    }
    const double mb = static_cast<double>(StoreBytes(store)) / (1 << 20);

    const Phase copy = Measure([&] { return CopyIntoFiles(store, work + "/copy"); });
    fs::remove_all(work + "/copy");
    const Phase eml = Measure([&] { return Convert(store, work + "/eml", "eml"); });
    fs::remove_all(work + "/eml");
    const Phase pst = Measure([&] { return Convert(store, work + "/pst", "pst"); });
    fs::remove_all(work + "/pst");
    const Phase raw = Measure([&] { return WriteRawPst(store, work + "/raw"); });
    fs::remove_all(work + "/raw");
    if (argc <= 1) fs::remove_all(work);

    std::printf("store %.1f MB in %s\n", mb, base.c_str());
    auto line = [&](const char* name, const Phase& p) {
        std::printf("%-5s %7.1f MB/s %8.0f messages/s  peak %ld MB  (%llu messages, %.2f s)\n", name, mb / p.seconds,
                    static_cast<double>(p.messages) / p.seconds, p.peakMb, static_cast<unsigned long long>(p.messages),
                    p.seconds);
    };
    line("copy", copy);
    line("eml", eml);
    line("pst", pst);
    line("pstw", raw);
    std::printf("ratio eml/copy %.2f (goal >= 0.4), pst/copy %.2f (goal >= 0.3), import/writer %.2f\n",
                copy.seconds / eml.seconds, copy.seconds / pst.seconds, raw.seconds / pst.seconds);
    std::printf("ratio pst/eml %.2f (speed of the PST target against the EML target; goal >= 1.00)\n",
                eml.seconds / pst.seconds);
    return 0;
}
