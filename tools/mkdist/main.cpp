#include <iostream>

#include "tools/mkdist/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return mkdist::RunCommandLine(args, std::cout, std::cerr);
}
