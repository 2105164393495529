// The splitter on arbitrary bytes: it must not crash, and what it delivers,
// after the skipped prefix, must be the input exactly, numbered 1..n with
// offsets that follow one another; fed whole, it must cut at the same offsets
// as fed in pieces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store/ContainerReader.h"
#include "store/ContainerSplitter.h"

namespace {

constexpr std::size_t kPieceSizes[] = {1, 2, 7, 64, 1023, 1024, 1025, 65536};

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    // Low 3 bits: the marker (5 = empty, 6/7 = advance); next 3 bits: piece size.
    const unsigned markerChoice = mode & 7u;
    const bool advance = markerChoice >= 6;
    std::string marker;
    if (markerChoice < 4) marker = std::string(quill::kStartMarkers[markerChoice]);
    const std::size_t pieceSize = kPieceSizes[(mode >> 3) & 7u];

    std::string joined;
    int expectedNumber = 1;
    std::uint64_t firstOffset = 0;
    bool any = false;
    quill::ContainerSplitter splitter(marker, advance, [&](quill::SplitMessage& m) {
        Check(m.number == expectedNumber++);
        if (!any) {
            firstOffset = m.offset;
            any = true;
        } else {
            Check(m.offset == firstOffset + joined.size());
        }
        joined += m.text;
    });
    for (std::size_t at = 0; at < input.size(); at += pieceSize) splitter.Feed(input.substr(at, pieceSize));
    splitter.Finish();

    const quill::SplitStats& stats = splitter.Stats();
    Check(stats.bytesSkipped + joined.size() == input.size());
    Check(stats.bytesDelivered == joined.size());
    Check(stats.messages == static_cast<std::uint64_t>(expectedNumber - 1));
    if (any) Check(firstOffset == stats.bytesSkipped);
    Check(input.substr(stats.bytesSkipped) == joined);

    std::vector<std::uint64_t> pieceCuts, wholeCuts;
    {
        quill::ContainerSplitter again(marker, advance, [&](quill::SplitMessage& m) { pieceCuts.push_back(m.offset); });
        for (std::size_t at = 0; at < input.size(); at += pieceSize) again.Feed(input.substr(at, pieceSize));
        again.Finish();
    }
    quill::ContainerSplitter whole(marker, advance, [&](quill::SplitMessage& m) { wholeCuts.push_back(m.offset); });
    whole.Feed(input);
    whole.Finish();
    Check(pieceCuts == wholeCuts);
    return 0;
}
