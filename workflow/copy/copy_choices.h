#pragma once
// What the user chose for a recovery copy. No platform header: the session's
// header names it.
#include "workflow/found/recovered_names.h"

namespace workflow {

struct CopyChoices {
    NameChoice naming = NameChoice::AsFound;
    bool writeRecord = false;  // recovered.csv beside the copies
};

}  // namespace workflow
