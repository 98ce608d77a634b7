// The mkdist command line; main() only forwards to it, so tests run it in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mkdist {

// args excludes the program name. Returns the process exit status.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mkdist
