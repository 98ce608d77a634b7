#include "setup/script/backslash.h"

namespace setup {

std::string EnsureTrailingBackslash(std::string_view text) {
  if (text.empty()) return {};
  if (text.front() == '"') text = text.substr(1, 255);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  if (text.empty()) return {};
  std::string result(text);
  if (result.back() != '\\') result += '\\';
  return result;
}

std::string StripTrailingBackslash(std::string_view text) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return std::string(text);
}

std::string FolderPartWithDelimiter(std::string_view path) {
  std::size_t cut = path.find_last_of("\\:");
  if (cut == std::string_view::npos) return {};
  return std::string(path.substr(0, cut + 1));
}

std::string DrivePart(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share: stop before the backslash that follows the share name.
    std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos) return std::string(path);
    std::size_t shareEnd = path.find('\\', serverEnd + 1);
    return std::string(path.substr(0, shareEnd));
  }
  return {};
}

}  // namespace setup
