// The search dialog: searching every group, narrowing the results, and the settings it
// keeps.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "dialogs/search_dialog.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "hostsim/desktop/dialog_manager.h"

namespace velmtest {
namespace {

using Hit = std::pair<std::string, int>;  // group (UTF-8), record number

class SearchDialogTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    Append("動物", "cat", "mammal");
    Append("動物", "tiger", "mammal");
    Append("動物", "eagle", "bird");
    Append("植物", "catnip", "herb");
    Append("植物", "oak", "tree");
  }
  std::int32_t Run(std::function<void(hostsim::Dialog&)> script) {
    host().dialogs().QueueModal(std::move(script));
    return velm::SearchDialog(nullptr);
  }
  // The search: field entry, text, then "検索" (1) or "絞込み" (2).
  std::int32_t Search(std::int32_t field, const std::string& text, std::int32_t button = 1) {
    return Run([=](hostsim::Dialog& d) {
      d.Choose(4, field);
      d.Type(5, text);
      d.Press(button);
    });
  }
  std::vector<Hit> Results() {
    std::vector<Hit> hits;
    const velm::RIHItem* items = velm::RIHItems(velm::gGlobals->RIHList);
    for (std::int32_t i = 0; i < velm::RIHCount(velm::gGlobals->RIHList); ++i)
      hits.push_back({Utf8(items[i].group), items[i].recordNumber});
    return hits;
  }
};

TEST_F(SearchDialogTest, AnEmptyTextFindsEveryRecordOfEveryGroup) {
  EXPECT_EQ(Search(0, ""), 1);
  EXPECT_TRUE(velm::gGlobals->searchMode);
  EXPECT_EQ(std::string(velm::gGlobals->currentGroup), velm::kSearchResultsGroup);
  EXPECT_EQ(Results().size(), 5u);
}

TEST_F(SearchDialogTest, TheChosenFieldIsSearchedAndNarrowingKeepsOrder) {
  EXPECT_EQ(Search(0, "cat"), 1);  // names, sorted by name
  EXPECT_EQ(Results(), (std::vector<Hit>{{"動物", 0}, {"植物", 0}}));
  EXPECT_EQ(Search(1, "mammal"), 1);
  EXPECT_EQ(Results(), (std::vector<Hit>{{"動物", 0}, {"動物", 1}}));

  // Narrowing with the same settings keeps the same results in the same order.
  EXPECT_EQ(Search(1, "mammal", 2), 1);
  EXPECT_EQ(Results(), (std::vector<Hit>{{"動物", 0}, {"動物", 1}}));
  // And narrowing further searches only the results.
  EXPECT_EQ(Search(0, "tig", 2), 1);
  EXPECT_EQ(Results(), (std::vector<Hit>{{"動物", 1}}));
}

TEST_F(SearchDialogTest, NarrowingIsOfferedOnlyOverTwoOrMoreResults) {
  auto narrowEnabled = [&] {
    bool enabled = true;
    Run([&](hostsim::Dialog& d) {
      enabled = d.FindItem(2)->enabled();
      d.Press(3);
    });
    return enabled;
  };
  velm::SelectGroup(Sjis("動物").c_str());
  EXPECT_FALSE(narrowEnabled()) << "a normal group is shown";
  Search(0, "tiger");
  EXPECT_FALSE(narrowEnabled()) << "one result";
  Search(0, "");
  EXPECT_TRUE(narrowEnabled());
}

TEST_F(SearchDialogTest, ALongKindTextUsesItsFirst63Bytes) {
  // A kind of 63 bytes is found by a text of 100 whose first 63 bytes are it.
  Append("長い", "long", std::string(63, 'k'));
  EXPECT_EQ(Search(1, std::string(100, 'k')), 1);
  EXPECT_EQ(Results(), (std::vector<Hit>{{"長い", 0}}));
}

TEST_F(SearchDialogTest, LongDoubleByteTextsAreCutOnACharacterBoundary) {
  auto times = [](const std::string& utf8, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
      s += utf8;
    return s;
  };
  // The kind pattern is cut to 63 bytes: 31 whole characters, not a stray lead byte.
  Append("長い", "long", times("種", 31));
  EXPECT_EQ(Search(1, Sjis(times("種", 40))), 1);
  EXPECT_EQ(Results(), (std::vector<Hit>{{"長い", 0}}));
  // The text kept is at most 255 bytes, whole characters.
  Search(2, Sjis(times("鳥", 128)));
  EXPECT_EQ(std::string(velm::gGlobals->flCnvFnStr), Sjis(times("鳥", 127)));
}

TEST_F(SearchDialogTest, ReturnSearchesAndEscapeCancels) {
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              d.Type(5, "");
              d.PressReturn();
            }),
            1);
  ASSERT_EQ(Results().size(), 5u);
  // Escape neither narrows nor searches, even when narrowing is offered.
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              EXPECT_TRUE(d.FindItem(2)->enabled());
              d.Type(5, "cat");
              d.PressEscape();
            }),
            3);
  EXPECT_EQ(Results().size(), 5u);
  EXPECT_STREQ(velm::gGlobals->flCnvFnStr, "") << "nothing read from a cancelled dialog";
}

TEST_F(SearchDialogTest, TheSettingsAreShownAgainAndCancelSearchesNothing) {
  Run([](hostsim::Dialog& d) {
    d.Choose(4, 2);
    d.Type(5, "tree");
    d.FindItem(6)->SetOn(true);
    d.FindItem(8)->SetOn(true);
    d.Press(1);
  });
  EXPECT_EQ(velm::gGlobals->flCnvFnMode, 2);
  EXPECT_STREQ(velm::gGlobals->flCnvFnStr, "tree");
  EXPECT_EQ(velm::gGlobals->flCnvCase, 1);
  EXPECT_EQ(velm::gGlobals->flCnvKanji, 0);
  EXPECT_EQ(velm::gGlobals->flCnvWord, 1);

  velm::SelectGroup(Sjis("動物").c_str());
  EXPECT_EQ(Run([](hostsim::Dialog& d) {
              EXPECT_EQ(Utf8(d.title()), "VELM-Pro 検索");
              std::vector<std::string> fields;
              for (const std::string& f : d.EntryTexts(4))
                fields.push_back(Utf8(f));
              EXPECT_EQ(fields, (std::vector<std::string>{"名前", "種類", "コメント"}));
              EXPECT_EQ(d.SelectedIndex(4), 2);
              EXPECT_EQ(d.TextOf(5), "tree");
              EXPECT_TRUE(d.FindItem(6)->on());
              EXPECT_FALSE(d.FindItem(7)->on());
              EXPECT_TRUE(d.FindItem(8)->on());
              d.Press(3);
            }),
            3);
  EXPECT_FALSE(velm::gGlobals->searchMode) << "cancel leaves the group shown";
}

}  // namespace
}  // namespace velmtest
