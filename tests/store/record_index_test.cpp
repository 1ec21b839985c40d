// The record index: sorted insertion in the three orders, re-sorting, lookups, and the
// list built from a group file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "common/sjis.h"
#include "common/store_fixture.h"
#include "database/group_file.h"
#include "database/record.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "platform/memory.h"

namespace {

using velmtest::Sjis;
namespace os = velm::os;

class RecordIndexTest : public velmtest::StoreTest {
 protected:
  velm::Globals& G() { return *velm::gGlobals; }

  // An empty list of the current group, without a file behind it.
  void EmptyList(std::int16_t sortMode) {
    G().sortMode = sortMode;
    ASSERT_TRUE(velm::GrowBlock(G().RIHList, 4 + 3 * sizeof(velm::RIHItem), velm::kListGranule));
  }
  void Add(const char* group, std::int32_t number, const char* name, const char* kind,
           std::uint32_t created) {
    ASSERT_TRUE(velm::VelmAddItemRIHList(G().RIHList, group, number, name, kind, created));
  }
  // "name#number" in list order.
  std::vector<std::string> Order() {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < velm::RIHCount(G().RIHList); ++i) {
      const velm::RIHItem& item = velm::RIHItems(G().RIHList)[i];
      out.push_back(std::string(item.name) + "#" + std::to_string(item.recordNumber));
    }
    return out;
  }
};

TEST_F(RecordIndexTest, NameOrderPutsLaterEqualNamesSecond) {
  EmptyList(velm::kSortByName);
  Add("g", 0, "b", "", 1);
  Add("g", 1, "a", "", 1);
  Add("g", 2, "b", "", 1);
  Add("g", 3, "B", "", 1);  // bytes, no case folding: 'B' < 'a'
  EXPECT_EQ(Order(), (std::vector<std::string>{"B#3", "a#1", "b#0", "b#2"}));
}

TEST_F(RecordIndexTest, KindOrderThenNamesAndEmptyKindsFirst) {
  EmptyList(velm::kSortByKind);
  Add("g", 0, "z", "tree", 1);
  Add("g", 1, "y", "", 1);
  Add("g", 2, "a", "tree", 1);
  Add("g", 3, "m", "flower", 1);
  EXPECT_EQ(Order(), (std::vector<std::string>{"y#1", "m#3", "a#2", "z#0"}));
}

TEST_F(RecordIndexTest, DateOrderNewestFirstThenNames) {
  EmptyList(velm::kSortByDate);
  Add("g", 0, "c", "", 100);
  Add("g", 1, "b", "", 300);
  Add("g", 2, "a", "", 100);
  Add("g", 3, "z", "", 0xF0000000u);  // unsigned: later than everything else
  EXPECT_EQ(Order(), (std::vector<std::string>{"z#3", "b#1", "a#2", "c#0"}));
}

TEST_F(RecordIndexTest, ResortingKeepsRelativeOrderOfEqualItems) {
  EmptyList(velm::kSortByName);
  Add("g", 0, "same", "", 10);
  Add("g", 1, "other", "", 30);
  Add("g", 2, "same", "", 20);
  velm::ResortRIHList(velm::kSortByName);
  EXPECT_EQ(Order(), (std::vector<std::string>{"other#1", "same#0", "same#2"}))
      << "same mode: no change";
  velm::ResortRIHList(velm::kSortByDate);
  EXPECT_EQ(G().sortMode, velm::kSortByDate);
  EXPECT_EQ(Order(), (std::vector<std::string>{"other#1", "same#2", "same#0"}));
  velm::ResortRIHList(velm::kSortByName);
  EXPECT_EQ(Order(), (std::vector<std::string>{"other#1", "same#2", "same#0"}))
      << "equal names keep the order they had in date order";
}

TEST_F(RecordIndexTest, LookupsDistinguishGroupsAndFallBackToDefaults) {
  velm::SelectGroup(velm::kSearchResultsGroup);
  EXPECT_EQ(G().searchMode, 1);
  ASSERT_EQ(velm::BuildRIHList(velm::kSearchResultsGroup), host::kNoErr);
  ASSERT_NE(G().RIHList, nullptr) << "search mode makes an empty list";
  Add("a", 4, "x", "", 1);
  Add("b", 4, "y", "", 1);
  EXPECT_EQ(velm::FindRIHItem("b", 4), 1);
  EXPECT_EQ(velm::FindRIHItem("a", 4), 0);
  EXPECT_EQ(velm::FindRIHItem("c", 4), -1);
  EXPECT_EQ(velm::GroupRecordCount(velm::kSearchResultsGroup), 2);

  char group[64];
  std::int32_t number = 0;
  EXPECT_TRUE(velm::GetRIHItem(1, group, number));
  EXPECT_STREQ(group, "b");
  EXPECT_EQ(number, 4);
  EXPECT_FALSE(velm::GetRIHItem(9, group, number));
  EXPECT_STREQ(group, velm::kSearchResultsGroup);
  EXPECT_EQ(number, 9);

  velm::VelmRmvItemRIHList(G().RIHList, "a", 4);
  EXPECT_EQ(Order(), std::vector<std::string>{"y#4"});

  // A group without a file has no list; re-sorting it is ignored.
  velm::SelectGroup("nofile");
  EXPECT_EQ(G().searchMode, 0);
  EXPECT_EQ(G().RIHList, nullptr);
  EXPECT_EQ(velm::FindRIHItem("nofile", 0), -1);
  velm::ResortRIHList(velm::kSortByDate);
  EXPECT_EQ(G().sortMode, velm::kSortByName);
}

TEST_F(RecordIndexTest, ListBuiltFromAFileEqualsOneByOneInsertion) {
  std::mt19937 random(7);
  const char* names[] = {"桜", "梅", "松", "竹", "abc", "ABC", ""};
  const char* kinds[] = {"", "花", "木"};
  velm::SelectGroup("big");
  for (int i = 0; i < 60; ++i)
    Append("big", names[random() % 7], kinds[random() % 3],
           1000 + static_cast<std::uint32_t>(random() % 5));

  for (std::int16_t mode : {velm::kSortByName, velm::kSortByKind, velm::kSortByDate}) {
    G().sortMode = mode;
    ASSERT_EQ(velm::BuildRIHList("big"), host::kNoErr);
    const std::vector<std::string> built = Order();
    ASSERT_EQ(built.size(), 60u);
    // The same items inserted one at a time in file order.
    os::MemHandle saved = G().RIHList;
    G().RIHList = nullptr;
    EmptyList(mode);
    for (std::int32_t i = 0; i < 60; ++i) {
      const velm::RIHItem* item = nullptr;
      for (std::int32_t k = 0; k < 60; ++k)
        if (velm::RIHItems(saved)[k].recordNumber == i) item = &velm::RIHItems(saved)[k];
      ASSERT_NE(item, nullptr);
      Add("big", i, item->name, item->kind, item->created);
    }
    EXPECT_EQ(Order(), built) << "sort mode " << mode;
    velm::ReleaseBlock(saved);
  }
}

TEST_F(RecordIndexTest, AppendsAndRewritesKeepTheListCurrent) {
  velm::SelectGroup("live");
  Append("live", "b");
  Append("live", "a");
  ASSERT_NE(G().RIHList, nullptr);
  EXPECT_EQ(Order(), (std::vector<std::string>{"a#1", "b#0"}));
  ASSERT_EQ(velm::VelmReadRecord("live", 0, nullptr, velm::kReadWholeRecord, true), host::kNoErr);
  std::strcpy(velm::RecordHeader(G().currentRecord)->name, "0first");
  ASSERT_EQ(velm::WriteGroupRecord("live", 0), host::kNoErr);
  EXPECT_EQ(Order(), (std::vector<std::string>{"0first#0", "a#1"}));
  EXPECT_EQ(velm::FindRIHItem("live", 0), 0);
}

}  // namespace
