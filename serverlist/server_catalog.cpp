#include "serverlist/server_catalog.h"

#include <cstring>

#include <tinyxml.h>

namespace norva {
namespace {

// Calls `visit` on each server entry of the catalog in document order until
// it returns true; returns whether it did.
template <typename Visit>
bool VisitServerEntries(const std::string& catalogPath, Visit&& visit) {
  TiXmlDocument document(catalogPath.c_str());
  document.LoadFile();  // a failed or partial load leaves what was read
  const TiXmlElement* root = document.FirstChildElement("servers");
  if (root == nullptr) return false;
  for (const TiXmlElement* entry = root->FirstChildElement("server"); entry != nullptr;
       entry = entry->NextSiblingElement()) {
    if (visit(*entry)) return true;
  }
  return false;
}

// Text of the entry's first child element called `name`, or null.
const char* ChildText(const TiXmlElement& entry, const char* name) {
  const TiXmlElement* child = entry.FirstChildElement(name);
  return child != nullptr ? child->GetText() : nullptr;
}

const char* TypeName(AccountType type) {
  switch (type) {
    case AccountType::Shared: return "shared";
    case AccountType::Dedicated: return "dedicated";
  }
  return nullptr;
}

// Hands the first usable address for `location` to `take(text, length)`.
template <typename Take>
bool FindAddress(const std::string& catalogPath, const std::string& location,
                 std::size_t capacity, Take&& take) {
  return VisitServerEntries(catalogPath, [&](const TiXmlElement& entry) {
    const char* name = ChildText(entry, "location");
    if (name == nullptr || location != name) return false;
    const char* address = ChildText(entry, "address");
    if (address == nullptr) return false;
    const std::size_t length = std::strlen(address);
    if (length == 0 || length > capacity) return false;
    take(address, length);
    return true;
  });
}

}  // namespace

std::vector<std::string> ListLocations(const std::string& catalogPath, AccountType type) {
  std::vector<std::string> locations;
  const char* wanted = TypeName(type);
  if (wanted == nullptr) return locations;
  VisitServerEntries(catalogPath, [&](const TiXmlElement& entry) {
    const char* entryType = entry.Attribute("type");
    if (entryType != nullptr && std::strcmp(entryType, wanted) == 0) {
      if (const char* name = ChildText(entry, "location")) locations.emplace_back(name);
    }
    return false;
  });
  return locations;
}

bool FindServerAddress(const std::string& catalogPath, const std::string& location, char* out,
                       std::size_t capacity) {
  out[0] = '\0';
  return FindAddress(catalogPath, location, capacity,
                     [out](const char* address, std::size_t length) {
                       std::memcpy(out, address, length);
                       out[length] = '\0';
                     });
}

bool FindServerAddress(const std::string& catalogPath, const std::string& location,
                       std::string& address, std::size_t capacity) {
  address.clear();
  return FindAddress(catalogPath, location, capacity,
                     [&address](const char* text, std::size_t length) {
                       address.assign(text, length);
                     });
}

bool IsWholeServerList(const std::string& catalogPath) {
  TiXmlDocument document(catalogPath.c_str());
  return document.LoadFile() && document.FirstChildElement("servers") != nullptr;
}

}  // namespace norva
