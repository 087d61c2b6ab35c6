#pragma once
// How the user reads why something was not deleted or written.
#include <string>
#include <string_view>
#include <vector>

#include "seams/Status.h"

namespace zt {

// "administrator rights are needed", "it was not found", "error 32".
std::string StatusReason(const Status& status);

// "3 items could not be deleted: administrator rights are needed." for the statuses of the
// entries that failed, each cause named once in order of first appearance; empty for none.
// `noun` is the plural ("items", "files"); one entry gets the singular.
std::string NotDeletedSummary(const std::vector<Status>& failures, std::string_view noun = "items");

} // namespace zt
