// Where the program's own phonebook file lives.
#pragma once

#include <string>

namespace norva {

// The all-users application-data folder joined with
// "Microsoft\Network\Connections\Pbk\norva.pbk"; empty when the folder cannot
// be had or the path would not fit.
std::string PhonebookPath();

}  // namespace norva
