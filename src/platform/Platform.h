#pragma once
// The services of one platform backend, handed to the core's operations.
#include "platform/DeviceSetup.h"
#include "platform/FileSystem.h"
#include "platform/ProfileApi.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"

namespace pelorin {

struct Platform {
  Registry* registry = nullptr;
  FileSystem* files = nullptr;
  ProfileApi* profile = nullptr;
  MessageBoxes* boxes = nullptr;
  Resources* resources = nullptr;
  DeviceSetup* devices = nullptr;
  SystemInfo* system = nullptr;
};

}  // namespace pelorin
