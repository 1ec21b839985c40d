// The document core on its own: this program links no drawing, desktop or file-format
// district, so a use of any of them from the core fails to link here.
#include <gtest/gtest.h>

#include <cstring>

#include "hostsim/core/document.h"
#include "hostsim/core/host.h"

namespace {

using hostsim::Art;
using hostsim::Document;

std::size_t ArtInLayer(const Document& doc) {
  return doc.currentLayer()->group->children.size();
}

TEST(DocumentCore, ArtAddedInAStepIsGoneAfterUndoAndBackAfterRedo) {
  Document doc(nullptr);
  doc.BeginUndoStep();
  Art* art = nullptr;
  ASSERT_EQ(doc.NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &art), host::kNoErr);
  ASSERT_EQ(ArtInLayer(doc), 1u);
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(ArtInLayer(doc), 0u);
  ASSERT_TRUE(doc.Redo());
  EXPECT_EQ(ArtInLayer(doc), 1u);
}

bool KnowsOnlyTestFont(const char* name) {
  return std::strcmp(name, "TestFont") == 0;
}
bool TenPointSquare(const Art&, host::RealRect* bounds) {
  *bounds = {0, 10, 10, 0};
  return true;
}

TEST(DocumentCore, TextIsMeasuredByTheMetricsTheDocumentWasMadeWith) {
  const hostsim::TextMetrics metrics{KnowsOnlyTestFont, TenPointSquare};
  Document measured(&metrics);
  Document bare(nullptr);
  for (Document* doc : {&measured, &bare}) {
    Art* text = nullptr;
    ASSERT_EQ(doc->NewArt(host::kTextArt, host::kPlaceAboveAll, nullptr, &text), host::kNoErr);
    host::RealRect bounds{};
    const bool any = hostsim::ArtBounds(*doc, text, &bounds);
    EXPECT_EQ(any, doc == &measured);
    if (any) {
      EXPECT_EQ(bounds.right, 10.0f);
    }
  }
}

TEST(DocumentCore, AHostWithoutPartsOffersTheDocumentSuitesAndNoFonts) {
  hostsim::Host host("", "", nullptr);
  EXPECT_FALSE(host.hasParts());
  ASSERT_NE(host.document(), nullptr);
  EXPECT_EQ(host.document()->textMetrics(), nullptr);
  const void* table = nullptr;
  ASSERT_EQ(host.suites().Acquire(host::ArtSuite::kName, host::ArtSuite::kVersion, &table),
            host::kNoErr);
  const auto* art = static_cast<const host::ArtSuite*>(table);
  host::ArtHandle path = nullptr;
  EXPECT_EQ(art->NewArt(host::kPathArt, host::kPlaceAboveAll, nullptr, &path), host::kNoErr);
  EXPECT_EQ(ArtInLayer(*host.document()), 1u);
}

}  // namespace
