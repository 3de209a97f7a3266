// CProfileFile on the POSIX profile services; the Windows build runs the same
// scenario on the real ones.
#include <gtest/gtest.h>

#include "PosixScratch.h"
#include "ProfileFileScenario.h"
#include "platform/posix/PosixPlatform.h"

namespace pelorin {
namespace {

class ProfileFileTest : public ::testing::Test {
 protected:
  ProfileFileTest() {
    posix.MapDrive('C', scratch.path());
    scratch.MakeDir(u8"显卡");
    ini.SetPath("C:\\显卡\\taskinfo.ini");
  }
  Platform Services() {
    Platform services = posix.Get();
    services.boxes = &boxes;
    return services;
  }
  testing::profile_scenario::Setup Scenario() {
    return {ini, boxes, [this](const std::string& bytes) { scratch.WriteFile(u8"显卡/taskinfo.ini", bytes); },
            [this] { return scratch.ReadFile(u8"显卡/taskinfo.ini"); }, "C:\\nowhere\\taskinfo.ini"};
  }

  testing::PosixScratch scratch;
  testing::RecordingBoxes boxes;
  posix::PosixPlatform posix;
  CProfileFile ini{Services()};
};

TEST_F(ProfileFileTest, ManifestRoundTripInGbkWithCrlf) {
  testing::profile_scenario::ManifestRoundTripInGbkWithCrlf(Scenario());
}

TEST_F(ProfileFileTest, MissingFileShowsOneMessagePerReadAndYieldsNothing) {
  testing::profile_scenario::MissingFileShowsOneMessagePerReadAndYieldsNothing(Scenario());
  EXPECT_FALSE(scratch.Exists("nowhere"));
}

TEST_F(ProfileFileTest, LongResultsAreCutToTheFixedBuffers) {
  testing::profile_scenario::LongResultsAreCutToTheFixedBuffers(Scenario());
}

}  // namespace
}  // namespace pelorin
