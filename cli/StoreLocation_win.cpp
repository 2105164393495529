#include "cli/Commands.h"

#include "win32/DiscoverStoreFolder.h"

namespace quill::cli {

std::string DefaultStoreFolder() { return DiscoverStoreFolder(); }

}  // namespace quill::cli
