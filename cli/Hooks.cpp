#include "cli/Commands.h"

#include "convert/MessageFinisher.h"
#include "convert/OutlookTarget.h"

namespace quill::cli {

ConvertHooks DefaultConvertHooks() { return {}; }

}  // namespace quill::cli
