#include "store/ContainerReader.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/File.h"
#include "store/LineScan.h"

namespace quill {
namespace {


// The first marker, by priority, that begins a line of text.
std::string FindMarker(std::string_view text) {
    for (std::string_view marker : kStartMarkers) {
        std::size_t pos = 0;
        while (pos < text.size()) {
            if (lines::StartsWithNoCase(text.substr(pos), marker)) return std::string(marker);
            std::size_t nl = text.find('\n', pos);
            if (nl == std::string_view::npos) break;
            pos = nl + 1;
        }
    }
    return {};
}

std::size_t ReadFully(platform::InputFile& file, char* buffer, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        std::size_t r = file.Read(buffer + got, n - got);
        if (r == 0) break;
        got += r;
    }
    return got;
}

}  // namespace

std::string ReadIMMFile(const std::string& FileName) {
    platform::InputFile file(FileName);
    std::string text(kMarkerSearchLimit, '\0');
    std::size_t got = ReadFully(file, text.data(), kProbeSize);
    std::string marker = FindMarker(std::string_view(text.data(), got));
    if (!marker.empty() || got < kProbeSize) return marker;
    got += ReadFully(file, text.data() + got, kMarkerSearchLimit - got);
    return FindMarker(std::string_view(text.data(), got));
}

namespace {

// Three stages on three threads, so that reading the file, cutting it and
// writing the messages overlap: a reader fills blocks, a cutter feeds them to
// the splitter, and the caller's thread runs the pump and the sink, in the
// container's order. Memory stays bounded: a few blocks, and messages cut but
// not yet delivered up to kInFlight bytes beside the one being gathered.
class Pipeline {
  public:
    static constexpr std::size_t kBlocks = 4;
    static constexpr std::size_t kBlock = 256 * 1024;
    static constexpr std::size_t kInFlight = 4 << 20;

    Pipeline(const std::string& path, const std::string& marker, bool advance)
        : path_(path),
          splitter_(marker, advance, [this](SplitMessage& m) {
              batchBytes_ += m.text.size();
              batch_.push_back(std::move(m));
          }) {
        for (auto& b : blocks_) b.data.resize(kBlock);
    }

    SplitResult Run(const MessageSink& sink, const BlockPump& pump) {
        SplitResult result;
        std::thread reader([this] { ReadBlocks(); });
        std::thread cutter([this] { CutBlocks(); });
        std::exception_ptr sinkFailure;
        std::uint64_t delivered = 0, bytes = 0;
        try {
            while (!result.stopped) {
                if (pump && !pump()) {
                    result.stopped = true;
                    break;
                }
                std::vector<SplitMessage> ready;
                {
                    std::unique_lock lock(mutex_);
                    // Wake now and then to run the pump while a long message is being cut.
                    ready_.wait_for(lock, std::chrono::milliseconds(50), [this] { return !queue_.empty() || cutDone_; });
                    if (queue_.empty() && cutDone_) break;
                    ready.swap(queue_);
                }
                for (SplitMessage& m : ready) {
                    if (result.stopped || (pump && !pump())) {
                        result.stopped = true;
                        break;
                    }
                    const std::size_t size = m.text.size();
                    if (sink) sink(m);
                    ++delivered;
                    bytes += size;
                    std::lock_guard lock(mutex_);
                    inFlight_ -= size;
                    room_.notify_all();
                }
            }
        } catch (...) {
            sinkFailure = std::current_exception();
        }
        Stop();
        reader.join();
        cutter.join();
        result.stats = splitter_.Stats();
        result.stats.messages = delivered;
        result.stats.bytesDelivered = bytes;
        std::exception_ptr failure = sinkFailure ? sinkFailure : (result.stopped ? nullptr : failure_);
        if (failure) {
            try {
                std::rethrow_exception(failure);
            } catch (const platform::FileError& e) {
                result.complete = false;
                result.error = e.what();
                result.errorOffset = e.offset();
            } catch (const std::exception& e) {
                // A message too long for the accumulator: the container can't be cut further.
                result.complete = false;
                result.errorOffset = result.stats.bytesDelivered + result.stats.bytesSkipped;
                result.error = "cannot read \"" + path_ + "\" at offset " + std::to_string(result.errorOffset) +
                               ": " + e.what();
            }
        }
        return result;
    }

  private:
    struct Block {
        std::vector<char> data;
        std::size_t size = 0;
    };

    void Stop() {
        std::lock_guard lock(mutex_);
        stop_ = true;
        filled_.notify_all();
        free_.notify_all();
        room_.notify_all();
    }

    void ReadBlocks() {
        try {
            platform::InputFile file(path_);
            for (std::size_t k = 0;; ++k) {
                Block& b = blocks_[k % kBlocks];
                {
                    std::unique_lock lock(mutex_);
                    free_.wait(lock, [&] { return stop_ || readCount_ - cutCount_ < kBlocks; });
                    if (stop_) return;
                }
                b.size = ReadFully(file, b.data.data(), b.data.size());
                std::lock_guard lock(mutex_);
                if (b.size == 0) {
                    readDone_ = true;
                } else {
                    ++readCount_;
                }
                filled_.notify_all();
                if (b.size == 0) return;
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            readFailure_ = std::current_exception();
            readDone_ = true;
            filled_.notify_all();
        }
    }

    void CutBlocks() {
        try {
            for (std::size_t k = 0;; ++k) {
                {
                    std::unique_lock lock(mutex_);
                    filled_.wait(lock, [&] { return stop_ || readCount_ > k || readDone_; });
                    if (stop_) break;
                    if (readCount_ <= k) {
                        // The file is read: its failure ends the container, else the last message is complete.
                        if (readFailure_) std::rethrow_exception(readFailure_);
                        lock.unlock();
                        splitter_.Finish();
                        Hand();
                        break;
                    }
                    // Gathering more waits while messages not yet delivered fill the room.
                    room_.wait(lock, [&] {
                        return stop_ || inFlight_ == 0 || inFlight_ + splitter_.PendingBytes() + kBlock <= kInFlight;
                    });
                    if (stop_) break;
                }
                const Block& b = blocks_[k % kBlocks];
                splitter_.Feed(std::string_view(b.data.data(), b.size));
                {
                    std::lock_guard lock(mutex_);
                    ++cutCount_;
                    free_.notify_all();
                }
                Hand();
            }
        } catch (...) {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        cutDone_ = true;
        ready_.notify_all();
    }

    // Gives the messages cut so far to the caller's thread.
    void Hand() {
        if (batch_.empty()) return;
        std::lock_guard lock(mutex_);
        for (SplitMessage& m : batch_) queue_.push_back(std::move(m));
        inFlight_ += batchBytes_;
        batch_.clear();
        batchBytes_ = 0;
        ready_.notify_all();
    }

    const std::string& path_;
    ContainerSplitter splitter_;
    std::vector<SplitMessage> batch_;  // cut, not yet handed over (the cutter's own)
    std::size_t batchBytes_ = 0;
    Block blocks_[kBlocks];

    std::mutex mutex_;
    std::condition_variable filled_, free_, ready_, room_;
    std::size_t readCount_ = 0, cutCount_ = 0;
    bool readDone_ = false, cutDone_ = false, stop_ = false;
    std::exception_ptr readFailure_, failure_;
    std::vector<SplitMessage> queue_;
    std::size_t inFlight_ = 0;  // bytes handed over and not yet delivered
};

}  // namespace

SplitResult SplitIMMFile(const std::string& path, const std::string& marker, bool advance, const MessageSink& sink,
                         const BlockPump& pump) {
    Pipeline pipeline(path, marker, advance);
    return pipeline.Run(sink, pump);
}

}  // namespace quill
