#include "gui_controller.h"
#include "gui_controller_p.h"

#include "placement/preview.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "hostsim/drawing/text_layout.h"
#include "hostsim/scene/scene.h"
#include "platform/sjis_forms.h"

namespace velmgui {

std::vector<hostsim::Art*> ArtAt(hostsim::Document& doc, host::RealPoint p) {
  return LayerArt(doc, [&](const host::RealRect& b) { return Meets(b, p.h, p.v, p.h, p.v); });
}

std::vector<hostsim::Art*> ArtTouching(hostsim::Document& doc, host::RealPoint a,
                                       host::RealPoint b) {
  const double l = std::min(a.h, b.h), r = std::max(a.h, b.h);
  const double bottom = std::min(a.v, b.v), t = std::max(a.v, b.v);
  return LayerArt(doc,
                  [&](const host::RealRect& bounds) { return Meets(bounds, l, t, r, bottom); });
}

std::string DropLastSjisChar(const std::string& sjis) {
  std::size_t i = 0, last = 0;
  while (i < sjis.size()) {
    last = i;
    i += IsLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
  }
  return sjis.substr(0, sjis.empty() ? 0 : last);
}

Controller::Controller(velmsession::PluginSession& session, std::string savePath)
    : session_(&session) {
  if (!savePath.empty()) {
    source_.path = std::move(savePath);
    source_.format = FormatOf(source_.path);
    source_.confirmed = false;
  }
  ResetBaseline();
}

std::string Controller::TakeStatus() {
  if (!status_.empty()) {
    message_ = status_;
    messageIsError_ = statusIsError_;
    needsRepaint_ = true;
  }
  statusIsError_ = false;
  return std::exchange(status_, {});
}

void Controller::Beep(const std::string& why) {
  host().Beep();
  status_ = why;
  statusIsError_ = true;
}

bool Controller::InDocumentWindow(host::Point p) {
  const hostsim::Window* w = host().desktop().documentWindow();
  return w && host().document() && !host().document()->views().empty() && Inside(w->client, p) &&
         !host().dialogs().FloatingAt(p);
}

host::RealPoint Controller::ToArtwork(host::Point screen) {
  const hostsim::View& view = *host().document()->views().front();
  const host::Rect& c = host().desktop().documentWindow()->client;
  return {static_cast<host::Real>(view.origin.h + (screen.h - c.left) / view.zoom),
          static_cast<host::Real>(view.origin.v - (screen.v - c.top) / view.zoom)};
}

namespace {

constexpr std::uint32_t kSelectionColour = 0x2F6FE0;

// The anchor points of `art`'s paths and of those inside it, each as a small square.
void DrawAnchors(hostsim::Bitmap& screen, const hostsim::Art* art, const hostsim::View& view,
                 const host::Rect& clip) {
  for (const host::PathSegment& segment : art->segments) {
    const host::Point v = view.ToView(segment.anchor);
    const host::Rect r{clip.left + v.h - 2, clip.top + v.v - 2, clip.left + v.h + 2,
                       clip.top + v.v + 2};
    if (r.left >= clip.left && r.top >= clip.top && r.right <= clip.right &&
        r.bottom <= clip.bottom)
      screen.Fill(r, kSelectionColour);
  }
  for (const hostsim::Art* child : art->children)
    DrawAnchors(screen, child, view, clip);
}

}  // namespace

void Controller::DrawSelection() {
  hostsim::Document* doc = host().document();
  const hostsim::Window* window = host().desktop().documentWindow();
  if (!doc || doc->views().empty() || !window) return;
  const hostsim::View& view = *doc->views().front();
  const host::Rect& clip = window->client;
  // Selected art at the top of each visible layer: its bounding box, and its anchor points,
  // as a vector editor shows a selection.
  for (hostsim::Layer* layer : doc->layers()) {
    if (!layer->visible) continue;
    for (hostsim::Art* art : layer->group->children) {
      host::RealRect b{};
      if (!art->alive || !(art->attributes & host::kArtSelected) ||
          !hostsim::ArtBounds(*doc, art, &b))
        continue;
      const host::Point a = view.ToView({b.left, b.top}), c = view.ToView({b.right, b.bottom});
      host::Rect r{clip.left + std::min(a.h, c.h), clip.top + std::min(a.v, c.v),
                   clip.left + std::max(a.h, c.h) + 1, clip.top + std::max(a.v, c.v) + 1};
      r = {std::max(r.left, clip.left), std::max(r.top, clip.top), std::min(r.right, clip.right),
           std::min(r.bottom, clip.bottom)};
      if (r.left < r.right && r.top < r.bottom) Outline(screen(), r, kSelectionColour);
      DrawAnchors(screen(), art, view, clip);
    }
  }
}

void Controller::SelectionChanged() {
  host().Notify(kSelectionChanged);
  needsRepaint_ = true;
}

}  // namespace velmgui
