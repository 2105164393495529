#include "store/ContainerReader.h"

#include <vector>

#include "platform/File.h"
#include "store/LineScan.h"

namespace quill {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

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

SplitResult SplitIMMFile(const std::string& path, const std::string& marker, bool advance, const MessageSink& sink,
                         const BlockPump& pump) {
    SplitResult result;
    ContainerSplitter splitter(marker, advance, sink);
    try {
        platform::InputFile file(path);
        std::vector<char> block(kReadBlock);
        for (;;) {
            if (pump && !pump()) {
                result.stopped = true;
                result.stats = splitter.Stats();
                return result;
            }
            std::size_t got = file.Read(block.data(), block.size());
            if (got == 0) break;
            splitter.Feed(std::string_view(block.data(), got));
        }
        splitter.Finish();
    } catch (const platform::FileError& e) {
        result.complete = false;
        result.error = e.what();
        result.errorOffset = e.offset();
    } catch (const std::exception& e) {
        // A message too long for the accumulator: the container can't be cut further.
        result.complete = false;
        result.errorOffset = splitter.Stats().bytesDelivered + splitter.Stats().bytesSkipped;
        result.error = "cannot read \"" + path + "\" at offset " + std::to_string(result.errorOffset) + ": " + e.what();
    }
    result.stats = splitter.Stats();
    return result;
}

}  // namespace quill
