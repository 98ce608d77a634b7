#include "setup/Setup/command_line.h"

namespace setup {

const char* const kUsage =
    "usage: setup [--root DIR] [--program-dir DIR] [--headless] [--dump FILE] [--screenshot FILE] [SOURCE]\n";

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error) {
  CommandLine cl;
  bool sourceSeen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--root") {
      if (!value(cl.root)) return std::nullopt;
    } else if (a == "--program-dir") {
      if (!value(cl.programDir)) return std::nullopt;
    } else if (a == "--dump") {
      if (!value(cl.dump)) return std::nullopt;
    } else if (a == "--screenshot") {
      if (!value(cl.screenshot)) return std::nullopt;
    } else if (a == "--headless") {
      cl.headless = true;
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      error = "unknown option " + a;
      return std::nullopt;
    } else if (!sourceSeen) {
      // Only the first argument is the installer's; later ones are ignored, as they always were.
      cl.source = a;
      sourceSeen = true;
    }
  }
  return cl;
}

}  // namespace setup
