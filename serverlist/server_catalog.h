// Reading the provider's server list, servers.xml:
//
//   <servers>
//     <server type="shared">            type: "shared" or "dedicated"
//       <location>Amsterdam</location>  the row the user picks
//       <address>nl1.example</address>  the host that is dialled
//       <speed>...</speed>              not used
//     </server>
//     ...
//   </servers>
//
// Nothing is kept between calls: every query loads the whole file afresh, so
// a list the updater has just replaced is seen at once. Whether the load
// succeeds is not looked at; a file that breaks off part-way (the updater
// stores only whole lists, but one may be left by other means) is used as far
// as the parser got.
//
// The root is the first top-level element named `servers`. Its entries are
// the first child element named `server` and every element after it,
// whatever its name. An element's text is its first child node when that is
// text or CDATA, exactly as TinyXML gives it; the list and the lookup read
// it the same way, so a listed row always finds its own entry.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "serverlist/account_type.h"

namespace norva {

// Locations of the entries typed exactly "shared" (AccountType::Shared) or
// "dedicated" (AccountType::Dedicated), in document order; entries without
// location text are left out, repeated locations are kept. Empty when the
// file is missing or has no `servers` root.
std::vector<std::string> ListLocations(const std::string& catalogPath, AccountType type);

// Address of the first entry, of any account type, whose location text is
// exactly `location`. `out` holds `capacity` characters and the NUL.
//
// An entry whose address is missing, empty or longer than `capacity` is
// passed over and the search goes on with later entries of the same
// location: a cut host name would dial the wrong host, and a later entry
// with a usable address is as good a server for that location as any.
//
// True when a non-empty address was copied into `out`; false otherwise, and
// then `out` is left empty. Never writes past out[capacity].
bool FindServerAddress(const std::string& catalogPath, const std::string& location, char* out,
                       std::size_t capacity);

// The same lookup into a string; `address` is emptied on false.
bool FindServerAddress(const std::string& catalogPath, const std::string& location,
                       std::string& address, std::size_t capacity);

// Whether the file is a whole server list: it parses without an error to its
// end and has the `servers` root. A list that broke off part-way is not.
bool IsWholeServerList(const std::string& catalogPath);

}  // namespace norva
