#include "app/DiscoverStoreFolder.h"
#include "cli/Commands.h"

namespace quill::cli {

std::string DefaultStoreFolder() { return DiscoverStoreFolder(); }

}  // namespace quill::cli
