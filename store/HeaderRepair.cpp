#include "store/HeaderRepair.h"

#include <array>

#include "store/LineScan.h"

namespace quill {
namespace {

constexpr std::array<std::string_view, 8> kHeadNames = {
    "delivered-to:", "return-path:", "received:", "date:", "mime-version:", "reply-to:", "from:", "to:"};

// Calls f(lineStart, lineWithoutEnd) for each line; the last may lack its end.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (!f(pos, lines::WithoutCr(text.substr(pos, end - pos)))) return;
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
    }
}

}  // namespace

std::size_t HeadPartStart(std::string_view cutText) {
    for (std::string_view name : kHeadNames) {
        std::size_t found = std::string_view::npos;
        ForEachLine(cutText, [&](std::size_t at, std::string_view line) {
            if (lines::StartsWithNoCase(line, name)) {
                found = at;
                return false;
            }
            return true;
        });
        if (found != std::string_view::npos) return found;
    }
    // No name: only the header run directly above the Subject line.
    std::size_t runStart = std::string_view::npos;
    ForEachLine(cutText, [&](std::size_t at, std::string_view line) {
        if (lines::IsContinuation(line)) {
            // a folded line continues a run; on its own it is plain text
        } else if (lines::IsHeaderField(line)) {
            if (runStart == std::string_view::npos) runStart = at;
        } else {
            runStart = std::string_view::npos;
        }
        return true;
    });
    return runStart == std::string_view::npos ? cutText.size() : runStart;
}

void PrevPartMsg(std::string& iPrevMsg) { iPrevMsg.erase(0, HeadPartStart(iPrevMsg)); }

std::string CleanPartMsg(const std::string& iLastMsg) { return iLastMsg.substr(0, HeadPartStart(iLastMsg)); }

}  // namespace quill
