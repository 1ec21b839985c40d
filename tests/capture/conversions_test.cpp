// The conversions of the host's text and raster records into their stored blocks: every
// field lands at its place, reals as 16.16 values, integers narrowed, pass-through values
// unchanged.
#include <gtest/gtest.h>

#include <cstring>

#include "capture/conversions.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

using ConversionTest = CaptureTest;

TEST_F(ConversionTest, CharacterAttributesKeepTheHostsOrder) {
  host::CharacterAttributes a;
  std::memset(&a, 0, sizeof a);
  a = {12, 14.5f, 25, -10, 1.5f, 0.5f, 3, 90, 0.25f, 0.75f, 1,  2, 3,
       4,  5,     6,  7,   8,    -2,   9, 10, 11,    12,    13, 14};
  velm::CharacterAttributes s;
  std::memset(&s, 0xEE, sizeof s);
  velm::ConvertCharacterAttributes(a, &s);
  const double reals[10] = {12, 14.5, 25, -10, 1.5, 0.5, 3, 90, 0.25, 0.75};
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(s.reals[i], Fx(reals[i])) << i;
  EXPECT_EQ(s.values40[0], 1);
  EXPECT_EQ(s.values40[1], 2);
  EXPECT_EQ(s.values40[2], 3);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(s.values48[i], 4 + i);
  EXPECT_EQ(s.real60, Fx(-2));
  EXPECT_EQ(s.value64, 9);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(s.values68[i], 10 + i);
  EXPECT_EQ(s.reserved46 | s.reserved58 | s.reserved66 | s.reserved78, 0);
}

TEST_F(ConversionTest, FontNameIsCopiedAndItsValuesNarrowed) {
  host::TextFont f;
  std::memset(&f, 0, sizeof f);
  std::strcpy(f.name, "IPAGothic");
  f.faceId = 0x12345;  // keeps its low 16 bits
  f.script = host::kJapaneseScript;
  f.writingDirection = 1;
  f.syntheticBold = 1;
  f.syntheticItalic = -1;
  velm::FontBlock s;
  velm::ConvertFont(f, &s);
  EXPECT_STREQ(s.name, "IPAGothic");
  EXPECT_EQ(s.values[0], 0x2345);
  EXPECT_EQ(s.values[2], 1);
  EXPECT_EQ(s.values[11], 1);
  EXPECT_EQ(s.values[12], 1);
  EXPECT_EQ(s.values[13], -1);
}

TEST_F(ConversionTest, ParagraphAttributesAndTabStops) {
  host::ParagraphAttributes p;
  std::memset(&p, 0, sizeof p);
  p = {1, 2, 3, 4, 5, {0.5f, 1.5f}, 6, 7, 8, 9, 10, 11, 12, 13, 0x7FFF1234};
  velm::ParagraphAttributes s;
  velm::ConvertParagraphAttributes(p, &s);
  EXPECT_EQ(s.reals0[0], Fx(1));
  EXPECT_EQ(s.reals0[3], Fx(4));
  EXPECT_EQ(s.value16, 5);
  EXPECT_EQ(s.point20.h, Fx(0.5));
  EXPECT_EQ(s.point20.v, Fx(1.5));
  EXPECT_EQ(s.values28[0], 6);
  EXPECT_EQ(s.values28[2], 8);
  EXPECT_EQ(s.reals36[0], Fx(9));
  EXPECT_EQ(s.reals36[1], Fx(10));
  EXPECT_EQ(s.value44, 11);
  EXPECT_EQ(s.real48, Fx(12));
  EXPECT_EQ(s.value52, 13);
  EXPECT_EQ(s.value56, 0x7FFF1234) << "passed through whole";

  host::TabStops t;
  std::memset(&t, 0, sizeof t);
  t.defaultSpacing = 36;
  t.count = 0x10002;
  t.stops[0] = {2, '.', {0, 0, 0}, 72};
  t.stops[14] = {1, 0, {0, 0, 0}, 500};
  velm::TabStops ts;
  velm::ConvertTabStops(t, &ts);
  EXPECT_EQ(ts.real0, Fx(36));
  EXPECT_EQ(ts.value4, 0x10002);
  EXPECT_EQ(ts.stops[0].kind, 2);
  EXPECT_EQ(ts.stops[0].value, '.');
  EXPECT_EQ(ts.stops[0].position, Fx(72));
  EXPECT_EQ(ts.stops[14].position, Fx(500));
  EXPECT_EQ(velm::ConvertRunValue(-0.5f), Fx(-0.5));
}

TEST_F(ConversionTest, RasterRecordAndOutOfRangeReals) {
  host::RasterRecord r{};
  r.flags = 0x18003;
  r.bounds = {0, 0, 640, 480};
  r.byteWidth = 0x12345;  // kept whole
  r.colorSpace = 3;
  r.bitsPerPixel = 32;
  r.extra = -7;
  velm::RasterObject s;
  std::memset(&s, 0xEE, sizeof s);
  velm::ConvertRasterRecord(r, &s);
  EXPECT_EQ(s.rasterFlags, 0x8003);
  EXPECT_EQ(s.reserved26, 0);
  EXPECT_EQ(s.pixelBounds.right, 640);
  EXPECT_EQ(s.pixelBounds.bottom, 480);
  EXPECT_EQ(s.byteWidth, 0x12345);
  EXPECT_EQ(s.colorSpace, 3);
  EXPECT_EQ(s.bitsPerPixel, 32);
  EXPECT_EQ(s.lastField, -7);
  EXPECT_EQ(s.reserved46, 0);

  // Reals beyond the 16.16 range saturate instead of wrapping.
  const host::FixedRect rect = velm::ConvertRect({-1e9f, 40000, 0.5f, -40000});
  EXPECT_EQ(rect.left, INT32_MIN);
  EXPECT_EQ(rect.top, INT32_MAX);
  EXPECT_EQ(rect.right, Fx(0.5));
  EXPECT_EQ(rect.bottom, INT32_MIN);
}

}  // namespace
}  // namespace velmtest
