#include "cli/Commands.h"

#include "convert/EmlFinish.h"
#include "convert/MessageFinisher.h"
#include "convert/OutlookTarget.h"

namespace quill::cli {

ConvertHooks DefaultConvertHooks() {
    ConvertHooks hooks;
    hooks.makeFinisher = [] { return std::make_unique<EmlFinisher>(); };
    return hooks;
}

}  // namespace quill::cli
