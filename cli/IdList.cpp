#include "cli/IdList.h"

#include <algorithm>

#include "scan/FindingId.h"
#include "seams/AsciiText.h"

namespace zt::cli {

std::vector<std::string> SplitAtCommas(const std::string& list) {
    std::vector<std::string> items;
    for (std::size_t pos = 0;;) {
        auto comma = list.find(',', pos);
        items.push_back(list.substr(pos, comma == std::string::npos ? comma : comma - pos));
        if (comma == std::string::npos) return items;
        pos = comma + 1;
    }
}

bool ParseIdList(const std::string& list, std::string_view noun, std::vector<std::string>& ids,
                 std::string& why) {
    if (list.empty()) {
        why = "an empty list of ids";
        return false;
    }
    for (std::string& id : SplitAtCommas(list)) {
        if (!IsFindingIdText(id)) {
            why = "not a " + std::string(noun) + " id (16 hex digits): '" + id + "'";
            return false;
        }
        id = AsciiLower(id);
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return true;
}

} // namespace zt::cli
