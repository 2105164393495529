#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The strict PST verifier: every structural rule the writer must keep, checked independently of
// the writer. Plain functions without any test framework, so any test program linking
// quill_pst_verify can call them on the files it writes.
namespace quill::pst::verify {

// Empty when the file at `path` is valid; otherwise one readable line per problem, naming the
// offset, NID or BID and what was expected against what was found.
[[nodiscard]] std::vector<std::string> VerifyPst(const std::string& path);
[[nodiscard]] std::vector<std::string> VerifyPstBytes(const std::vector<std::uint8_t>& bytes);

// The problems joined one per line, for test failure messages.
[[nodiscard]] std::string JoinProblems(const std::vector<std::string>& problems);

}  // namespace quill::pst::verify
