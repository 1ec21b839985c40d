// The suite table as both the plug-in and the stand-in host see it: every row present in
// acquisition order with its name and version, every suite's ForEachOp reaching every
// member, and the operations whose place in a table the plug-in relies on still there.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "host/suite_list.h"

namespace {

struct SuiteRow {
  std::string type;
  std::string name;
  std::int32_t version;
  std::vector<std::string> ops;  // as ForEachOp visits them
  std::size_t slots;             // members, all function pointers
  bool everySlotReached;         // every member was handed to the visitor
};

void Marker() {}

template <class S>
SuiteRow Describe(const char* type) {
  S suite{};
  SuiteRow row{type, S::kName, S::kVersion, {}, sizeof(S) / sizeof(void (*)()), false};
  S::ForEachOp(suite, [&](const char* name, auto& op) {
    row.ops.emplace_back(name);
    op = reinterpret_cast<std::remove_reference_t<decltype(op)>>(&Marker);
  });
  // Every pointer-sized slot of the table must now hold the marker: a member the visitor
  // never reached stays null.
  std::vector<void (*)()> slots(row.slots);
  if (row.slots != 0) std::memcpy(slots.data(), &suite, row.slots * sizeof(void (*)()));
  row.everySlotReached = true;
  for (auto slot : slots)
    row.everySlotReached = row.everySlotReached && slot == &Marker;
  return row;
}

std::vector<SuiteRow> Table() {
  std::vector<SuiteRow> rows;
#define VELM_TEST_ROW(Type, var) rows.push_back(Describe<host::Type>(#Type));
  VELM_SUITE_TABLE(VELM_TEST_ROW)
#undef VELM_TEST_ROW
  return rows;
}

std::vector<std::string> PointerVariables() {
  std::vector<std::string> names;
#define VELM_TEST_VAR(Type, var) names.emplace_back(#var);
  VELM_SUITE_TABLE(VELM_TEST_VAR)
#undef VELM_TEST_VAR
  return names;
}

struct Expected {
  const char* name;
  std::int32_t version;
};

// The suites the plug-in acquires, in its order.
constexpr Expected kExpectedTable[] = {
    {"SP Blocks Suite", 2},
    {"SP Access Suite", 3},
    {"AI Plugin Suite", 3},
    {"AI MdMemory Suite", 1},
    {"AI Real Math Suite", 1},
    {"AI Fixed Math Suite", 2},
    {"AI Layer Suite", 9},
    {"AI Art Suite", 8},
    {"AI User Suite", 5},
    {"AI Path Suite", 4},
    {"AI Path Style Suite", 5},
    {"AI Matching Art Suite", 3},
    {"AI Document Suite", 6},
    {"AI Document View Suite", 6},
    {"AI Text Face Style Suite", 5},
    {"AI Text Stream Suite", 5},
    {"AI Text Run Suite", 6},
    {"AI Text Path Suite", 4},
    {"AI Text Suite", 4},
    {"AI Undo Suite", 4},
    {"ADM Dialog Group Suite", 1},
    {"ADM Tracker Suite", 1},
    {"AI Context Suite", 2},
    {"AI Preference Suite", 2},
    {"AI Runtime Suite", 6},
    {"AI Draw Art Suite", 5},
    {"AI Raster Suite", 5},
    {"AI Gradient Suite", 4},
    {"AI Custom Color Suite", 5},
    {"AI Group Suite", 2},
    {"AI Pattern Suite", 7},
    {"AI Transform Art Suite", 1},
    {"AI Hard Soft Suite", 2},
    {"AI Mesh Suite", 2},
    {"AI Mesh Patch Suite", 1},
    {"AI Mesh Vertex Suite", 1},
    {"AI Mesh Segment Suite", 1},
    {"AI Plugin Group Suite", 2},
    {"AI TabletData Suite", 1},
    {"AI Mask Suite", 2},
    {"AI Blend Style Suite", 1},
    {"AI Dictionary Suite", 5},
    {"AI Dictionary Iterator Suite", 1},
    {"AI Art Style Suite", 2},
    {"AI Path Style Suite", 4},
    {"AI Text Stream Suite", 4},
    {"AI Menu Suite", 6},
    {"AI Timer Suite", 3},
    {"AI Notifier Suite", 2},
    {"AI Action Manager Suite", 1},
    {"ADM Dialog Suite", 3},
    {"ADM Item Suite", 4},
    {"ADM Notifier Suite", 1},
    {"ADM Basic Suite", 2},
    {"ADM Icon Suite", 1},
    {"ADM Drawer Suite", 3},
    {"ADM Entry Suite", 2},
    {"ADM List Suite", 1},
    {"ADM Image Suite", 1},
};

const SuiteRow* Find(const std::vector<SuiteRow>& rows, const std::string& type) {
  for (const auto& row : rows)
    if (row.type == type) return &row;
  return nullptr;
}

TEST(SuiteTable, HoldsEveryRowInAcquisitionOrder) {
  const auto rows = Table();
  ASSERT_EQ(rows.size(), std::size(kExpectedTable));
  ASSERT_EQ(static_cast<int>(rows.size()), host::kSuiteTableRows);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + " (" + rows[i].type + ")");
    EXPECT_EQ(rows[i].name, kExpectedTable[i].name);
    EXPECT_EQ(rows[i].version, kExpectedTable[i].version);
  }
}

TEST(SuiteTable, EveryRowHasItsOwnTypeAndPointer) {
  const auto rows = Table();
  std::set<std::string> types;
  std::set<std::pair<std::string, std::int32_t>> suites;
  for (const auto& row : rows) {
    EXPECT_TRUE(types.insert(row.type).second) << row.type << " appears twice";
    EXPECT_TRUE(suites.insert({row.name, row.version}).second)
        << row.name << " " << row.version << " appears twice";
  }
  const auto vars = PointerVariables();
  EXPECT_EQ(std::set<std::string>(vars.begin(), vars.end()).size(), vars.size());
}

TEST(SuiteTable, DoubledSuitesAreDistinctGenerations) {
  static_assert(!std::is_same_v<host::PathStyleSuite, host::PathStyleSuite4>);
  static_assert(!std::is_same_v<host::TextStreamSuite, host::TextStreamSuite4>);
  EXPECT_STREQ(host::PathStyleSuite::kName, host::PathStyleSuite4::kName);
  EXPECT_EQ(host::PathStyleSuite::kVersion, 5);
  EXPECT_EQ(host::PathStyleSuite4::kVersion, 4);
  EXPECT_STREQ(host::TextStreamSuite::kName, host::TextStreamSuite4::kName);
  EXPECT_EQ(host::TextStreamSuite::kVersion, 5);
  EXPECT_EQ(host::TextStreamSuite4::kVersion, 4);

  // Both generations offer the same operations; only the conventions differ.
  const auto rows = Table();
  EXPECT_EQ(Find(rows, "PathStyleSuite")->ops, Find(rows, "PathStyleSuite4")->ops);
  EXPECT_EQ(Find(rows, "TextStreamSuite")->ops, Find(rows, "TextStreamSuite4")->ops);
}

TEST(SuiteTable, ForEachOpReachesEveryMember) {
  for (const auto& row : Table()) {
    SCOPED_TRACE(row.type);
    EXPECT_EQ(row.ops.size(), row.slots);
    EXPECT_TRUE(row.everySlotReached);
    std::set<std::string> names(row.ops.begin(), row.ops.end());
    EXPECT_EQ(names.size(), row.ops.size()) << "an operation name is used twice";
    EXPECT_EQ(names.count(""), 0u);
  }
}

// Operations whose position in their table the plug-in relies on, and the operations the
// plug-in frame called before the tables were filled in, which must keep their places.
TEST(SuiteTable, OperationsKeepTheirPlaces) {
  const auto rows = Table();
  struct Place {
    const char* type;
    std::size_t index;
    const char* op;
  };
  const Place places[] = {
      {"PluginSuite", 0, "GetPluginOptions"},
      {"PluginSuite", 1, "SetPluginOptions"},
      {"UserSuite", 0, "StringToNumber"},
      {"UserSuite", 1, "NumberToString"},
      {"AdmBasicSuite", 0, "GetIndexString"},
      {"AdmBasicSuite", 1, "Beep"},
      {"AdmDialogSuite", 0, "Modal"},
      {"AdmDialogSuite", 1, "EndModal"},
      {"AdmDialogSuite", 2, "GetItem"},
      {"AdmDialogSuite", 3, "GetUserData"},
      {"AdmDialogSuite", 4, "SetText"},
      {"AdmItemSuite", 0, "SetText"},
      {"AdmItemSuite", 1, "GetText"},
      {"AdmItemSuite", 2, "SetNotifyProc"},
      {"AdmItemSuite", 3, "DefaultNotify"},
      {"AdmItemSuite", 4, "GetDialog"},
      {"AdmItemSuite", 5, "GetID"},
      {"HardSoftSuite", 0, "RealPointHarden"},
      {"UndoSuite", 0, "SetUndoText"},
      {"UndoSuite", 1, "BeginUndoStep"},
      {"ContextSuite", 0, "GetPlatformAppWindow"},
      {"RuntimeSuite", 1, "GetAppVersion"},
      {"TextPathSuite", 2, "AddTextPath"},
      {"MeshSuite", 0, "InitCartesianMesh"},
      {"MeshSuite", 1, "InitPolarMesh"},
  };
  for (const auto& place : places) {
    const SuiteRow* row = Find(rows, place.type);
    ASSERT_NE(row, nullptr) << place.type;
    ASSERT_LT(place.index, row->ops.size()) << place.type;
    EXPECT_EQ(row->ops[place.index], place.op) << place.type << " operation " << place.index;
  }
}

TEST(HostRecords, CodesHaveTheirFixedValues) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(host::kAdmNotANumber), 0x7F7FFFFFu);
  EXPECT_EQ(host::kActionTypeReal, 0x7265616Cu);
  EXPECT_EQ(host::kActionTypeString, 0x7374726Eu);
  EXPECT_EQ(host::kActionTypeInteger, 0x6C6F6E67u);
  EXPECT_EQ(host::ActionCode('p', 'l', 'c', 'x'), 0x706C6378u);
}

}  // namespace
