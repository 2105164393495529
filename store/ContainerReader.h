#pragma once
// Reading an IncrediMail container (.imm): choosing its start marker and
// cutting it into messages. The container is read in blocks and never held
// whole; only the message being gathered is in memory.

#include <cstdint>
#include <functional>
#include <string>

#include "store/ContainerSplitter.h"

namespace quill {

// The start markers, in their order of priority.
inline constexpr std::string_view kStartMarkers[] = {"delivered-to:", "mime-version:", "reply-to:", "return-path:"};
inline constexpr std::size_t kProbeSize = 512;
inline constexpr std::size_t kMarkerSearchLimit = 1 << 20;

// The start marker of a container: the first of kStartMarkers, by priority,
// that begins a line of its first 512 bytes; failing that, of its first MiB.
// Empty when none does. Throws platform::FileError when the container cannot
// be opened or read.
std::string ReadIMMFile(const std::string& FileName);

struct SplitResult {
    SplitStats stats;
    bool complete = true;  // false: the container could not be read to its end
    bool stopped = false;  // the pump asked to stop; the message being read was not delivered
    std::string error;     // names the file and the offset
    std::uint64_t errorOffset = 0;
};

// Runs on the caller's thread before every message is delivered, and every
// 50 ms while a long one is being read; returns false to stop reading.
using BlockPump = std::function<bool()>;

// Reads the container from its first byte to its last and delivers its
// messages in order, on the caller's thread; reading and cutting run ahead on
// threads of their own, by a few blocks and a few MiB of messages. A read
// failure ends the container: the messages already delivered stand and the
// one being gathered is not delivered.
[[nodiscard]] SplitResult SplitIMMFile(const std::string& path, const std::string& marker, bool advance,
                                       const MessageSink& sink, const BlockPump& pump = {});

}  // namespace quill
