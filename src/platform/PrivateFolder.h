#pragma once
// A fresh folder of the run's own inside a folder other processes of the user
// can write (the temporary folder): a name nobody can guess beforehand, made
// exclusively, so that nothing planted there (a folder, a link, a junction) is
// ever used, and opened to the user alone.
#include <string>

#include "platform/FileSystem.h"

namespace pelorin {

// Makes `parent` (ending with "\") + `prefix` + random hex digits; returns the
// new folder's path with a trailing "\", or empty with the last-error code set.
std::string MakePrivateTempFolder(FileSystem& files, const std::string& parent, const std::string& prefix);

}  // namespace pelorin
