// Text art through the text-stream, text-path and text suites: writing runs, reading them
// back character by character as the capture does, text paths, and the text layout.
#include <cstring>

#include "hostsim/drawing/text_layout.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

class TextTest : public DocumentTest {
 protected:
  const host::TextStreamSuite& streams() { return Suite<host::TextStreamSuite>(); }
  const host::TextPathSuite& textPaths() { return Suite<host::TextPathSuite>(); }

  host::ArtHandle NewText() {
    host::ArtHandle made = nullptr;
    EXPECT_EQ(Suite<host::ArtSuite>().NewArt(host::kTextArt, host::kPlaceAboveAll, nullptr, &made),
              host::kNoErr);
    return made;
  }
  host::TextStreamHandle Open(host::ArtHandle text, std::int32_t mode) {
    host::TextStreamHandle s = nullptr;
    EXPECT_EQ(streams().OpenTextStream(text, mode, &s), host::kNoErr);
    return s;
  }
  // Writes `bytes` with the given font size and run value.
  void Write(host::TextStreamHandle s, const std::string& bytes, float size, float runValue) {
    host::CharacterAttributes ca{};
    ASSERT_EQ(streams().SetCharacterAttributes(s, &ca), host::kNoErr);
    ca.fontSize = size;
    ca.horizontalScale = ca.verticalScale = 1;
    ASSERT_EQ(streams().SetCharacterAttributes(s, &ca), host::kNoErr);
    ASSERT_EQ(streams().SetRunValue(s, runValue), host::kNoErr);
    ASSERT_EQ(streams().InsertText(s, bytes.data(), static_cast<std::int32_t>(bytes.size())),
              host::kNoErr);
  }
};

TEST_F(TextTest, RunsWrittenAreReadBackCharacterByCharacter) {
  const host::ArtHandle text = NewText();
  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  Write(w, "ab", 10, 1.5f);
  Write(w, "C", 20, 2.5f);
  ASSERT_EQ(streams().CloseTextStream(w), host::kNoErr);
  EXPECT_EQ(doc().ArtFrom(text)->text.bytes, "abC");

  host::TextStreamHandle r = Open(text, host::kTextStreamRead);
  std::vector<std::pair<char, float>> seen;
  for (;;) {
    host::Real runValue = 0;
    ASSERT_EQ(streams().GetRunValue(r, &runValue), host::kNoErr);
    char c = 0;
    std::int32_t read = -1;
    ASSERT_EQ(streams().ReadText(r, &c, 1, &read), host::kNoErr);
    if (read == 0) break;
    host::CharacterAttributes ca{};
    ASSERT_EQ(streams().GetCharacterAttributes(r, &ca), host::kNoErr);
    seen.emplace_back(c, ca.fontSize);
    EXPECT_EQ(runValue, c == 'C' ? 2.5f : 1.5f) << c;
  }
  EXPECT_EQ(seen, (std::vector<std::pair<char, float>>{{'a', 10}, {'b', 10}, {'C', 20}}));
  // At the start the attributes are those of the first character.
  ASSERT_EQ(streams().MoveTextPosition(r, -3), host::kNoErr);
  host::CharacterAttributes first{};
  ASSERT_EQ(streams().GetCharacterAttributes(r, &first), host::kNoErr);
  EXPECT_EQ(first.fontSize, 10.0f);
  ASSERT_EQ(streams().CloseTextStream(r), host::kNoErr);
}

TEST_F(TextTest, ShiftJisCharactersAreReadAsTwoBytes) {
  const host::ArtHandle text = NewText();
  const std::string sjis = hostsim::ToSjis("日本a");
  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  ASSERT_EQ(streams().InsertText(w, sjis.data(), static_cast<std::int32_t>(sjis.size())),
            host::kNoErr);
  streams().CloseTextStream(w);

  host::TextStreamHandle r = Open(text, host::kTextStreamRead);
  host::TextFont font{};
  char c[2];
  std::int32_t read = 0;
  ASSERT_EQ(streams().ReadText(r, c, 1, &read), host::kNoErr);
  ASSERT_EQ(streams().GetFont(r, &font), host::kNoErr);
  EXPECT_EQ(font.script, host::kJapaneseScript);
  EXPECT_STREQ(font.name, "IPAGothic");
  ASSERT_EQ(streams().MoveTextPosition(r, -1), host::kNoErr);
  ASSERT_EQ(streams().ReadText(r, c, 2, &read), host::kNoErr);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(std::string(c, 2), sjis.substr(0, 2));
  char rest[16];
  ASSERT_EQ(streams().ReadText(r, rest, 16, &read), host::kNoErr);
  EXPECT_EQ(read, 3);
  ASSERT_EQ(streams().ReadText(r, rest, 16, &read), host::kNoErr);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(streams().MoveTextPosition(r, 1), host::kBadParameterErr);
  EXPECT_EQ(streams().MoveTextPosition(r, -6), host::kBadParameterErr);
  // Reading streams do not write; closed streams do nothing.
  EXPECT_EQ(streams().InsertText(r, "x", 1), host::kBadParameterErr);
  ASSERT_EQ(streams().CloseTextStream(r), host::kNoErr);
  EXPECT_EQ(streams().ReadText(r, rest, 1, &read), host::kBadParameterErr);
  EXPECT_EQ(streams().CloseTextStream(r), host::kBadParameterErr);
}

TEST_F(TextTest, AttributeRecordsComeBackByteForByte) {
  const host::ArtHandle text = NewText();
  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  host::TextFont font;
  std::memset(&font, 0, sizeof font);
  std::strcpy(font.name, "Courier");
  font.script = host::kRomanScript;
  font.weight = 700;
  host::ParagraphAttributes para;
  std::memset(&para, 0, sizeof para);
  para.alignment = 2;
  para.flags = 0x12345678;
  host::TabStops tabs;
  std::memset(&tabs, 0, sizeof tabs);
  tabs.count = 3;
  tabs.stops[2].leader = '.';
  ASSERT_EQ(streams().SetFont(w, &font), host::kNoErr);
  ASSERT_EQ(streams().SetParagraphAttributes(w, &para), host::kNoErr);
  ASSERT_EQ(streams().SetTabStops(w, &tabs), host::kNoErr);
  ASSERT_EQ(streams().InsertText(w, "\xE9", 1), host::kNoErr);
  streams().CloseTextStream(w);

  host::TextStreamHandle r = Open(text, host::kTextStreamRead);
  char c;
  std::int32_t read;
  ASSERT_EQ(streams().ReadText(r, &c, 1, &read), host::kNoErr);
  host::TextFont f2;
  host::ParagraphAttributes p2;
  host::TabStops t2;
  ASSERT_EQ(streams().GetFont(r, &f2), host::kNoErr);
  ASSERT_EQ(streams().GetParagraphAttributes(r, &p2), host::kNoErr);
  ASSERT_EQ(streams().GetTabStops(r, &t2), host::kNoErr);
  EXPECT_EQ(std::memcmp(&font, &f2, sizeof font), 0);
  EXPECT_EQ(std::memcmp(&para, &p2, sizeof para), 0);
  EXPECT_EQ(std::memcmp(&tabs, &t2, sizeof tabs), 0);
}

TEST_F(TextTest, UnknownFontsAndLockedLayersAreRefused) {
  const host::ArtHandle text = NewText();
  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  host::TextFont font;
  std::memset(&font, 'x', sizeof font);  // no terminator at all
  EXPECT_EQ(streams().SetFont(w, &font), host::kBadParameterErr);
  std::strcpy(font.name, "NoSuchFont");
  font.substituted = 0;
  EXPECT_EQ(streams().SetFont(w, &font), host::kBadParameterErr);
  // Unless its record says it is substituted: kept by its name, drawn with a stand-in.
  font.substituted = 1;
  EXPECT_EQ(streams().SetFont(w, &font), host::kNoErr);
  streams().CloseTextStream(w);
  doc().currentLayer()->editable = false;
  host::TextStreamHandle s = nullptr;
  EXPECT_EQ(streams().OpenTextStream(text, host::kTextStreamWrite, &s), host::kLockedLayerErr);
  EXPECT_EQ(streams().OpenTextStream(text, host::kTextStreamRead, &s), host::kNoErr);
  EXPECT_EQ(streams().OpenTextStream(text, 3, &s), host::kBadParameterErr);
}

TEST_F(TextTest, PreviousGenerationStreamsReportGradientsInTheirFrame) {
  doc().SetHardOrigin({10, 20});
  const host::ArtHandle text = NewText();
  host::GradientHandle g = nullptr;
  ASSERT_EQ(Suite<host::GradientSuite>().NewGradient(&g), host::kNoErr);
  const auto& s4 = Suite<host::TextStreamSuite4>();
  host::TextStreamHandle w = nullptr;
  ASSERT_EQ(s4.OpenTextStream(text, host::kTextStreamWrite, &w), host::kNoErr);
  host::PathStyle style;
  ASSERT_EQ(s4.GetPaintStyle(w, &style), host::kNoErr);
  style.fill.color.kind = host::kGradientColor;
  style.fill.color.c.gradient = {g, {0, 0}, 0, 10, {1, -1, 1, 1, -10, 20}, 0, 0};
  ASSERT_EQ(s4.SetPaintStyle(w, &style), host::kNoErr);
  ASSERT_EQ(s4.InsertText(w, "A", 1), host::kNoErr);
  s4.CloseTextStream(w);
  host::TextStreamHandle r = Open(text, host::kTextStreamRead);
  char c;
  std::int32_t read;
  ASSERT_EQ(streams().ReadText(r, &c, 1, &read), host::kNoErr);
  ASSERT_EQ(streams().GetPaintStyle(r, &style), host::kNoErr);
  const host::RealMatrix& m = style.fill.color.c.gradient.matrix;
  EXPECT_EQ(m.b, 1.0f);
  EXPECT_EQ(m.c, -1.0f);
  EXPECT_EQ(m.tx, 0.0f);
  EXPECT_EQ(m.ty, 0.0f);
}

TEST_F(TextTest, TextPathsAreTheTextsPathsInOrder) {
  const host::ArtHandle text = NewText();
  host::TextPathHandle first = nullptr, next = nullptr;
  ASSERT_EQ(textPaths().GetFirstTextPath(text, &first), host::kNoErr);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(textPaths().GetNextTextPath(first, &next), host::kNoErr);
  EXPECT_EQ(next, nullptr);
  host::ArtHandle firstArt = nullptr;
  ASSERT_EQ(textPaths().GetTextPathArt(first, &firstArt), host::kNoErr);
  std::int32_t type = 0;
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtType(firstArt, &type), host::kNoErr);
  EXPECT_EQ(type, host::kPathArt);

  // A duplicate placed below the first path, handed to the text at the bottom.
  host::ArtHandle dup = nullptr;
  ASSERT_EQ(Suite<host::ArtSuite>().DuplicateArt(firstArt, host::kPlaceBelow, firstArt, &dup),
            host::kNoErr);
  ASSERT_EQ(textPaths().AddTextPath(text, nullptr, host::kPlaceInsideOnBottom, &dup), host::kNoErr);
  ASSERT_EQ(textPaths().GetNextTextPath(first, &next), host::kNoErr);
  ASSERT_NE(next, nullptr);
  host::ArtHandle nextArt = nullptr;
  ASSERT_EQ(textPaths().GetTextPathArt(next, &nextArt), host::kNoErr);
  EXPECT_EQ(nextArt, dup);

  const host::RealMatrix m{1, 0, 0, 1, 50, 60};
  ASSERT_EQ(textPaths().SetTextPathMatrix(next, &m), host::kNoErr);
  ASSERT_EQ(textPaths().SetTextPathAttribute(next, 0x1234), host::kNoErr);
  host::RealMatrix back{};
  std::int16_t attribute = 0;
  ASSERT_EQ(textPaths().GetTextPathMatrix(next, &back), host::kNoErr);
  ASSERT_EQ(textPaths().GetTextPathAttribute(next, &attribute), host::kNoErr);
  EXPECT_EQ(back.ty, 60.0f);
  EXPECT_EQ(attribute, 0x1234);
  ASSERT_EQ(textPaths().GetTextPathMatrix(first, &back), host::kNoErr);
  EXPECT_EQ(back.tx, 0.0f);
  // Only paths become text paths.
  host::ArtHandle group = nullptr;
  Suite<host::ArtSuite>().NewArt(host::kGroupArt, host::kPlaceAboveAll, nullptr, &group);
  EXPECT_EQ(textPaths().AddTextPath(text, nullptr, host::kPlaceInsideOnBottom, &group),
            host::kBadParameterErr);
}

TEST_F(TextTest, TextTypeAndTheBoundsOfLaidOutText) {
  const auto& texts = Suite<host::TextSuite>();
  const host::ArtHandle text = NewText();
  std::int32_t type = -1;
  ASSERT_EQ(texts.GetTextType(text, &type), host::kNoErr);
  EXPECT_EQ(type, host::kPointText);
  EXPECT_EQ(texts.SetTextType(text, 3), host::kBadParameterErr);

  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  Write(w, "AAAA", 20, 0);
  streams().CloseTextStream(w);
  host::TextPathHandle path = nullptr;
  textPaths().GetFirstTextPath(text, &path);
  const host::RealMatrix m{1, 0, 0, 1, 100, 200};
  ASSERT_EQ(textPaths().SetTextPathMatrix(path, &m), host::kNoErr);
  host::RealRect r{};
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(text, &r), host::kNoErr);
  // The baseline starts at the matrix origin; the box reaches above and below it.
  EXPECT_FLOAT_EQ(r.left, 100.0f);
  EXPECT_GT(r.right, 130.0f);
  EXPECT_GT(r.top, 210.0f);
  EXPECT_LT(r.bottom, 200.0f);
  // A second line lies one leading lower (leading 0: automatic, 1.2 × the size).
  w = Open(text, host::kTextStreamWrite);
  ASSERT_EQ(streams().MoveTextPosition(w, 4), host::kNoErr);
  Write(w, "\rA", 20, 0);
  streams().CloseTextStream(w);
  host::RealRect two{};
  ASSERT_EQ(Suite<host::ArtSuite>().GetArtBounds(text, &two), host::kNoErr);
  EXPECT_NEAR(two.bottom, r.bottom - 24.0f, 0.01f);
}

TEST_F(TextTest, AreaTextBreaksAtItsShapeAndPathTextFollowsItsPath) {
  // Area text in a 100-point-wide box: 12 characters of 20 points need three lines.
  const host::ArtHandle text = NewText();
  hostsim::Art* a = doc().ArtFrom(text);
  a->text.type = host::kAreaText;
  a->children[0]->segments = {Corner(0, 0), Corner(100, 0), Corner(100, 300), Corner(0, 300)};
  a->children[0]->closed = true;
  host::TextStreamHandle w = Open(text, host::kTextStreamWrite);
  Write(w, hostsim::ToSjis("日本語日本語日本語日本語"), 20, 0);
  streams().CloseTextStream(w);
  const std::vector<hostsim::PlacedChar> area = hostsim::LayoutText(*a);
  ASSERT_EQ(area.size(), 12u);
  EXPECT_EQ(area[0].placement.tx, 0.0f);
  EXPECT_EQ(area[5].placement.tx, 0.0f);  // 5 characters a line
  EXPECT_NEAR(area[5].placement.ty, area[0].placement.ty - 24, 0.01);
  EXPECT_LT(area[0].placement.ty, 300.0f);
  for (const hostsim::PlacedChar& c : area)
    EXPECT_LE(c.placement.tx + c.advance, 100.01);

  // Path text along a diagonal; characters past its end are not shown.
  a->text.type = host::kPathText;
  a->children[0]->segments = {Corner(0, 0), Corner(60, 80)};
  a->children[0]->closed = false;
  const std::vector<hostsim::PlacedChar> path = hostsim::LayoutText(*a);
  ASSERT_EQ(path.size(), 5u);  // 100 points of path, 20 a character
  EXPECT_NEAR(path[1].placement.tx, 12, 0.01);
  EXPECT_NEAR(path[1].placement.ty, 16, 0.01);
  EXPECT_NEAR(path[1].placement.a, 0.6, 0.001);  // turned along the path
  EXPECT_NEAR(path[1].placement.b, 0.8, 0.001);
}

}  // namespace
}  // namespace velmtest
