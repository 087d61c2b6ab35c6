#pragma once
// The version text shown in the About box and the main window's caption.
#include <cstdint>
#include <string>

namespace zt {

// "%d.%d.%d.%d" of the file version when its major-and-minor word is at least the product
// version's, else of the product version; a trailing ".0.0" is dropped.
std::string FormatVersionText(std::uint32_t fileMS, std::uint32_t fileLS, std::uint32_t productMS,
                              std::uint32_t productLS);

// The text for the executable at `modulePath`; empty when it carries no version resource.
std::string ProgramVersionText(const std::string& modulePath);

} // namespace zt
