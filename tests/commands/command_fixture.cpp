#include "commands/command_fixture.h"

#include "common/sjis.h"
#include "database/group_file.h"
#include "database/record_index.h"
#include "frame/globals.h"
#include "hostsim/desktop/dialog_manager.h"
#include "platform/memory.h"

namespace velmtest {

void CommandTest::TearDown() {
  os::TestOverrides() = os::Overrides{};
  StoreTest::TearDown();
}

hostsim::Art* CommandTest::SelectedRectangle() {
  hostsim::Document& doc = *host().document();
  hostsim::Art* path = doc.Create(host::kPathArt);
  auto corner = [](float h, float v) { return host::PathSegment{{h, v}, {h, v}, {h, v}, 1}; };
  path->segments = {corner(0, 0), corner(40, 0), corner(40, 20), corner(0, 20)};
  path->closed = true;
  EXPECT_EQ(doc.Insert(path, host::kPlaceInsideOnBottom, doc.currentLayer()->group), host::kNoErr);
  doc.Select(path, true);
  return path;
}

void CommandTest::UseGroup(const std::string& group) {
  velm::SelectGroup(Sjis(group).c_str());
}

std::string CommandTest::CurrentGroup() const {
  return Utf8(velm::gGlobals->currentGroup);
}

std::vector<std::string> CommandTest::Names(const std::string& group) {
  std::vector<std::string> names;
  const std::string g = Sjis(group);
  for (std::int32_t i = 0; i < velm::GroupRecordCount(g.c_str()); ++i)
    names.push_back(Utf8(HeaderOf(group, i).name));
  return names;
}

velm::Record CommandTest::HeaderOf(const std::string& group, std::int32_t index) {
  os::MemHandle block = nullptr;
  velm::Record header{};
  EXPECT_TRUE(velm::GrowBlock(block, velm::kRecordHeaderSize, velm::kRecordGranule));
  EXPECT_EQ(velm::VelmReadRecord(Sjis(group).c_str(), index, &block, velm::kReadHeaderOnly, true),
            host::kNoErr);
  header = *velm::RecordHeader(block);
  velm::ReleaseBlock(block);
  return header;
}

std::vector<std::string> CommandTest::Results() {
  std::vector<std::string> entries;
  const velm::RIHItem* items = velm::RIHItems(velm::gGlobals->RIHList);
  for (std::int32_t i = 0; i < velm::RIHCount(velm::gGlobals->RIHList); ++i)
    entries.push_back(Utf8(items[i].group) + "/" + std::to_string(items[i].recordNumber));
  return entries;
}

void CommandTest::ShowResults(const std::vector<std::pair<std::string, std::int32_t>>& records) {
  velm::SelectGroup(velm::kSearchResultsGroup);
  ASSERT_EQ(velm::BuildRIHList(velm::kSearchResultsGroup), host::kNoErr);
  for (const auto& [group, number] : records) {
    const velm::Record h = HeaderOf(group, number);
    velm::VelmAddItemRIHList(velm::gGlobals->RIHList, Sjis(group).c_str(), number, h.name, h.kind,
                             h.created);
  }
}

void CommandTest::AnswerRecordDialog(const std::string& name, const std::string& group,
                                     std::int32_t button) {
  host().dialogs().QueueModal([=](hostsim::Dialog& d) {
    EXPECT_EQ(Utf8(d.title()), "VELM-Pro 登録");
    if (!name.empty()) d.Type(7, Sjis(name));
    if (!group.empty()) {
      const std::vector<std::string> entries = d.EntryTexts(10);
      bool chosen = false;
      for (std::size_t i = 0; i < entries.size() && !chosen; ++i)
        if (entries[i] == Sjis(group)) chosen = d.Choose(10, static_cast<std::int32_t>(i));
      EXPECT_TRUE(chosen) << group;
    }
    d.Press(button);
  });
}

void CommandTest::ExpectErrorDialog(const std::string& code) {
  host().dialogs().QueueModal([=](hostsim::Dialog& d) {
    EXPECT_EQ(d.title(), "Plug-in Error");
    EXPECT_EQ(d.TextOf(3), code);
    d.Press(1);
  });
}

}  // namespace velmtest
