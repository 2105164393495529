#pragma once
// The command-line front end's verbs. Each returns the process exit status.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quill::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace quill::cli

namespace quill {
class MessageFinisher;
class OutlookTarget;
}  // namespace quill

namespace quill::cli {

// What the converter plugs into the run: the message finisher and the PST
// target. Kept apart so the command line links what the build has.
struct ConvertHooks {
    std::function<std::unique_ptr<MessageFinisher>()> makeFinisher;
    std::function<std::unique_ptr<OutlookTarget>()> makeOutlookTarget;
    // Where the store is when no --store is given (on Windows: IncrediMail's own settings);
    // empty when none is found.
    std::function<std::string()> findStore;
};
ConvertHooks DefaultConvertHooks();

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// quillmere convert [--store DIR] [--attachments DIR] --out DIR [--target eml|pst] [--advance] [CONTAINER...]
int ConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConvertHooks& hooks);
// quillmere list [--store DIR]
int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const ConvertHooks& hooks);

// The store folder found on this machine without being told; empty when there is none.
std::string DefaultStoreFolder();

// quillmere split [--advance] CONTAINER OUTDIR
int SplitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quill::cli
