#include "cli/Commands.h"

#include "convert/EmlFinish.h"
#include "convert/MessageFinisher.h"
#include "convert/PstTarget.h"

namespace quill::cli {

ConvertHooks DefaultConvertHooks() {
    ConvertHooks hooks;
    hooks.makeFinisher = [] { return std::make_unique<EmlFinisher>(); };
    hooks.makeOutlookTarget = [] { return std::make_unique<PstTarget>(); };
    hooks.findStore = [] { return DefaultStoreFolder(); };
    return hooks;
}

}  // namespace quill::cli
