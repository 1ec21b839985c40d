// The document core on its own: this program links no drawing, desktop or file-format
// district, so a use of any of them from the core fails to link here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

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

// Every member undo keeps, of every art ever made, as text: two dumps are equal when undo
// or redo put each art back whole.
std::string Dump(const Document& doc) {
  std::string out;
  for (const Art* a : doc.LiveArt()) {
    out += std::to_string(a->type) + " " + std::to_string(a->attributes) + " " + a->id + " p" +
           std::to_string(reinterpret_cast<std::uintptr_t>(a->parent) % 100000) + " c" +
           std::to_string(a->children.size()) + " s" + std::to_string(a->segments.size()) +
           (a->segments.empty() ? "" : "@" + std::to_string(a->segments[0].anchor.h)) + " f" +
           std::to_string(a->style.fillPaint) + " o" + std::to_string(a->blend.opacity) + " t" +
           a->text.bytes + " r" + std::to_string(a->raster.pixels.size()) + " m" +
           std::to_string(a->mesh.nodes.size()) + " d" + std::to_string(a->plugin.data.size()) +
           (a->closed ? " closed" : "") + "\n";
  }
  return out;
}

// Steps that change art in every way a step can, on a document of a group holding two
// paths and a loose path: undo brings back the dump from before the step, redo the one
// from after it, twice over.
TEST(DocumentCore, UndoAndRedoPutBackEveryArtAStepChangedOrMade) {
  struct Case {
    const char* name;
    void (*step)(Document& doc, Art* group, Art* first, Art* second);
  };
  const Case cases[] = {
      {"new art inside a group",
       [](Document& d, Art* g, Art*, Art*) {
         Art* a = nullptr;
         d.NewArt(host::kPathArt, host::kPlaceInsideOnTop, g, &a);
         a->segments.push_back({{7, 7}, {7, 7}, {7, 7}, 1});
       }},
      // One member of existing art each, so that a member undo would not compare shows.
      {"segments",
       [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->segments[0].anchor.h = 42; }},
      {"closed", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->closed = !a->closed; }},
      {"style", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->style.fillPaint = 0; }},
      {"opacity", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->blend.opacity = 0.5f; }},
      {"text", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->text.bytes = "abc"; }},
      {"pixels",
       [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->raster.pixels.assign(12, 1); }},
      {"mesh", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->mesh.nodes.resize(4); }},
      {"plug-in data",
       [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->plugin.data.assign(3, 2); }},
      {"id", [](Document& d, Art*, Art* a, Art*) { d.Changing(), a->id = "named"; }},
      {"selection", [](Document& d, Art*, Art* a, Art*) { d.Changing(), d.Select(a, true); }},
      {"disposed art", [](Document& d, Art*, Art* first, Art*) { d.Dispose(first); }},
      {"a group moved with what it holds",
       [](Document& d, Art* g, Art*, Art*) {
         d.ChangingTree(g);
         hostsim::TransformArtGeometry(g, {1, 0, 0, 1, 5, 5}, 1, host::kTransformObjects);
       }},
      {"one art named", [](Document& d, Art*, Art* a, Art*) { d.Changing(a), a->closed = true; }},
      {"art by art, then every art",
       [](Document& d, Art* g, Art* first, Art* second) {
         Art* a = nullptr;
         d.NewArt(host::kPathArt, host::kPlaceInsideOnTop, g, &a);
         d.Changing(second), second->id = "kept";
         d.Changing(), first->closed = true, second->closed = true;
       }},
      {"art made, moved and disposed in one step",
       [](Document& d, Art* g, Art* first, Art* second) {
         Art* copy = nullptr;
         d.Duplicate(first, host::kPlaceAboveAll, nullptr, &copy);
         d.Detach(second);
         d.Insert(second, host::kPlaceAboveAll, nullptr);
         Art* gone = nullptr;
         d.NewArt(host::kGroupArt, host::kPlaceInsideOnBottom, g, &gone);
         d.Dispose(gone);
         d.Select(copy, true);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Document doc(nullptr);
    Art *group = nullptr, *first = nullptr, *second = nullptr;
    ASSERT_EQ(doc.NewArt(host::kGroupArt, host::kPlaceAboveAll, nullptr, &group), host::kNoErr);
    for (Art** path : {&first, &second}) {
      ASSERT_EQ(doc.NewArt(host::kPathArt, host::kPlaceInsideOnBottom, group, path), host::kNoErr);
      (*path)->segments.push_back({{1, 2}, {1, 2}, {1, 2}, 1});
    }
    doc.Create(host::kPathArt);
    doc.BeginUndoStep();
    const std::string before = Dump(doc);
    c.step(doc, group, first, second);
    doc.BeginUndoStep();
    const std::string after = Dump(doc);
    ASSERT_NE(before, after);
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(doc.Undo());
      EXPECT_EQ(Dump(doc), before);
      ASSERT_TRUE(doc.Redo());
      EXPECT_EQ(Dump(doc), after);
    }
  }
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
