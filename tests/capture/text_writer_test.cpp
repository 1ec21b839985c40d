// Text objects field by field: runs cut by length and by every attribute, two-byte
// characters kept whole, trailing control bytes, the paint of runs, text paths, host
// failures.
#include <gtest/gtest.h>

#include "capture/art_tree_writer.h"
#include "common/sjis.h"
#include "frame/globals.h"
#include "tests/capture/capture_fixture.h"

namespace velmtest {
namespace {

using Strings = std::vector<std::string>;

class TextWriterTest : public CaptureTest {
 protected:
  // A selected text in the current layer, made of (bytes, attributes) pieces in order.
  hostsim::Art* Text(const std::vector<std::pair<std::string, hostsim::TextAttributes>>& pieces) {
    hostsim::Art* text = Add(host::kTextArt);
    for (const auto& [bytes, attributes] : pieces)
      text->text.Insert(text->text.bytes.size(), bytes, attributes);
    Select(text);
    return text;
  }
  static hostsim::TextAttributes Plain() { return hostsim::DefaultTextAttributes(); }
  static hostsim::TextAttributes Roman() {
    hostsim::TextAttributes a = hostsim::DefaultTextAttributes();
    std::memset(a.font.name, 0, sizeof a.font.name);
    std::strcpy(a.font.name, "Helvetica");
    a.font.script = host::kRomanScript;
    return a;
  }

  static velm::TextObject Head(const StoredObject& o) { return o.Read<velm::TextObject>(0); }
  static velm::TextRun Run(const StoredObject& o, int k) {
    return o.Read<velm::TextRun>(sizeof(velm::TextObject) + sizeof(velm::TextRun) * k);
  }
  // The texts of every run of a text object.
  static Strings RunTexts(const StoredObject& o) {
    Strings texts;
    for (int k = 0; k < Head(o).runCount; ++k)
      texts.push_back(Run(o, k).text);
    return texts;
  }
  // The text objects of the capture, in order.
  std::vector<StoredObject> TextObjects() {
    std::vector<StoredObject> texts;
    for (const StoredObject& o : Objects())
      if (o.type() == 4) texts.push_back(o);
    return texts;
  }
};

bool AllZero(const void* bytes, std::size_t count) {
  const auto* b = static_cast<const std::uint8_t*>(bytes);
  for (std::size_t i = 0; i < count; ++i)
    if (b[i]) return false;
  return true;
}

TEST_F(TextWriterTest, RunsAreCutAt254BytesAndNeverInsideATwoByteCharacter) {
  hostsim::TextAttributes a = Plain();
  a.paint.fill.color = RgbColor(0.25f, 0.5f, 1.0f);
  a.character.fontSize = 10.5f;
  a.character.language = 0x12345;  // narrowed to its low 16 bits
  a.paragraph.alignment = 2;
  a.paragraph.flags = 0x7654321;
  a.tabs.defaultSpacing = 24.0f;
  a.tabs.stops[0] = {1, '.', {0, 0, 0}, 72.0f};
  a.runValue = 2.5f;
  // 日 would be bytes 254 and 255 of the first run: it starts the second.
  const std::string nihongo = Sjis("日本語");
  hostsim::Art* text =
      Text({{std::string(253, 'a') + nihongo + std::string(250, 'b') + "\r\n", a}});
  text->blend.mode = 3;
  text->blend.opacity = 0.5f;
  text->blend.knockout = host::kKnockoutInherited;
  Text({{std::string(600, 'x'), Plain()}});

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> texts = TextObjects();
  ASSERT_EQ(texts.size(), 2u);
  const StoredObject& o = texts[0];
  EXPECT_EQ(RunTexts(o), (Strings{std::string(253, 'a'), nihongo + std::string(248, 'b'), "bb"}));
  EXPECT_EQ(RunTexts(texts[1]),
            (Strings{std::string(254, 'x'), std::string(254, 'x'), std::string(92, 'x')}));

  const velm::TextObject head = Head(o);
  EXPECT_EQ(head.header.type, 4);
  EXPECT_EQ(head.header.length, 40 + 3 * 5888 + 28);  // a new text has one empty text path
  EXPECT_EQ(o.bytes.size(), static_cast<std::size_t>(head.header.length));
  EXPECT_EQ(head.header.blendMode, 3);
  EXPECT_EQ(head.header.opacity, Fx(0.5));
  EXPECT_EQ(head.header.knockout, host::kKnockoutInherited);
  EXPECT_EQ(head.textType, host::kPointText);
  EXPECT_EQ(head.runCount, 3);
  EXPECT_EQ(head.pathTableOffset, 40 + 3 * 5888);
  EXPECT_EQ(head.pathTableLength, 28);
  EXPECT_EQ(head.pathCount, 1);

  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const velm::TextRun run = Run(o, k);
    EXPECT_EQ(run.paintStyle.fillPaint, 1);
    EXPECT_EQ(run.paintStyle.fillColor.colorKind, velm::kRgbColor);
    EXPECT_EQ(run.paintStyle.fillColor.payload.rgb.red, Fx(0.25));
    EXPECT_EQ(run.paintStyle.fillColor.payload.rgb.green, Fx(0.5));
    EXPECT_EQ(run.paintStyle.fillColor.payload.rgb.blue, Fx(1));
    EXPECT_EQ(run.paintStyle.strokePaint, 0);
    EXPECT_EQ(run.characterAttributes.reals[0], Fx(10.5));
    EXPECT_EQ(run.characterAttributes.reals[1], Fx(14.4));
    EXPECT_EQ(run.characterAttributes.values40[2], 0x2345);
    EXPECT_STREQ(run.font.name, "IPAGothic");
    EXPECT_EQ(run.font.values[2], host::kJapaneseScript);
    EXPECT_EQ(run.paragraphAttributes.value16, 2);
    EXPECT_EQ(run.paragraphAttributes.reals36[1], Fx(1.2));
    EXPECT_EQ(run.paragraphAttributes.value56, 0x7654321);
    EXPECT_EQ(run.tabStops.real0, Fx(24));
    EXPECT_EQ(run.tabStops.stops[0].kind, 1);
    EXPECT_EQ(run.tabStops.stops[0].value, '.');
    EXPECT_EQ(run.tabStops.stops[0].position, Fx(72));
    EXPECT_EQ(run.runValue, Fx(2.5));
    EXPECT_TRUE(AllZero(run.reservedGradients, sizeof run.reservedGradients));
    // The text is NUL-terminated and nothing follows it.
    const std::size_t used = std::strlen(run.text);
    EXPECT_LE(used, 254u);
    EXPECT_TRUE(AllZero(run.text + used, sizeof run.text - used));
  }
}

TEST_F(TextWriterTest, LeadBytesStartTwoByteCharactersOnlyInJapaneseFonts) {
  // In a Roman font 0xE9 is one character and fills the first run to 254 bytes.
  const std::string pad(253, 'a');
  Text({{pad + "\xE9" + "b", Roman()}});
  // In a Japanese font 0xE9 0x40 is one character and does not fit there.
  Text({{pad + "\xE9\x40" + "b", Plain()}});
  // A lead byte right before a run ends, its character completing in the next bytes.
  const std::string kanji = Sjis("漢字");
  Text({{std::string(252, 'c') + kanji, Plain()}});

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> texts = TextObjects();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(RunTexts(texts[0]), (Strings{pad + "\xE9", "b"}));
  EXPECT_EQ(RunTexts(texts[1]), (Strings{pad,
                                         "\xE9\x40"
                                         "b"}));
  EXPECT_EQ(RunTexts(texts[2]),
            (Strings{std::string(252, 'c') + kanji.substr(0, 2), kanji.substr(2)}));
}

TEST_F(TextWriterTest, EveryAttributeStartsARunOfItsOwn) {
  struct Change {
    const char* what;
    void (*apply)(hostsim::TextAttributes*);
  };
  const Change changes[] = {
      {"paint", [](hostsim::TextAttributes* a) { a->paint.fill.color = GrayColor(0.5f); }},
      {"character", [](hostsim::TextAttributes* a) { a->character.tracking = 50; }},
      {"font (bold)", [](hostsim::TextAttributes* a) { a->font.syntheticBold = 1; }},
      {"paragraph", [](hostsim::TextAttributes* a) { a->paragraph.firstLineIndent = 12; }},
      {"tabs", [](hostsim::TextAttributes* a) { a->tabs.defaultSpacing = 18; }},
      {"run value", [](hostsim::TextAttributes* a) { a->runValue = 1; }},
  };
  for (const Change& change : changes) {
    hostsim::TextAttributes other = Plain();
    change.apply(&other);
    Text({{"wo", Plain()}, {"r", other}, {"d", Plain()}});
  }
  // Pieces made separately with equal attributes make one run.
  Text({{"wo", Plain()}, {"rd", Plain()}});

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> texts = TextObjects();
  ASSERT_EQ(texts.size(), std::size(changes) + 1);
  for (std::size_t i = 0; i < std::size(changes); ++i)
    EXPECT_EQ(RunTexts(texts[i]), (Strings{"wo", "r", "d"})) << changes[i].what;
  EXPECT_EQ(RunTexts(texts.back()), Strings{"word"});
  // The bold middle run carries its own font record.
  EXPECT_EQ(Run(texts[2], 1).font.values[12], 1);
  EXPECT_EQ(Run(texts[2], 0).font.values[12], 0);
  EXPECT_EQ(Run(texts[5], 1).runValue, Fx(1));
}

TEST_F(TextWriterTest, OnlyTheLastRunLosesItsTrailingControlBytes) {
  hostsim::TextAttributes other = Plain();
  other.character.fontSize = 20;
  Text({{"abc\r\n\r\n", Plain()}});
  Text({{"ab\r", Plain()}, {"\r\n", other}});  // the last run is all control bytes
  Text({{"\t\r\n", Plain()}});
  Text({});

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> texts = TextObjects();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(RunTexts(texts[0]), Strings{"abc"});
  EXPECT_EQ(RunTexts(texts[1]), Strings{"ab\r"});
  EXPECT_EQ(RunTexts(texts[2]), Strings{});
  // No characters: no runs, the text path still follows the head.
  for (int i = 2; i < 4; ++i) {
    const velm::TextObject head = Head(texts[i]);
    EXPECT_EQ(head.runCount, 0);
    EXPECT_EQ(head.pathTableOffset, 40);
    EXPECT_EQ(head.pathCount, 1);
    EXPECT_EQ(head.header.length, 40 + 28);
  }
}

TEST_F(TextWriterTest, TextPathsAreStoredWithTheirMatricesAndSegments) {
  hostsim::Art* text = Add(host::kTextArt);
  text->text.type = host::kAreaText;
  text->text.Insert(0, Sjis("縦書き"), Plain());
  // The first text path: a closed rectangle.
  hostsim::Art* first = text->children[0];
  auto corner = [](float h, float v) { return host::PathSegment{{h, v}, {h, v}, {h, v}, 1}; };
  first->segments = {corner(0, 0), corner(80, 0), corner(80, 40), corner(0, 40)};
  first->closed = true;
  first->textPathMatrix = {1, 0, 0, 1, 100, 200};
  first->textPathAttribute = 7;
  // A second one: an open curve.
  hostsim::Art* second = doc().Create(host::kPathArt);
  second->segments = {{{0, 0}, {0, 0}, {10, 20}, 0}, {{50, 0}, {40, 20}, {50, 0}, 0}};
  second->textPathMatrix = {2, 0, 0, 2, 50, 60};
  second->textPathAttribute = 9;
  ASSERT_EQ(doc().Insert(second, host::kPlaceInsideOnBottom, text), host::kNoErr);
  Select(text);
  Select(Rectangle(10, 20, 30, 40));
  velm::CaptureBounds bounds;
  velm::MeasureSelection(&bounds, false);
  const float oh = bounds.left, ov = bounds.bottom;

  ASSERT_EQ(Capture(), host::kNoErr);
  const std::vector<StoredObject> texts = TextObjects();
  ASSERT_EQ(texts.size(), 1u);
  const StoredObject& o = texts[0];
  const velm::TextObject head = Head(o);
  EXPECT_EQ(head.textType, host::kAreaText);
  EXPECT_EQ(head.pathTextAttribute, 9) << "the last text path's";
  EXPECT_EQ(head.pathCount, 2);
  EXPECT_EQ(head.runCount, 1);
  EXPECT_EQ(head.pathTableOffset, 40 + 5888);
  EXPECT_EQ(head.pathTableLength, (28 + 4 * 28) + (28 + 2 * 28));
  EXPECT_EQ(head.header.length, head.pathTableOffset + head.pathTableLength);

  const velm::TextPathEntry e0 = o.Read<velm::TextPathEntry>(head.pathTableOffset);
  EXPECT_EQ(e0.matrix.a, Fx(1));
  EXPECT_EQ(e0.matrix.d, Fx(1));
  EXPECT_EQ(e0.matrix.tx, Fx(100 - oh));
  EXPECT_EQ(e0.matrix.ty, Fx(200 - ov));
  EXPECT_EQ(e0.closed, 1);
  EXPECT_EQ(e0.segmentCount, 4);
  const auto segment = [&](std::size_t at) { return o.Read<velm::PathSegment>(at); };
  const velm::PathSegment s2 = segment(head.pathTableOffset + 28 + 2 * 28);
  EXPECT_EQ(s2.anchor.h, Fx(80 - oh));
  EXPECT_EQ(s2.anchor.v, Fx(40 - ov));
  EXPECT_EQ(s2.corner, 1);

  const std::size_t at1 = head.pathTableOffset + 28 + 4 * 28;
  const velm::TextPathEntry e1 = o.Read<velm::TextPathEntry>(at1);
  EXPECT_EQ(e1.matrix.a, Fx(2));
  EXPECT_EQ(e1.matrix.tx, Fx(50 - oh));
  EXPECT_EQ(e1.matrix.ty, Fx(60 - ov));
  EXPECT_EQ(e1.closed, 0);
  EXPECT_EQ(e1.segmentCount, 2);
  const velm::PathSegment c0 = segment(at1 + 28);
  EXPECT_EQ(c0.out.h, Fx(10 - oh));
  EXPECT_EQ(c0.out.v, Fx(20 - ov));
  const velm::PathSegment c1 = segment(at1 + 56);
  EXPECT_EQ(c1.in.h, Fx(40 - oh));
  EXPECT_EQ(c1.anchor.h, Fx(50 - oh));
  EXPECT_EQ(c1.corner, 0);
}

TEST_F(TextWriterTest, RunPaintFollowsTheColourRulesAndPatternsAreDefinedPerCharacter) {
  hostsim::CustomColor* spot = doc().NewCustomColor();
  spot->definition.kind = host::kCustomProcessDefinition;
  spot->definition.c.process = {0.1f, 0.2f, 0.3f, 0.4f};
  hostsim::TextAttributes patterned = Plain();
  patterned.paint.fill.color.kind = host::kPatternColor;
  patterned.paint.fill.color.c.pattern.pattern =
      reinterpret_cast<host::PatternHandle>(RectanglePattern(0, 0, 4, 4));
  patterned.paint.fill.color.c.pattern.scale = {2, 2};
  hostsim::TextAttributes mixed = Plain();
  mixed.paint.fill.color.kind = host::kGradientColor;
  mixed.paint.fill.color.c.gradient.gradient =
      reinterpret_cast<host::GradientHandle>(doc().NewGradient());
  mixed.paint.fill.color.c.gradient.length = 30;
  mixed.paint.strokePaint = 1;
  mixed.paint.stroke.color.kind = host::kCustomColor;
  mixed.paint.stroke.color.c.custom = {reinterpret_cast<host::CustomColorHandle>(spot), 0.4f};
  Text({{"ab", patterned}, {"c", mixed}, {"de", patterned}});

  ASSERT_EQ(Capture(), host::kNoErr);
  // Every character's pattern is written anew, so each patterned character is a run.
  Strings outline{"type 4"};
  for (const char* n : {"00001", "00002", "00003", "00004"})
    outline.insert(outline.end(),
                   {"PatternArt" + std::string(n) + " /", "path", "/ PatternArt" + std::string(n)});
  EXPECT_EQ(Outline(), outline);
  const StoredObject o = TextObjects()[0];
  EXPECT_EQ(RunTexts(o), (Strings{"a", "b", "c", "d", "e"}));
  const velm::StoredColor fill0 = Run(o, 0).paintStyle.fillColor;
  EXPECT_EQ(fill0.colorKind, velm::kPatternColor);
  EXPECT_EQ(fill0.payload.pattern.scaleH, Fx(2));
  const std::pair<int, int> numbers[] = {{0, 1}, {1, 2}, {3, 3}, {4, 4}};
  for (const auto& [run, number] : numbers)
    EXPECT_EQ(Run(o, run).paintStyle.fillColor.payload.pattern.patternNumber, number) << run;
  // A gradient becomes gray 0; a custom colour its definition at full strength.
  const velm::StoredPathStyle style1 = Run(o, 2).paintStyle;
  EXPECT_EQ(style1.fillColor.colorKind, velm::kGrayColor);
  EXPECT_EQ(style1.fillColor.payload.gray.gray, 0);
  EXPECT_TRUE(AllZero(style1.fillColor.payload.bytes, sizeof style1.fillColor.payload.bytes));
  EXPECT_EQ(style1.strokeColor.colorKind, velm::kProcessColor);
  EXPECT_EQ(style1.strokeColor.payload.process.cyan, Fx(0.1f));
  EXPECT_EQ(style1.strokeColor.payload.process.black, Fx(0.4f));
}

// Reading the characters or the text paths, a host error would leave the text out or cut
// a path: the capture fails with it and leaves no record. Attribute reads that fail keep
// what the host left and are no failure.
TEST_F(TextWriterTest, HostFailuresReadingTheTextFailTheCaptureButAttributeReadsDoNot) {
  Select(Rectangle(0, 0, 10, 10));
  hostsim::Art* text = Text({{"abc", Plain()}});
  auto corner = [](float h, float v) { return host::PathSegment{{h, v}, {h, v}, {h, v}, 1}; };
  text->children[0]->segments = {corner(0, 0), corner(10, 0), corner(10, 10)};
  const struct {
    const char* suite;
    const char* op;
    int after;
    bool fails;
  } failures[] = {
      {"AI Text Stream Suite", "OpenTextStream", 0, true},
      {"AI Text Stream Suite", "ReadText", 2, true},  // in the middle of the text
      {"AI Text Stream Suite", "MoveTextPosition", 0, true},
      {"AI Text Path Suite", "GetTextPathMatrix", 0, true},
      {"AI Text Path Suite", "GetNextTextPath", 0, true},
      {"AI Text Suite", "GetTextType", 0, true},
      // Measuring reads the rectangle's segments at once, its object one by one; then the
      // text path's second segment fails.
      {"AI Path Suite", "GetPathSegments", 1 + 4 + 1, true},
      {"AI Text Stream Suite", "GetPaintStyle", 0, false},
      {"AI Text Stream Suite", "GetFont", 1, false},
  };
  // A lead byte makes the writer move back to read its character whole.
  text->text.Insert(1, Sjis("字"), Plain());
  for (const auto& f : failures) {
    SCOPED_TRACE(f.op);
    host().suites().FailOperation(f.suite, f.op, host::kHostFailureErr, f.after);
    EXPECT_EQ(Capture(), f.fails ? host::kHostFailureErr : host::kNoErr);
    host().suites().ClearFailures();
    if (f.fails)
      EXPECT_EQ(velm::gGlobals->currentRecord, nullptr);
    else
      EXPECT_EQ(Outline(), (Strings{"path", "type 4"}));
  }
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), (Strings{"path", "type 4"}));
  EXPECT_EQ(RunTexts(TextObjects()[0]), Strings{"a" + Sjis("字") + "bc"});
  EXPECT_EQ(Head(TextObjects()[0]).pathTableLength, 28 + 3 * 28);
}

// A text path of more segments than the entry's 16-bit count holds is refused with its
// text, as a plain path of that many is, rather than stored cut; the capture goes on.
TEST_F(TextWriterTest, ATextPathTooLongForTheCountIsRefusedWithItsText) {
  hostsim::Art* text = Text({{"abc", Plain()}});
  std::vector<host::PathSegment> many(32768);
  for (std::size_t i = 0; i < many.size(); ++i) {
    const float h = static_cast<float>(i % 200), v = static_cast<float>(i / 200);
    many[i] = {{h, v}, {h, v}, {h, v}, 1};
  }
  text->children[0]->segments = many;
  Select(Rectangle(0, 0, 10, 10));
  ASSERT_EQ(Capture(), host::kNoErr);
  EXPECT_EQ(Outline(), Strings{"path"});
  many.pop_back();
  text->children[0]->segments = many;
  ASSERT_EQ(Capture(), host::kNoErr);
  ASSERT_EQ(Outline(), (Strings{"type 4", "path"}));
  const StoredObject o = TextObjects()[0];
  EXPECT_EQ(o.Read<velm::TextPathEntry>(Head(o).pathTableOffset).segmentCount, 32767);
}

// Paint that is not shown stores no host handle: the same text gives the same bytes
// whatever the handles of its unpainted pattern and gradient.
TEST_F(TextWriterTest, UnpaintedPatternsAndGradientsStoreNoHandle) {
  hostsim::TextAttributes a = Plain();
  a.paint.fillPaint = 0;
  a.paint.fill.color.kind = host::kPatternColor;
  a.paint.fill.color.c.pattern.scale = {2, 2};
  a.paint.strokePaint = 0;
  a.paint.stroke.color.kind = host::kGradientColor;
  a.paint.stroke.color.c.gradient.length = 30;
  hostsim::Art* text = Text({{"ab", a}});
  std::vector<std::uint8_t> first;
  for (int pass = 0; pass < 2; ++pass) {
    hostsim::TextAttributes& set = text->text.sets[text->text.attributeOf[0]];
    set.paint.fill.color.c.pattern.pattern =
        reinterpret_cast<host::PatternHandle>(RectanglePattern(0, 0, 4, 4));
    set.paint.stroke.color.c.gradient.gradient =
        reinterpret_cast<host::GradientHandle>(doc().NewGradient());
    ASSERT_EQ(Capture(), host::kNoErr);
    ASSERT_EQ(Outline(), Strings{"type 4"});  // no definition for an unpainted pattern
    const StoredObject o = TextObjects()[0];
    if (pass == 0) first = o.bytes;
    EXPECT_EQ(o.bytes, first);
    ASSERT_EQ(Head(o).runCount, 1);
    const velm::StoredPathStyle style = Run(o, 0).paintStyle;
    EXPECT_EQ(style.fillColor.colorKind, velm::kPatternColor);
    EXPECT_TRUE(AllZero(style.fillColor.payload.bytes, sizeof style.fillColor.payload.bytes));
    EXPECT_EQ(style.strokeColor.colorKind, velm::kGrayColor);
    EXPECT_TRUE(AllZero(style.strokeColor.payload.bytes, sizeof style.strokeColor.payload.bytes));
  }
}

}  // namespace
}  // namespace velmtest
