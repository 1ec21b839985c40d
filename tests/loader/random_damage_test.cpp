// Records damaged at random: whatever the bytes say, the walk stays inside the record and
// its own tables (the sanitizer build checks every read), and what it made is one undo
// step that takes the document back to where it was.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "tests/loader/loader_fixture.h"

namespace velmtest {
namespace {

TEST_F(LoaderTest, RandomlyDamagedRecordsAreReadOnlyInsideThemselves) {
  std::ifstream in(std::string(VELM_TEST_DATA) + "/scenes/reference.json");
  const std::vector<std::vector<std::uint8_t>> pristine =
      CaptureScene(nlohmann::json::parse(in, nullptr, false));
  ASSERT_GT(pristine.size(), 10u);

  std::mt19937 random(20261208);
  int placedSome = 0;
  for (int round = 0; round < 250; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::vector<std::uint8_t>> objects = pristine;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < changes; ++c) {
      std::vector<std::uint8_t>& object = objects[random() % objects.size()];
      // Object lengths stay as they are (a wrong length refuses the whole stream, which
      // other tests cover); everything after them is fair game, counts and offsets first.
      const std::size_t at = 8 + random() % (object.size() - 8);
      if (random() % 2) {
        object[at] = static_cast<std::uint8_t>(random());
      } else if (at + 4 <= object.size()) {
        const std::int32_t values[] = {
            0, -1, 1, 0x7FFF, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u), 1023, 1024};
        std::memcpy(object.data() + at, &values[random() % 8], 4);
      }
    }
    StreamBuilder stream;
    for (const std::vector<std::uint8_t>& object : objects)
      stream.Raw(object);

    doc().BeginUndoStep();
    const std::size_t before = Placed().size();
    Place(stream.record(), {static_cast<float>(random() % 500), static_cast<float>(random() % 500)},
          static_cast<std::int16_t>(random() % 9));
    if (Placed().size() != before) {
      ++placedSome;
      doc().BeginUndoStep();
      ASSERT_TRUE(doc().Undo());
      EXPECT_EQ(Placed().size(), before) << "one undo takes the whole placement back";
    }
  }
  EXPECT_GT(placedSome, 80) << "most damage still leaves something to place";
}

}  // namespace
}  // namespace velmtest
