#pragma once
// The web site and support addresses. They are kept scrambled in the program so a plain
// string search of the executable does not harvest them.
#include <string>

namespace zt {

std::string WebsiteAddress();
std::string SupportEmail();

} // namespace zt
