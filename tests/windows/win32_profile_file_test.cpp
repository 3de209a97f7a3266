// CProfileFile on the real profile services under wine: the scenario the POSIX
// backend runs too.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ProfileFileScenario.h"
#include "platform/win32/Win32Platform.h"
#include "windows/support/Win32Scratch.h"

namespace pelorin {
namespace {

using testing::Win32Scratch;

class Win32ProfileFileTest : public ::testing::Test {
 protected:
  Win32ProfileFileTest() { ini.SetPath(path.c_str()); }
  Platform Services() {
    Platform services = win32.Get();
    services.boxes = &boxes;
    return services;
  }
  testing::profile_scenario::Setup Scenario() {
    return {ini, boxes, [this](const std::string& bytes) { Win32Scratch::WriteFile(path, bytes); },
            [this] { return Win32Scratch::ReadFile(path); }, scratch / "nowhere\\taskinfo.ini"};
  }

  win32::Win32Platform win32;
  testing::RecordingBoxes boxes;
  Win32Scratch scratch{"profile"};
  std::string path = scratch / "taskinfo.ini";
  CProfileFile ini{Services()};
};

TEST_F(Win32ProfileFileTest, ManifestRoundTripInGbkWithCrlf) {
  testing::profile_scenario::ManifestRoundTripInGbkWithCrlf(Scenario());
}

TEST_F(Win32ProfileFileTest, MissingFileGivesTheMessageAndCreatesNothing) {
  testing::profile_scenario::MissingFileShowsOneMessagePerReadAndYieldsNothing(Scenario());
  EXPECT_EQ(::GetFileAttributesA((scratch / "nowhere").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32ProfileFileTest, LongResultsAreCutToTheFixedBuffers) {
  testing::profile_scenario::LongResultsAreCutToTheFixedBuffers(Scenario());
}

}  // namespace
}  // namespace pelorin
