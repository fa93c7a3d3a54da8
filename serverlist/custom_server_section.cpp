#include "serverlist/custom_server_section.h"

#include <cstring>
#include <string_view>

namespace norva {
namespace {

struct Line {
  std::string_view name;
  std::string_view address;
  bool hasSeparator = false;
};

Line SplitLine(std::string_view line) {
  while (!line.empty() && line.front() == '=') line.remove_prefix(1);
  Line result;
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) {
    result.name = line;
    return result;
  }
  result.name = line.substr(0, eq);
  result.address = line.substr(eq + 1);
  result.hasSeparator = true;
  return result;
}

// Calls `visit` for each NUL-ended line inside the first `length` bytes.
template <typename Visit>
void ForEachLine(const char* section, std::size_t length, Visit visit) {
  std::size_t pos = 0;
  while (pos < length && section[pos] != '\0') {
    const char* start = section + pos;
    const std::size_t n = strnlen(start, length - pos);
    if (!visit(std::string_view(start, n))) return;
    pos += n + 1;
  }
}

}  // namespace

std::vector<std::string> ParseCustomServerNames(const char* section, std::size_t length) {
  std::vector<std::string> names;
  if (section == nullptr) return names;
  ForEachLine(section, length, [&](std::string_view line) {
    const Line parts = SplitLine(line);
    if (!parts.name.empty()) names.emplace_back(parts.name);
    return true;
  });
  return names;
}

bool CopyFirstCustomServerAddress(const char* section, std::size_t length, char* destination,
                                  std::size_t capacity) {
  if (section == nullptr || destination == nullptr) return false;
  bool copied = false;
  ForEachLine(section, length, [&](std::string_view line) {
    const Line parts = SplitLine(line);
    if (parts.hasSeparator && !parts.address.empty() && parts.address.size() <= capacity) {
      std::memcpy(destination, parts.address.data(), parts.address.size());
      destination[parts.address.size()] = '\0';
      copied = true;
    }
    return false;  // the first line only
  });
  return copied;
}

}  // namespace norva
