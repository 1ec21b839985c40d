// Recordable actions through the stand-in host's action manager: registration, the
// record designators, recording of the commands and the drop, and playback.
#include <gtest/gtest.h>

#include <cmath>

#include "actions/actions.h"
#include "commands/command_fixture.h"
#include "commands/commands.h"
#include "common/sjis.h"
#include "database/group_file.h"
#include "frame/globals.h"
#include "hostsim/core/action_manager.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

host::ActionKey K(const char* k) {
  return host::ActionCode(k[0], k[1], k[2], k[3]);
}
hostsim::ActionValue Str(const char* k, const std::string& utf8) {
  hostsim::ActionValue v;
  v.key = K(k);
  v.type = host::kActionTypeString;
  v.text = Sjis(utf8);
  return v;
}
hostsim::ActionValue Num(const char* k, float r) {
  hostsim::ActionValue v;
  v.key = K(k);
  v.type = host::kActionTypeReal;
  v.real = r;
  return v;
}
hostsim::ActionValue Int(const char* k, std::int32_t i) {
  hostsim::ActionValue v;
  v.key = K(k);
  v.type = host::kActionTypeInteger;
  v.integer = i;
  return v;
}

class ActionTest : public CommandTest {
 protected:
  hostsim::ActionManager& actions() { return host().actions(); }
  // Plays one event with these values.
  void Play(const std::string& name, std::vector<hostsim::ActionValue> values) {
    hostsim::RecordedEvent e{name, host::kDialogPartOn, {std::move(values)}};
    EXPECT_EQ(host().PlayActions({e}), host::kNoErr);
  }
  // The recorded values of event `i` as "key=value" in their order (texts UTF-8).
  std::vector<std::string> Values(std::size_t i) {
    std::vector<std::string> out;
    if (i >= actions().recorded().size()) return out;
    for (const hostsim::ActionValue& v : actions().recorded()[i].values.values) {
      std::string key;
      for (int s = 24; s >= 0; s -= 8)
        key += static_cast<char>((v.key >> s) & 0xFF);
      std::string value = v.type == host::kActionTypeString    ? Utf8(v.text)
                          : v.type == host::kActionTypeInteger ? std::to_string(v.integer)
                                                               : std::to_string(int(v.real));
      out.push_back(key + "=" + value);
    }
    return out;
  }
  // A record with art (the selected rectangle, 40 x 20) added to `group` as `name`.
  void AddArt(const std::string& group, const std::string& name) {
    SelectedRectangle();
    velm::AddRecord(Sjis(group).c_str(), Sjis(name).c_str(), "", "", false);
  }
  hostsim::Art* TopArt() {
    auto& children = host().document()->currentLayer()->group->children;
    return children.empty() ? nullptr : children.front();
  }
};

TEST_F(ActionTest, TheSixActionsAreRegisteredWithTheirKeysInOrder) {
  struct Expected {
    const char* name;
    const char* title;
    std::intptr_t code;
    std::vector<std::string> keys;  // key:title:type
  };
  const Expected expected[] = {
      {"ZEM_VELM_PlaceArt",
       "VELMレコード配置",
       1001,
       {"plcx:X 座標:real", "plcy:Y 座標:real", "recd:レコード:strn", "grup:グループ:strn",
        "ormd:原点位置:long"}},
      {"ZEM_VELM_AddRecord",
       "VELMレコード追加",
       1002,
       {"name:名称:strn", "kind:種類:strn", "comm:コメント:strn", "grup:グループ:strn"}},
      {"ZEM_VELM_RmvRecord",
       "VELMレコード削除",
       1003,
       {"recd:レコード:strn", "grup:グループ:strn"}},
      {"ZEM_VELM_SetRecord",
       "VELMレコード編集",
       1004,
       {"name:名称:strn", "kind:種類:strn", "comm:コメント:strn", "nwgr:新規グループ:strn",
        "recd:レコード:strn", "grup:グループ:strn"}},
      {"ZEM_VELM_NewGroup", "VELM新規グループ", 2001, {"grup:グループ:strn"}},
      {"ZEM_VELM_RmvGroup", "VELMグループ削除", 2002, {"grup:グループ:strn"}},
  };
  auto code = [](std::uint32_t c) {
    std::string s;
    for (int i = 24; i >= 0; i -= 8)
      s += static_cast<char>((c >> i) & 0xFF);
    return s;
  };
  ASSERT_EQ(actions().events().size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) {
    const hostsim::ActionEvent& e = actions().events()[i];
    EXPECT_EQ(e.name, expected[i].name);
    EXPECT_EQ(Utf8(e.title), expected[i].title);
    EXPECT_EQ(e.userData, expected[i].code);
    EXPECT_EQ(e.version, 1);
    EXPECT_NE(e.plugin, nullptr);
    std::vector<std::string> keys;
    for (const hostsim::ActionParamKey& k : e.params.keys) {
      keys.push_back(code(k.key) + ":" + Utf8(k.title) + ":" + code(k.type));
      EXPECT_TRUE(k.show);
    }
    EXPECT_EQ(keys, expected[i].keys) << e.name;
  }
  EXPECT_EQ(actions().liveDescriptions(), 0u) << "every description is deleted";
}

TEST_F(ActionTest, DesignatorsNameEveryRecordSoThatItResolvesToItself) {
  // Same names, an empty name, names with quotes, and "a", which the quoted "a"b" must
  // not find.
  const std::vector<std::string> names = {"花", "", "花", "a\"b", "say \"hi\"", "a", "\""};
  for (const std::string& n : names)
    Append("g", n);
  const std::string g = Sjis("g");
  const std::vector<std::string> designators = {"\"花\"",         "#1",    "\"花\"", "\"a\"b\"",
                                                "\"say \"hi\"\"", "\"a\"", "\"\"\""};
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(names.size()); ++i) {
    char text[velm::kDesignatorSize] = {};
    ASSERT_EQ(velm::MakeRecordDesignator(g.c_str(), i, text), host::kNoErr);
    EXPECT_EQ(Utf8(text), designators[i]);
    // The first record of that name (same names: the lower number).
    EXPECT_EQ(velm::ResolveRecordDesignator(g.c_str(), text), i == 2 ? 0 : i) << Utf8(text);
  }
  char text[velm::kDesignatorSize] = "unchanged";
  EXPECT_EQ(velm::MakeRecordDesignator(g.c_str(), 7, text), -1);
  EXPECT_STREQ(text, "unchanged");

  const struct {
    const char* designator;
    std::int32_t expected;
  } cases[] = {
      {"#0", 0},      {"#6", 6},   {"#-1", -1},         {"#7", -1},
      {"#99999", -1}, {"#", -1},   {"#1x", -1},         {"#99999999999999999999", -1},
      {"花", 0},      {"\"花", 0}, {"\"missing\"", -1}, {"", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(velm::ResolveRecordDesignator(g.c_str(), Sjis(c.designator).c_str()), c.expected)
        << c.designator;
  EXPECT_EQ(velm::ResolveRecordDesignator(Sjis("none").c_str(), "#0"), -1);
}

TEST_F(ActionTest, NothingIsRecordedWhileTheHostIsNotRecording) {
  Append("g", "a");
  Append("g", "b");
  velm::RmvRecord(Sjis("g").c_str(), 0, false);
  velm::NewGroup("h", false);
  EXPECT_TRUE(actions().recorded().empty());

  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  velm::RmvRecord(Sjis("g").c_str(), 0, false);
  actions().StopRecording();
  velm::NewGroup("i", false);
  ASSERT_EQ(actions().recorded().size(), 1u);
  EXPECT_EQ(actions().recorded()[0].name, "ZEM_VELM_RmvRecord");
  EXPECT_EQ(actions().recorded()[0].dialogStatus, host::kDialogPartOn);
  EXPECT_EQ(Values(0), (std::vector<std::string>{"recd=\"b\"", "grup=g"}));
}

TEST_F(ActionTest, AnAddRecordsItsGroupBeforeItsTexts) {
  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  SelectedRectangle();
  velm::AddRecord(Sjis("動物").c_str(), Sjis("猫").c_str(), "k", "c", false);
  actions().StopRecording();
  ASSERT_EQ(actions().recorded().size(), 1u);
  EXPECT_EQ(Values(0), (std::vector<std::string>{"grup=動物", "name=猫", "kind=k", "comm=c"}));
}

TEST_F(ActionTest, RecordedRecordsAreTheRealOnesAlsoFromTheSearchResults) {
  Append("動物", "a");
  Append("動物", "");
  Append("動物", "c");
  Append("植物", "d");
  ShowResults({{"植物", 0}, {"動物", 1}, {"動物", 2}});
  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  velm::RmvRecord(Sjis("動物").c_str(), 1, false);
  velm::SetRecord(Sjis("動物").c_str(), 1, Sjis("植物").c_str(), Sjis("猫").c_str(), "k", "c",
                  false);
  actions().StopRecording();
  EXPECT_EQ(CurrentGroup(), "検索結果");
  EXPECT_EQ(Values(0), (std::vector<std::string>{"recd=#1", "grup=動物"}));
  EXPECT_EQ(Values(1), (std::vector<std::string>{"name=猫", "kind=k", "comm=c", "nwgr=植物",
                                                 "recd=\"c\"", "grup=動物"}));
  EXPECT_EQ(Names("植物"), (std::vector<std::string>{"d", "猫"}));
}

TEST_F(ActionTest, PlaybackPlacesAtTheRecordedPointWithTheRecordedOriginMode) {
  AddArt("g", "r");
  ASSERT_EQ(Names("g").size(), 1u);
  hostsim::Document& doc = *host().document();
  const struct {
    std::int32_t origin;
    float expectLeft, expectBottom;  // where the 40 x 20 art's bounds land
  } cases[] = {{4, 80, 190}, {2, 100, 200}, {6, 60, 180}};
  for (const auto& c : cases) {
    hostsim::Art* before = TopArt();
    Play("ZEM_VELM_PlaceArt", {Num("plcx", 100), Num("plcy", 200), Str("recd", "\"r\""),
                               Str("grup", "g"), Int("ormd", c.origin)});
    hostsim::Art* placed = TopArt();
    ASSERT_NE(placed, before) << "origin " << c.origin;
    host::RealRect r{};
    ASSERT_TRUE(hostsim::ArtBounds(doc, placed, &r));
    // Midpoints, so that a stroke around the rectangle does not count.
    EXPECT_NEAR((r.left + r.right) / 2, c.expectLeft + 20, 0.01) << c.origin;
    EXPECT_NEAR((r.top + r.bottom) / 2, c.expectBottom + 10, 0.01) << c.origin;
    EXPECT_EQ(velm::gGlobals->originMode, c.origin);
  }

  // Recording the drop: the point, the record by name and the origin mode.
  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  velm::gGlobals->dropPoint = {12.5f, 34.0f};
  velm::RecordAction(velm::kPlaceArtAction, Sjis("g").c_str(), 0);
  EXPECT_EQ(Values(0),
            (std::vector<std::string>{"plcx=12", "plcy=34", "recd=\"r\"", "grup=g", "ormd=6"}));
  EXPECT_EQ(actions().recorded()[0].values.values[0].real, 12.5f);

  // A renamed record is not found, a bad origin mode places nothing either.
  hostsim::Art* before = TopArt();
  velm::SetRecord(Sjis("g").c_str(), 0, nullptr, "renamed", nullptr, nullptr, false);
  Play("ZEM_VELM_PlaceArt",
       {Num("plcx", 0), Num("plcy", 0), Str("recd", "\"r\""), Str("grup", "g"), Int("ormd", 0)});
  Play("ZEM_VELM_PlaceArt",
       {Num("plcx", 0), Num("plcy", 0), Str("recd", "#0"), Str("grup", "g"), Int("ormd", 9)});
  EXPECT_EQ(TopArt(), before);
}

TEST_F(ActionTest, PlaybackRemovesOnlyRecordsTheDesignatorNames) {
  for (const char* n : {"a", "b", "c"})
    Append("g", n);
  UseGroup("g");
  for (const char* d : {"#-1", "#3", "#", "#1x", "\"x\""})
    Play("ZEM_VELM_RmvRecord", {Str("recd", d), Str("grup", "g")});
  Play("ZEM_VELM_RmvRecord", {});
  EXPECT_EQ(Names("g"), (std::vector<std::string>{"a", "b", "c"}));
  Play("ZEM_VELM_RmvRecord", {Str("recd", "#1"), Str("grup", "g")});
  Play("ZEM_VELM_RmvRecord", {Str("recd", "\"c\""), Str("grup", "g")});
  EXPECT_EQ(Names("g"), (std::vector<std::string>{"a"}));
}

TEST_F(ActionTest, LongTextsAreCutOnACharacterBoundary) {
  Append("g", "a");
  // 35 double-byte characters: 70 bytes, more than a group (63) or a name (63) holds.
  std::string long_;
  for (int i = 0; i < 35; ++i)
    long_ += "あ";
  const std::string cut = long_.substr(0, 31 * 3);  // 31 characters, 62 bytes
  Play("ZEM_VELM_NewGroup", {Str("grup", long_)});
  EXPECT_TRUE(std::filesystem::exists(GroupFile(cut)));
  Play("ZEM_VELM_SetRecord", {Str("name", long_), Str("recd", "#0"), Str("grup", "g")});
  EXPECT_EQ(Names("g"), (std::vector<std::string>{cut}));
  Play("ZEM_VELM_RmvGroup", {Str("grup", long_)});
  EXPECT_FALSE(std::filesystem::exists(GroupFile(cut)));
}

TEST_F(ActionTest, AFailingActionManagerRecordsNothingAndTheCommandStillRuns) {
  for (const char* n : {"a", "b", "c", "d"})
    Append("g", n);
  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  for (const char* op : {"InActionRecordingMode", "NewActionParamValue", "SetActionParamString",
                         "RecordActionEvent"}) {
    host().suites().FailOperation("AI Action Manager Suite", op, host::kHostFailureErr);
    velm::RmvRecord(Sjis("g").c_str(), 0, false);
    host().suites().ClearFailures();
    EXPECT_TRUE(actions().recorded().empty()) << op;
    EXPECT_EQ(actions().liveValueBlocks(), 0u) << op;
  }
  EXPECT_TRUE(Names("g").empty());
}

TEST_F(ActionTest, ARecordedListSurvivesARestartAndPlaysIntoAFreshLibrary) {
  AddArt("g", "r");
  ASSERT_EQ(actions().StartRecording(), host::kNoErr);
  velm::NewGroup(Sjis("新").c_str(), false);
  AddArt("新", "花");
  velm::SetRecord(Sjis("新").c_str(), 0, nullptr, Sjis("花").c_str(), "種", "", false);
  velm::RmvRecord(Sjis("g").c_str(), 0, false);
  actions().StopRecording();
  ASSERT_EQ(actions().recorded().size(), 4u);

  // A new host on the same drive C: reads the list back.
  hostsim::ActionManager next;
  next.Load(drive_.path().string());
  ASSERT_EQ(next.recorded().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(next.recorded()[i].name, actions().recorded()[i].name);
    EXPECT_EQ(next.recorded()[i].values.values.size(),
              actions().recorded()[i].values.values.size());
  }
  const std::string text = actions().Describe(next.recorded());
  EXPECT_NE(text.find("VELMレコード編集"), std::string::npos) << text;
  EXPECT_NE(text.find("名称: 花"), std::string::npos) << text;

  // Played into an emptied library, it does the same work again.
  velm::RmvGroup(Sjis("新").c_str(), false);
  AddArt("g", "r");
  SelectedRectangle();
  EXPECT_EQ(host().PlayActions(next.recorded()), host::kNoErr);
  EXPECT_EQ(Names("新"), (std::vector<std::string>{"花"}));
  EXPECT_TRUE(Names("g").empty());
}

}  // namespace
}  // namespace velmtest
