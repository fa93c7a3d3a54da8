// servers.xml as the provider publishes it, for the native, Wine and end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace norva::testing {

struct ServerEntry {
  const char* type;      // "shared", "dedicated", anything else, or null for no attribute
  const char* location;  // null: no <location> element
  const char* address;   // null: no <address> element
  const char* element = "server";
};

// One entry, with a <speed> the program never reads.
inline std::string ServerXml(const ServerEntry& s) {
  std::string xml = std::string("<") + s.element;
  if (s.type != nullptr) xml += std::string(" type=\"") + s.type + "\"";
  xml += ">";
  if (s.location != nullptr) xml += std::string("<location>") + s.location + "</location>";
  if (s.address != nullptr) xml += std::string("<address>") + s.address + "</address>";
  return xml + "<speed>100</speed></" + s.element + ">\r\n";
}

// A whole document around entries already written out.
inline std::string ServersXml(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<servers>\r\n" + entries + "</servers>\r\n";
}

inline std::string ServersXml(const std::vector<ServerEntry>& servers) {
  std::string entries;
  for (const ServerEntry& s : servers) entries += ServerXml(s);
  return ServersXml(entries);
}

// A whole list of `size` bytes (30 or more) that no shift, cut or text conversion keeps.
inline std::string WholeListOf(std::size_t size) {
  std::string list = "<servers>\r\n<!--";
  for (int i = 0; list.size() + 15 < size; ++i)
    if (const char c = static_cast<char>(i * 37 + 11); c != '\0') list += c;
  return list + "-->\r\n</servers>";
}

}  // namespace norva::testing
