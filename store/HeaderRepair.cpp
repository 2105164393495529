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
    // The header run directly above the Subject line: header-field lines and
    // their folded lines, back to the nearest line that is neither.
    std::size_t runStart = std::string_view::npos;
    bool bodyAbove = false;  // a line that is neither stands above the run
    ForEachLine(cutText, [&](std::size_t at, std::string_view line) {
        if (lines::IsContinuation(line) && runStart != std::string_view::npos) {
            // a folded line continues a run; on its own it is plain text
        } else if (lines::IsHeaderField(line)) {
            if (runStart == std::string_view::npos) runStart = at;
        } else {
            runStart = std::string_view::npos;
            bodyAbove = true;
        }
        return true;
    });
    if (runStart == std::string_view::npos) return cutText.size();
    if (!bodyAbove) return runStart;
    // A body ran into the header without a blank line, so the run may begin
    // with body lines that look like fields: the head begins at the run's
    // first line that starts with one of the names.
    std::string_view run = cutText.substr(runStart);
    std::size_t found = std::string_view::npos;
    ForEachLine(run, [&](std::size_t at, std::string_view line) {
        for (std::string_view name : kHeadNames) {
            if (lines::StartsWithNoCase(line, name)) {
                found = at;
                return false;
            }
        }
        return true;
    });
    return runStart + (found == std::string_view::npos ? 0 : found);
}

void PrevPartMsg(std::string& iPrevMsg) { iPrevMsg.erase(0, HeadPartStart(iPrevMsg)); }

std::string CleanPartMsg(const std::string& iLastMsg) { return iLastMsg.substr(0, HeadPartStart(iLastMsg)); }

}  // namespace quill
