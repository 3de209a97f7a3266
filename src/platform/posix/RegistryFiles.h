#pragma once
// An offline installation's registry for the POSIX backend: HKLM\SYSTEM (and
// HKLM\DRIVERS) read from hive files or from a regedit export (.reg), into a
// MemoryRegistry in which SYSTEM\CurrentControlSet is the installation's current
// control set.
//
// Failures come back as one line "FILE: problem" (no exceptions); a loader that
// fails may leave the registry partly filled.
#include <string>

#include "platform/posix/MemoryRegistry.h"

namespace pelorin {

// Hive or export, told apart by the file's first bytes.
bool LoadRegistryFile(const std::string& file, MemoryRegistry& registry, std::string& error);

// A SYSTEM hive (read with libhivex). Taken over: the current control set's
// Control\Class branch, Select, the root's DriverDatabase and each control set's
// Control\Session Manager\Environment.
bool LoadSystemHive(const std::string& file, MemoryRegistry& registry, std::string& error);
// A DRIVERS hive (Windows 10/11): its root key DriverDatabase, as
// DRIVERS\DriverDatabase (where a running system loads it, HKLM\DRIVERS).
bool LoadDriversHive(const std::string& file, MemoryRegistry& registry, std::string& error);

// A regedit export: "Windows Registry Editor Version 5.00" (UTF-16LE with BOM, or
// UTF-8) or "REGEDIT4" (code page 936). Keys under HKEY_LOCAL_MACHINE\SYSTEM and
// HKEY_LOCAL_MACHINE\DRIVERS (the separate driver database) are taken;
// ControlSet00N stands for CurrentControlSet when the export has no
// CurrentControlSet of its own (Select\Current decides between several).
// `label` names the source in messages.
bool LoadRegExport(const std::string& bytes, const std::string& label, MemoryRegistry& registry,
                   std::string& error);
bool LoadRegExportFile(const std::string& file, MemoryRegistry& registry, std::string& error);

// True when every key the scan needs is there.
bool HasClassBranch(MemoryRegistry& registry);

}  // namespace pelorin
