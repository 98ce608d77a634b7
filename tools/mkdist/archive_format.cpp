#include "tools/mkdist/archive_format.h"

#include "platform/text/ansi.h"

namespace mkdist {

namespace {
constexpr std::string_view kIds[] = {"NON", "RLE", "LZH", "CUS", "LH5"};
}

std::string_view MethodId(std::uint8_t index) { return index < 5 ? kIds[index] : "?"; }

std::optional<Method> MethodFromId(std::string_view id) {
  for (std::uint8_t i = 0; i < 5; ++i)
    if (id == kIds[i] && i != 3) return static_cast<Method>(i);
  return std::nullopt;
}

std::optional<std::string> EntryNameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  // The length field is a signed 16-bit number; Windows allows 255 characters per name.
  if (name.size() > 255) return "the name is longer than 255 characters";
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20) return "the name contains a control character";
    if (c == '\\' || c == '/') return "the name contains a folder separator; entries carry bare file names";
    if (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
      return std::string("the name contains the character '") + c + "', which Windows file names cannot hold";
  }
  if (name.back() == ' ' || name.back() == '.') return "the name ends with a blank or a dot, which Windows drops";
  if (name == "." || name == "..") return "the name is a folder reference";
  // Device names stay devices on Windows whatever extension follows them.
  std::string stem = platform::toUpperAnsi(name.substr(0, name.find('.')));
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  bool device = false;
  for (const char* d : devices) device = device || stem == d;
  if (stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' && stem[3] <= '9')
    device = true;
  if (device) return "the name is a Windows device name";
  return std::nullopt;
}

}  // namespace mkdist
