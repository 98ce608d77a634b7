// Fuzzes the macro expander: the input is split at NUL bytes into the text to expand, the
// values of the macros and exedirpos, so values that hold macros (their own among them) and
// stray percent signs are all reached.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "setup/script/backslash.h"
#include "setup/script/macros.h"
#include "setup/script/tests/fake_macro_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t end = input.find('\0', start);
    parts.push_back(
        input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  auto part = [&](std::size_t i) { return i < parts.size() ? std::string(parts[i]) : std::string(); };

  setup::testing::FakeMacroSource source;
  std::size_t i = 1;
  for (std::string* field :
       {&source.install, &source.windows, &source.system, &source.fonts, &source.winVer, &source.setupVer,
        &source.user, &source.software, &source.source, &source.program}) {
    *field = part(i++);
  }
  for (auto& v : source.ini) v = part(i++);
  for (auto& v : source.reg) v = part(i++);
  const std::string pos = part(i);
  source.exeDirPosValue = pos.empty() ? 0 : static_cast<std::int32_t>(std::strtol(pos.c_str(), nullptr, 10));

  const std::string text = part(0);
  const std::string result = setup::ExpandMacros(source, text);
  if (text.find('%') == std::string::npos && result != text) std::abort();
  if (result.size() > setup::kMacroMaxLength && result != text) std::abort();
  // The expansion is a function of its input: the same call gives the same text.
  if (setup::ExpandMacros(source, text) != result) std::abort();

  const std::string ensured = setup::EnsureTrailingBackslash(text);
  if (!ensured.empty() && ensured.back() != '\\') std::abort();
  const std::string stripped = setup::StripTrailingBackslash(text);
  if (stripped.size() + (!text.empty() && text.back() == '\\' ? 1 : 0) != text.size()) std::abort();
  return 0;
}
