#pragma once
// Sequences of profile-file calls and file operations, run on whatever backend
// `platform` is, each in its own folder below `root` (a full Windows path of an
// empty folder). The transcript holds results, last-error codes and the bytes
// of the files written, never a path of the machine that ran it.
#include <string>

#include "Transcript.h"
#include "platform/Platform.h"

namespace pelorin::differential {

void RunProfileScenarios(const Platform& platform, const std::string& root, Transcript& out);
// `asRoot`: the programs run as root, where wine writes over read-only files.
void RunFileScenarios(const Platform& platform, const std::string& root, bool asRoot, Transcript& out);

// Shared by both groups: a fresh folder for scenario `name` below `root`.
std::string ScenarioFolder(const Platform& platform, const std::string& root, const std::string& name);
// Raw file contents through the platform's streams ("" when unreadable).
std::string ReadBytes(const Platform& platform, const std::string& path);
bool WriteBytes(const Platform& platform, const std::string& path, const std::string& bytes);
// Every entry below `folder`, in search order: name, attributes (archive and
// normal left out, see FileScenarios.cpp), size and the bytes of each file.
void DumpTree(const Platform& platform, const std::string& folder, const std::string& label, Transcript& out);

}  // namespace pelorin::differential
