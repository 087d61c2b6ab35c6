#include "seams/StatusText.h"

namespace zt {

std::string StatusReason(const Status& status) {
    switch (status.code()) {
    case StatusCode::AccessDenied:
        return "administrator rights are needed";
    case StatusCode::NotFound:
        return "it was not found";
    default:
        return status.Describe();
    }
}

std::string NotDeletedSummary(const std::vector<Status>& failures, std::string_view noun) {
    if (failures.empty()) return {};
    std::vector<std::string> reasons;
    for (const Status& s : failures) {
        std::string reason = StatusReason(s);
        bool known = false;
        for (const auto& r : reasons)
            known = known || r == reason;
        if (!known) reasons.push_back(reason);
    }
    std::string text = std::to_string(failures.size()) + " ";
    if (failures.size() == 1 && !noun.empty() && noun.back() == 's') noun.remove_suffix(1);
    text += noun;
    text += " could not be deleted: ";
    for (std::size_t i = 0; i < reasons.size(); ++i)
        text += (i ? "; " : "") + reasons[i];
    return text + ".";
}

} // namespace zt
