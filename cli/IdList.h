#pragma once
// The id lists that `clean --only` and the startup commands' `--id` take.
#include <string>
#include <string_view>
#include <vector>

namespace zt::cli {

// "ID,ID": each 16 hex digits, kept once and in lower case. False with the reason on an empty
// list or a bad id; `noun` says whose ids they are ("finding", "startup").
bool ParseIdList(const std::string& list, std::string_view noun, std::vector<std::string>& ids,
                 std::string& why);

} // namespace zt::cli
