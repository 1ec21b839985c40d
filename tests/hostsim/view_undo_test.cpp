// Document views (zoom, window ↔ artwork points), undo steps per message with their
// texts, and the ruler-unit texts.
#include "host/messages.h"
#include "resources/resource_table.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

using ViewTest = DocumentTest;

TEST_F(ViewTest, ViewPointsAndArtworkPointsConvertBothWays) {
  const auto& views = Suite<host::DocumentViewSuite>();
  std::int32_t count = 0;
  ASSERT_EQ(views.CountDocumentViews(&count), host::kNoErr);
  ASSERT_EQ(count, 1);
  host::DocumentViewHandle view = nullptr;
  ASSERT_EQ(views.GetNthDocumentView(0, &view), host::kNoErr);
  doc().views()[0]->zoom = 2;
  doc().views()[0]->origin = {100, 500};
  host::Real zoom = 0;
  ASSERT_EQ(views.GetDocumentViewZoom(view, &zoom), host::kNoErr);
  EXPECT_EQ(zoom, 2.0f);
  const host::Point pixel{40, 60};
  host::RealPoint art{};
  ASSERT_EQ(views.ViewPointToArtworkPoint(view, &pixel, &art), host::kNoErr);
  EXPECT_EQ(art.h, 120.0f);
  EXPECT_EQ(art.v, 470.0f);
  host::Point back{};
  const host::RealPoint near{120.26f, 469.74f};
  ASSERT_EQ(views.ArtworkPointToViewPoint(view, &near, &back), host::kNoErr);
  EXPECT_EQ(back.h, 41);  // rounded to the nearest pixel
  EXPECT_EQ(back.v, 61);
  EXPECT_EQ(views.GetNthDocumentView(1, &view), host::kBadParameterErr);
  host().SetDocument(nullptr);
  ASSERT_EQ(views.CountDocumentViews(&count), host::kNoErr);
  EXPECT_EQ(count, 0);
}

TEST_F(ViewTest, UnitTextsFollowTheDocumentsRulerUnits) {
  const auto& user = Suite<host::UserSuite>();
  unsigned char text[256];
  ASSERT_EQ(user.GetUnitsString(0, text), host::kNoErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "pt");
  doc().SetRulerUnits(host::kMillimeterUnits);
  ASSERT_EQ(user.GetUnitsString(1, text), host::kNoErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "millimeters");
  std::int32_t adm = -1;
  ASSERT_EQ(user.RulerUnitsToAdmUnits(host::kPicaUnits, &adm), host::kNoErr);
  EXPECT_EQ(adm, host::kAdmPicaUnits);
  EXPECT_EQ(user.RulerUnitsToAdmUnits(42, &adm), host::kBadParameterErr);
}

// A plug-in that makes one path per message and names the step after its count.
int gMessages = 0;
host::Err MakePathPerMessage(const char*, const char*, void* message) {
  auto* m = static_cast<host::MessageData*>(message);
  const void* table = nullptr;
  if (m->basic->AcquireSuite(host::ArtSuite::kName, host::ArtSuite::kVersion, &table)) return -1;
  const auto* art = static_cast<const host::ArtSuite*>(table);
  m->basic->AcquireSuite(host::UndoSuite::kName, host::UndoSuite::kVersion, &table);
  const auto* undo = static_cast<const host::UndoSuite*>(table);
  ++gMessages;
  const std::string undoText = "undo " + std::to_string(gMessages);
  undo->BeginUndoStep();
  undo->SetUndoText(undoText.c_str(), "redo");
  host::ArtHandle path = nullptr;
  const host::Err e = art->NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &path);
  m->basic->ReleaseSuite(host::ArtSuite::kName, host::ArtSuite::kVersion);
  m->basic->ReleaseSuite(host::UndoSuite::kName, host::UndoSuite::kVersion);
  return e;
}

TEST_F(ViewTest, EachMessageIsOneUndoStepWithItsTexts) {
  gMessages = 0;
  host().UseInProcessPlugin(MakePathPerMessage, &velm::res::Resources());
  ASSERT_EQ(host().About(), host::kNoErr);
  ASSERT_EQ(host().About(), host::kNoErr);
  ASSERT_EQ(doc().currentLayer()->group->children.size(), 2u);
  hostsim::Art* first = doc().currentLayer()->group->children.back();
  EXPECT_EQ(doc().undoText(), "undo 2");
  ASSERT_TRUE(doc().Undo());
  ASSERT_EQ(doc().currentLayer()->group->children.size(), 1u);
  EXPECT_EQ(doc().currentLayer()->group->children[0], first);
  EXPECT_EQ(doc().undoText(), "undo 1");
  EXPECT_EQ(doc().redoText(), "redo");
  const auto& undo = Suite<host::UndoSuite>();
  EXPECT_EQ(undo.SetUndoText(nullptr, "x"), host::kBadParameterErr);
}

}  // namespace
}  // namespace velmtest
