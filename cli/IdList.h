#pragma once
// The comma-separated lists the commands take: `--categories`, `clean --only` and the startup
// commands' `--id`.
#include <string>
#include <string_view>
#include <vector>

namespace zt::cli {

// The items of "a,b,c" in order; an empty item stays, for the caller to refuse by name.
std::vector<std::string> SplitAtCommas(const std::string& list);

// "ID,ID": each 16 hex digits, kept once and in lower case. False with the reason on an empty
// list or a bad id; `noun` says whose ids they are ("finding", "startup").
bool ParseIdList(const std::string& list, std::string_view noun, std::vector<std::string>& ids,
                 std::string& why);

} // namespace zt::cli
