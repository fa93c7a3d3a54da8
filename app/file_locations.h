// Where the program keeps its files. Start-up works the paths out once and
// hands them to whatever reads or writes those files.
#pragma once

#include <string>

namespace norva {

struct FileLocations {
  // The all-users application-data folder joined with
  // "Microsoft\Network\Connections\Pbk\norva.pbk"; "" when the folder cannot
  // be had or the path would not fit.
  std::string phonebook;
  // %APPDATA%\NORVA\servers.xml; "" when the folder cannot be had or the
  // path would not fit. The NORVA folder is not made here: a missing list
  // reads as an empty one, and the download makes the folder.
  std::string serverList;
  // config.ini in the program's folder; the bare "config.ini" (which the
  // profile functions look for in the Windows folder) when the program's
  // own path cannot be had or the joined path would not fit.
  std::string configIni;
  // %LOCALAPPDATA%\NORVA\norva.log, the support log; "" when the folder
  // cannot be had or the path would not fit. The log makes its folder.
  std::string supportLog;
};

// The locations of this program for the current user. Paths hold at most
// 259 characters.
FileLocations ProgramFileLocations();

}  // namespace norva
