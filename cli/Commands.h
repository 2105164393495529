#pragma once
// The command-line front end's verbs. Each returns the process exit status. The arguments are
// read by the one description in CommandLine.h; the Run functions do a verb's work.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quill {
class MessageFinisher;
class OutlookTarget;
}  // namespace quill

namespace quill::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct ConvertOptions;
struct ListOptions;
struct SplitOptions;

// What the converter plugs into the run: the message finisher and the PST target. Kept apart so
// the command line links what the build has.
struct ConvertHooks {
    std::function<std::unique_ptr<MessageFinisher>()> makeFinisher;
    std::function<std::unique_ptr<OutlookTarget>()> makeOutlookTarget;
    // Where the store is when no --store is given (on Windows: IncrediMail's own settings);
    // empty when none is found.
    std::function<std::string()> findStore;
};
ConvertHooks DefaultConvertHooks();

// quillmere convert|list|split ... | --help | --version
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A verb with its own arguments (what follows the verb on the command line).
int ConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConvertHooks& hooks);
int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const ConvertHooks& hooks);
int SplitCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The verbs' work, once their arguments are read.
int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks);
int RunList(const ListOptions& options, std::ostream& out, std::ostream& err, const ConvertHooks& hooks);
int RunSplit(const SplitOptions& options, std::ostream& out, std::ostream& err);

// The store folder found on this machine without being told; empty when there is none.
std::string DefaultStoreFolder();

}  // namespace quill::cli
