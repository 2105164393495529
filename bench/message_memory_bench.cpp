// Memory per message: the peak memory of `quillmere convert` on a store of one
// large message, for both targets, as a multiple of that message's size (the
// finished message: its attachment as it is written into the mail), with the
// peak of the same conversion of a small message subtracted.
//
//   message_memory_bench [--work DIR] [--mb N] [--quillmere PATH]
//
// Two cases: a message whose attachment of N MB is put back from the
// attachments folder, and one that carries an attachment of N MB itself.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "BenchSupport.h"

namespace fs = std::filesystem;

namespace {

std::string Base64(const std::string& in) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(in.size() / 3 * 4 + in.size() / 57 * 2 + 8);
    std::size_t col = 0;
    for (std::size_t i = 0; i + 2 < in.size(); i += 3) {
        std::uint32_t v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                          static_cast<unsigned char>(in[i + 2]);
        for (int s = 18; s >= 0; s -= 6) out += t[(v >> s) & 63];
        if ((col += 4) >= 76) {
            out += "\r\n";
            col = 0;
        }
    }
    return out + "\r\n";
}

std::string Bytes(std::size_t n) {
    std::mt19937_64 rng(42);
    std::string b(n, '\0');
    for (auto& c : b) c = static_cast<char>(rng() & 0xff);
    return b;
}

const char* kHead =
    "Return-Path: <a@example.com>\r\nFrom: <a@example.com>\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nthe file\r\n"
    "--b\r\nContent-Type: application/octet-stream; name=\"big.bin\"\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"big.bin\"\r\n\r\n";

// A store of one message; its attachment in the folder (restored) or in the message (own).
std::uint64_t MakeStore(const std::string& dir, std::size_t bytes, bool restored) {
    fs::create_directories(dir + "/Attachments");
    std::string content = Bytes(bytes);
    std::string message = kHead;
    if (restored) {
        std::ofstream(dir + "/Attachments/big.bin", std::ios::binary) << content;
        message += "----------[%ImFilePath%]----------big.bin\r\n";
    } else {
        message += Base64(content);
        // A second part only by reference, so the message is finished, not passed through.
        message +=
            "--b\r\nContent-Type: text/plain; "
            "name=\"small.txt\"\r\n\r\n----------[%ImFilePath%]----------small.txt\r\n";
        std::ofstream(dir + "/Attachments/small.txt", std::ios::binary) << "small";
    }
    message += "--b--\r\n";
    std::ofstream(dir + "/Inbox.imm", std::ios::binary) << message;
    return restored ? message.size() + content.size() * 4 / 3 : message.size();
}

// Made in a child process: a command's peak memory counts from the process it
// was started from, so this one must never hold a large message itself.
std::uint64_t MakeStoreApart(const std::string& dir, std::size_t bytes, bool restored) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return 0;
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::uint64_t size = MakeStore(dir, bytes, restored);
        (void)!::write(pipeEnds[1], &size, sizeof size);
        ::_exit(0);
    }
    std::uint64_t size = 0;
    (void)!::read(pipeEnds[0], &size, sizeof size);
    ::waitpid(pid, nullptr, 0);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return size;
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = "/dev/shm";
    std::string quillmere = QUILL_CLI_PATH;
    std::size_t mb = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--work") base = argv[i + 1];
        if (a == "--mb") mb = std::stoul(argv[i + 1]);
        if (a == "--quillmere") quillmere = argv[i + 1];
    }
    const std::string work = base + "/quill-memory-bench-" + std::to_string(::getpid());
    auto convert = [&](const std::string& store, const char* target) {
        const std::string out = work + "/out-" + std::to_string(std::rand());
        auto ran = quill::bench::Spawn({quillmere, "convert", "--store", store, "--out", out, "--target", target});
        fs::remove_all(out);
        return ran;
    };
    (void)MakeStoreApart(work + "/small", 1000, true);
    std::printf("message of one %zu MB attachment, peak memory above a small message's, as a multiple of its size\n",
                mb);
    for (bool restored : {true, false}) {
        const std::string store = work + (restored ? "/restored" : "/own");
        const double size = static_cast<double>(MakeStoreApart(store, mb << 20, restored));
        for (const char* target : {"eml", "pst"}) {
            const auto small = convert(work + "/small", target);
            const auto big = convert(store, target);
            const double above = static_cast<double>(big.peakKb - small.peakKb) * 1024.0;
            std::printf("%-9s %-3s  message %7.1f MB  peak %6ld MB (small %ld MB)  %.2f x its size  %.2f s  exit %d\n",
                        restored ? "restored" : "own", target, size / 1e6, big.peakKb / 1024, small.peakKb / 1024,
                        above / size, big.seconds, big.status);
        }
        fs::remove_all(store);
    }
    fs::remove_all(work);
    return 0;
}
