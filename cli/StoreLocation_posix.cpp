#include "cli/Commands.h"

namespace quill::cli {

// IncrediMail only ever kept its store on Windows: elsewhere it must be named.
std::string DefaultStoreFolder() { return {}; }

}  // namespace quill::cli
