#pragma once
// The command-line front end's verbs. Each returns the process exit status.

#include <ostream>
#include <string>
#include <vector>

namespace quill::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// quillmere split [--advance] CONTAINER OUTDIR
int SplitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quill::cli
