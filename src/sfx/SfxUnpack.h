#pragma once
// Unpacks a self-extracting container below a folder, as the restorer and
// `pelorin unpack` do: each entry at its path, the subfolders its name holds
// made on the way. All or nothing: a container that fails anywhere leaves the
// folder as it was.
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "sfx/SfxReader.h"

namespace pelorin {

// `folder` exists and ends with "\". `records` receives the directory when it
// was read; `failedPath` the path that could not be made or written.
SfxStatus UnpackSfxToFolder(FileSystem& files, FileStream& container, const std::string& folder,
                            std::vector<SfxRecord>& records, std::string* failedPath);

// Deletes the entries of `records` below `folder` and the subfolders their
// names made once they are empty; `folder` itself stays.
void RemoveSfxEntries(FileSystem& files, const std::string& folder, const std::vector<SfxRecord>& records);

// The folders above an entry name, outermost first ("a\b\c.sys": "a", "a\b").
std::vector<std::string> SfxEntryFolders(const std::string& name);

// Makes the folders above `name` below `folder` that are missing, each one made
// appended to `made`; false (with `failedPath`) when a level is not a folder.
bool MakeSfxEntryFolders(FileSystem& files, const std::string& folder, const std::string& name,
                         std::vector<std::string>& made, std::string* failedPath);

}  // namespace pelorin
