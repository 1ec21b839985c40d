// The round trip: art captured, stored in a group file, read back and placed at the
// capture origin with origin mode 2 equals the original, in structure and in pictures,
// and one undo takes it away again.
#include <gtest/gtest.h>

#include "hostsim/scene.h"
#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

namespace sc = hostsim::scene;

TEST_F(LoaderTest, TheReferenceSceneComesBackWhole) {
  ASSERT_TRUE(OpenFile(std::string(VELM_TEST_DATA) + "/scenes/reference.json"));
  RoundTrip(CapturableArt());
}

}  // namespace
}  // namespace velmtest
