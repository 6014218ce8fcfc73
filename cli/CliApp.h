// zorb-cli: the application without a window. Errors go to `err` in the system's words and give exit status 1.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zorb {

// `args` excludes the program name.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zorb
