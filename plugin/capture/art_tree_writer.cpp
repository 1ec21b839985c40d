#include "capture/art_tree_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "artformat/art_objects.h"
#include "capture/capture_context.h"
#include "capture/conversions.h"
#include "capture/path_writer.h"
#include "capture/raster_mesh_writer.h"
#include "capture/text_writer.h"
#include "capture/thumbnail.h"
#include "database/art_stream.h"
#include "database/busy.h"
#include "database/record.h"
#include "database/record_time.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "geometry/curve_geometry.h"

namespace velm {

namespace {

bool Selected(host::ArtHandle art) {
  std::int32_t attributes = 0;
  return sArt->GetArtUserAttr(art, host::kArtSelected, &attributes) == host::kNoErr &&
         (attributes & host::kArtSelected) != 0;
}

// The selected flag while capturing: a flag the host cannot report would leave the art out
// unseen, so it stops the capture.
bool SelectedForCapture(host::ArtHandle art) {
  std::int32_t attributes = 0;
  const host::Err status = sArt->GetArtUserAttr(art, host::kArtSelected, &attributes);
  StopCapture(status);
  return status == host::kNoErr && (attributes & host::kArtSelected) != 0;
}

bool IsGuide(host::ArtHandle path) {
  host::Boolean guide = 0;
  return sPath->GetPathGuide(path, &guide) == host::kNoErr && guide;
}

// ---- Measuring ----

void Union(CaptureBounds* bounds, const host::RealRect& r) {
  if (bounds->left == kNotMeasured && bounds->top == kNotMeasured) {
    *bounds = r;
    return;
  }
  bounds->left = std::min(bounds->left, r.left);
  bounds->top = std::max(bounds->top, r.top);
  bounds->right = std::max(bounds->right, r.right);
  bounds->bottom = std::min(bounds->bottom, r.bottom);
}

void MeasureArt(host::ArtHandle art, CaptureBounds* bounds, bool useHostBounds) {
  std::int32_t type = host::kUnknownArt;
  if (sArt->GetArtType(art, &type) != host::kNoErr) return;
  host::RealRect r{};
  switch (type) {
    case host::kGroupArt:
    case host::kCompoundPathArt: {
      host::ArtHandle child = nullptr;
      if (sArt->GetArtFirstChild(art, &child) != host::kNoErr) return;
      while (child) {
        MeasureArt(child, bounds, useHostBounds);
        if (sArt->GetArtSibling(child, &child) != host::kNoErr) return;
      }
      return;
    }
    case host::kPathArt:
      if (IsGuide(art) || !Selected(art)) return;
      if (useHostBounds ? sArt->GetArtBounds(art, &r) == host::kNoErr : ExactPathBounds(art, &r))
        Union(bounds, r);
      return;
    case host::kTextArt:
    case host::kRasterArt:
    case host::kPluginArt:
    case host::kMeshArt:
      if (Selected(art) && sArt->GetArtBounds(art, &r) == host::kNoErr) Union(bounds, r);
      return;
    default:
      return;
  }
}

// ---- Transparency of groups ----

// The stream holds transparency on paths, texts, rasters and meshes only. A group's
// opacity goes down onto the art inside it where that draws the same: art that draws as
// one piece, or pieces whose painted bounds do not meet. A compound path always carries
// its own down onto its paths: the host draws a compound path with its topmost path's
// paint and transparency.

host::Real OpacityOf(host::ArtHandle art) {
  host::Real opacity = 1.0f;
  if (sBlendStyle->GetOpacity(art, &opacity) != host::kNoErr) opacity = 1.0f;
  return opacity;
}

// A path's style: its own, or a compound path's topmost path's. False when unreadable.
bool StyleOf(host::ArtHandle art, std::int32_t type, host::PathStyle* style) {
  if (type == host::kCompoundPathArt && (sArt->GetArtFirstChild(art, &art) != host::kNoErr || !art))
    return false;
  return sPathStyle->GetPathStyle(art, style) == host::kNoErr;
}

// The bounds of what the art paints: its host bounds (a stroked path's hold half the
// stroke width), a stroked path's grown as far as joins and caps reach past that: a
// miter join reaches the miter limit times half the width, a square cap under 1.5 times.
bool PaintedBounds(host::ArtHandle art, std::int32_t type, host::RealRect* r) {
  if (sArt->GetArtBounds(art, r) != host::kNoErr) return false;
  host::PathStyle style{};
  if ((type == host::kPathArt || type == host::kCompoundPathArt) && StyleOf(art, type, &style) &&
      style.strokePaint) {
    const host::Real grow =
        style.stroke.width / 2 * (std::max<host::Real>(1.5f, style.stroke.miterLimit) - 1);
    *r = {r->left - grow, r->top + grow, r->right + grow, r->bottom - grow};
  }
  return true;
}

bool Meet(const host::RealRect& a, const host::RealRect& b) {
  return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

// What a child of a group paints: its painted bounds and, for a path that paints only its
// stroke, the boxes that stroke lies within (each piece's control points, grown as far as
// the stroke reaches), so that art inside a frame is not taken to meet the frame.
struct PaintedArea {
  host::RealRect bounds{};
  std::vector<host::RealRect> band;  // empty: all of `bounds` may be painted

  bool Holds(const host::RealRect& box) const {
    if (band.empty()) return Meet(bounds, box);
    for (const host::RealRect& b : band)
      if (Meet(b, box)) return true;
    return false;
  }
  bool Meets(const PaintedArea& other) const {
    if (!Meet(bounds, other.bounds)) return false;
    if (other.band.empty()) return Holds(other.bounds);
    for (const host::RealRect& b : other.band)
      if (Holds(b)) return true;
    return false;
  }
};

// The band of a stroke-only path; false (the whole bounds count) for other art, or for a
// path of more pieces than is worth looking at.
bool StrokeBand(host::ArtHandle path, std::int32_t type, std::vector<host::RealRect>* band) {
  constexpr std::int32_t kMaxPieces = 64;
  host::PathStyle style{};
  std::int32_t n = 0;
  if (type != host::kPathArt || !StyleOf(path, type, &style) || style.fillPaint ||
      !style.strokePaint || sPath->GetPathSegmentCount(path, &n) != host::kNoErr || n < 2 ||
      n > kMaxPieces)
    return false;
  host::PathSegment segments[kMaxPieces];
  if (sPath->GetPathSegments(path, 0, n, segments) != host::kNoErr) return false;
  host::Boolean closed = 0;
  if (sPath->GetPathClosed(path, &closed) != host::kNoErr) return false;
  const host::Real reach =
      style.stroke.width / 2 * std::max<host::Real>(1.5f, style.stroke.miterLimit);
  const std::int32_t pieces = closed ? n : n - 1;
  for (std::int32_t i = 0; i < pieces; ++i) {
    const host::PathSegment& s = segments[i];
    const host::PathSegment& e = segments[(i + 1) % n];
    const host::RealPoint points[] = {s.anchor, s.out, e.in, e.anchor};
    host::RealRect box{points[0].h, points[0].v, points[0].h, points[0].v};
    for (const host::RealPoint& p : points) {
      box.left = std::min(box.left, p.h);
      box.right = std::max(box.right, p.h);
      box.bottom = std::min(box.bottom, p.v);
      box.top = std::max(box.top, p.v);
    }
    band->push_back({box.left - reach, box.top + reach, box.right + reach, box.bottom - reach});
  }
  return true;
}

// Whether an opacity multiplied into every object captured for `art` draws as the opacity
// put on `art` as a whole.
bool CarriesOpacity(host::ArtHandle art, std::int32_t depth) {
  std::int32_t type = host::kUnknownArt;
  if (depth >= kMaxMarkerDepth || sArt->GetArtType(art, &type) != host::kNoErr) return false;
  switch (type) {
    case host::kPathArt: {
      // Styled art draws as several objects (an effect's copy under the path).
      host::ArtHandle styled = nullptr;
      return sArtStyle->GetStyledArt(art, &styled) != host::kNoErr || !styled || styled == art;
    }
    case host::kCompoundPathArt:
    case host::kTextArt:
    case host::kRasterArt:
    case host::kMeshArt:
      return true;
    case host::kGroupArt:
      break;
    default:
      return false;
  }
  // A group: every painted child carries it and no two of them meet. Clipping paths
  // paint nothing and guides are not drawn.
  host::Boolean clipped = 0;
  if (sGroup->GetGroupClipped(art, &clipped) != host::kNoErr) clipped = 0;
  std::vector<PaintedArea> painted;
  host::ArtHandle child = nullptr;
  if (sArt->GetArtFirstChild(art, &child) != host::kNoErr) return false;
  while (child) {
    std::int32_t childType = host::kUnknownArt;
    if (sArt->GetArtType(child, &childType) != host::kNoErr) return false;
    host::PathStyle style{};
    const bool unpainted = (childType == host::kPathArt && IsGuide(child)) ||
                           (clipped && StyleOf(child, childType, &style) && style.clip);
    if (!unpainted) {
      PaintedArea area;
      if (!CarriesOpacity(child, depth + 1) || !PaintedBounds(child, childType, &area.bounds))
        return false;
      if (!StrokeBand(child, childType, &area.band)) area.band.clear();
      for (const PaintedArea& other : painted)
        if (area.Meets(other)) return false;
      painted.push_back(std::move(area));
    }
    if (sArt->GetArtSibling(child, &child) != host::kNoErr) return false;
  }
  return true;
}

// ---- Capturing ----

// Runs `writer` on a fresh zero-filled object buffer of `startSize` bytes (or on `head`,
// already built) and appends the object unless the writer left it unbuilt (type 0). A
// writer returns a host error only when the host failed it (the object cannot be built
// whole); that stops the capture. -1 is a writer's own refusal of art the stream cannot
// hold (memory running out has stopped the capture already): that art is left out.
template <class Writer>
host::Err CaptureObject(host::ArtHandle art, host::RealPoint origin, std::uint32_t startSize,
                        Writer writer, const std::uint8_t* head = nullptr,
                        std::uint32_t headSize = 0) {
  // The first block only in small steps: a block of whole list granules (128 KiB) per
  // object is, once the C library keeps freed blocks of that size, 128 KiB cleared for
  // every path of a few kilobytes. A writer that needs more grows it as before.
  constexpr std::uint32_t kFirstObjectGranule = 8192;
  os::MemHandle object = nullptr;
  if (!GrowObject(object, startSize, kFirstObjectGranule)) return -1;
  if (head) std::memcpy(object, head, headSize);
  const host::Err status = writer(art, object, origin);
  if (status != -1) StopCapture(status);
  std::int32_t type = 0;
  std::memcpy(&type, object, sizeof type);
  if (type != 0 && !CaptureStopped()) AppendObject(object);
  ReleaseBlock(object);
  return CaptureFailure();
}

// Every child of a container, topmost first, at `depth`. The first failure, in a child or
// in walking to the next one, stops the capture and is returned.
host::Err CaptureChildren(host::ArtHandle container, host::RealPoint origin, std::int32_t depth) {
  host::ArtHandle child = nullptr;
  StopCapture(sArt->GetArtFirstChild(container, &child));
  while (child && !CaptureStopped()) {
    PostArtProcess(child, origin, depth);
    if (!CaptureStopped()) StopCapture(sArt->GetArtSibling(child, &child));
  }
  return CaptureFailure();
}

host::Err CaptureGroup(host::ArtHandle group, host::RealPoint origin, std::int32_t depth,
                       bool taken) {
  const bool open = taken && depth > 0 && depth < kMaxMarkerDepth;
  if (open) {
    host::Boolean clipped = 0;
    if (sGroup->GetGroupClipped(group, &clipped) != host::kNoErr) clipped = 0;
    if (!AppendMarker(clipped ? kMarkerClipGroupOpen : kMarkerGroupOpen)) return CaptureFailure();
  }
  const host::Real opacity = OpacityOf(group);
  const bool carried = opacity < 1.0f && CarriesOpacity(group, depth);
  if (opacity < 1.0f && !carried) NoteCaptureLoss(CaptureLoss::kGroupOpacity);
  CarriedOpacityScope scope(carried ? opacity : 1.0f);
  CaptureChildren(group, origin, depth + 1);
  if (open) AppendMarker(kMarkerGroupClose);
  return CaptureFailure();
}

host::Err CaptureCompoundPath(host::ArtHandle compound, host::RealPoint origin, std::int32_t depth,
                              bool taken) {
  const bool open = taken && depth < kMaxMarkerDepth;
  if (open && !AppendMarker(kMarkerCompoundOpen)) return CaptureFailure();
  CarriedOpacityScope scope(OpacityOf(compound));
  CaptureChildren(compound, origin, depth + 1);
  if (open) AppendMarker(kMarkerCompoundClose);
  return CaptureFailure();
}

host::Err CapturePath(host::ArtHandle path, host::RealPoint origin, std::int32_t depth,
                      bool taken) {
  if (IsGuide(path) || !taken) return host::kNoErr;
  // Art whose appearance is generated (an effect) is captured as the art the host draws,
  // but only at full opacity. Below the marker depth limit only, so that a host whose
  // styled art nests without end cannot exhaust the stack. When the styled art or the
  // opacity cannot be read, the path itself is captured.
  host::ArtHandle styled = nullptr;
  host::Real opacity = 0.0f;
  host::Err status = sArtStyle->GetStyledArt(path, &styled);
  if (status == host::kNoErr) status = sBlendStyle->GetOpacity(path, &opacity);
  if (status == host::kNoErr && opacity == 1.0f && styled && styled != path &&
      depth < kMaxMarkerDepth) {
    CaptureAllScope all;
    if (AppendMarker(kMarkerStyledOpen)) {
      PostArtProcess(styled, origin, depth + 1);
      AppendMarker(kMarkerStyledClose);
    }
    return CaptureFailure();
  }
  return CaptureObject(path, origin, kPathObjectStartSize, PostArtPathProcess);
}

// A mesh object starts with its head (kind and sizes); the mesh writer adds the vertices.
host::Err CaptureMesh(host::ArtHandle mesh, host::RealPoint origin) {
  MeshObject head;
  std::memset(static_cast<void*>(&head), 0, sizeof head);
  head.header.type = static_cast<std::int32_t>(ObjectType::MeshObject);
  head.header.length = static_cast<std::int32_t>(sizeof head);
  host::Err status = sMesh->GetMeshKind(mesh, &head.meshKind);
  if (status == host::kNoErr) status = sMesh->GetMeshSize(mesh, &head.iSize, &head.jSize);
  StopCapture(status);
  if (status != host::kNoErr) return status;
  return CaptureObject(mesh, origin, kMeshObjectHeadSize, PostArtMeshProcess,
                       reinterpret_cast<const std::uint8_t*>(&head), sizeof head);
}

host::Err CapturePluginArt(host::ArtHandle art, host::RealPoint origin, std::int32_t depth,
                           bool taken) {
  if (!taken || depth >= kMaxMarkerDepth) return host::kNoErr;
  CaptureAllScope all;
  host::ArtHandle result = nullptr;
  StopCapture(sPluginGroup->GetPluginArtResultArt(art, &result));
  if (!CaptureStopped() && result) PostArtProcess(result, origin, depth);
  return CaptureFailure();
}

}  // namespace

bool ExactPathBounds(host::ArtHandle path, host::RealRect* bounds) {
  std::int32_t n = 0;
  if (sPath->GetPathSegmentCount(path, &n) != host::kNoErr || n <= 0) return false;
  host::Boolean closed = 0;
  if (sPath->GetPathClosed(path, &closed) != host::kNoErr) closed = 0;
  const BezierEntry(&table)[65] = gGlobals->BezierTable;

  double left = 0, top = 0, right = 0, bottom = 0;
  auto extend = [&](double h, double v) {
    left = std::min(left, h);
    right = std::max(right, h);
    bottom = std::min(bottom, v);
    top = std::max(top, v);
  };
  auto piece = [&](const host::PathSegment& s, const host::PathSegment& e) {
    const bool straight = s.anchor.h == s.out.h && s.anchor.v == s.out.v && e.in.h == e.anchor.h &&
                          e.in.v == e.anchor.v;
    if (straight) {
      extend(s.anchor.h, s.anchor.v);
      extend(e.anchor.h, e.anchor.v);
      return;
    }
    // B(t) for t = k / 64, k = 0 … 63; the end point is the next piece's start.
    for (int k = 0; k < 64; ++k) {
      const GeomPoint p = PiecePoint(s, e, k, table);
      extend(p.x, p.y);
    }
  };

  constexpr std::int32_t kChunk = 64;
  host::PathSegment chunk[kChunk];
  host::PathSegment first{};
  host::PathSegment previous{};
  for (std::int32_t i = 0; i < n; i += kChunk) {
    const std::int32_t count = std::min(kChunk, n - i);
    if (sPath->GetPathSegments(path, i, count, chunk) != host::kNoErr) return false;
    for (std::int32_t j = 0; j < count; ++j) {
      if (i + j == 0) {
        first = chunk[0];
        left = right = first.anchor.h;
        top = bottom = first.anchor.v;
      } else {
        piece(previous, chunk[j]);
      }
      previous = chunk[j];
    }
  }
  if (closed)
    piece(previous, first);
  else
    extend(previous.anchor.h, previous.anchor.v);  // an open path's last anchor is its own
  *bounds = {static_cast<host::Real>(left), static_cast<host::Real>(top),
             static_cast<host::Real>(right), static_cast<host::Real>(bottom)};
  return true;
}

void MeasureSelection(CaptureBounds* bounds, bool useHostBounds) {
  *bounds = {kNotMeasured, kNotMeasured, kNotMeasured, kNotMeasured};
  std::int32_t layers = 0;
  if (sLayer->CountLayers(&layers) != host::kNoErr) return;
  for (std::int32_t i = 0; i < layers; ++i) {
    host::LayerHandle layer = nullptr;
    host::ArtHandle art = nullptr;
    if (sLayer->GetNthLayer(i, &layer) != host::kNoErr ||
        sArt->GetFirstArtOfLayer(layer, &art) != host::kNoErr)
      return;
    MeasureArt(art, bounds, useHostBounds);
  }
}

host::Err PostArtProcess(host::ArtHandle art, host::RealPoint origin, std::int32_t depth) {
  Trace("PostArtProcess_START\r\n");
  if (CaptureStopped()) return CaptureFailure();
  AdvanceBusyCursor();
  std::int32_t type = host::kUnknownArt;
  host::Err status = sArt->GetArtType(art, &type);
  StopCapture(status);
  if (status != host::kNoErr) {
    Trace("PostArtProcess_END\r\n");
    return status;
  }
  const bool selected = SelectedForCapture(art);
  const bool taken = selected || gGlobals->captureAll;

  switch (type) {
    case host::kGroupArt:
      CaptureGroup(art, origin, depth, taken);
      break;
    case host::kPathArt:
      CapturePath(art, origin, depth, taken);
      break;
    case host::kCompoundPathArt:
      CaptureCompoundPath(art, origin, depth, taken);
      break;
    case host::kTextArt:
      if (taken) CaptureObject(art, origin, kTextObjectStartSize, PostArtTextProcess);
      break;
    case host::kRasterArt:
      // Rasters inside styled art, pattern definitions and plug-in art are left out.
      if (selected && !gGlobals->captureAll)
        CaptureObject(art, origin, kRasterObjectStartSize, PostArtRasterProcess);
      break;
    case host::kPluginArt:
      CapturePluginArt(art, origin, depth, taken);
      break;
    case host::kMeshArt:
      if (taken) CaptureMesh(art, origin);
      break;
    default:  // placed art, text paths and runs, unknown types
      break;
  }
  Trace("PostArtProcess_END\r\n");
  return CaptureFailure();
}

host::Err VelmPostArt() {
  Trace("VelmPostArt_START\r\n");
  Globals* g = gGlobals;
  CaptureBounds hostBounds;
  MeasureSelection(&hostBounds, true);
  os::MemHandle thumbnail = BuildThumbnail(hostBounds);
  CaptureBounds bounds;
  MeasureSelection(&bounds, false);
  const host::RealPoint origin{bounds.left, bounds.bottom};

  ReleaseBlock(g->currentRecord);
  g->currentRecordIndex = -1;
  ReleaseBlock(g->scratchRecord);
  if (thumbnail) {
    g->currentRecord = NewEmptyRecord();
    g->scratchRecord = NewEmptyRecord();
  }
  if (!g->currentRecord || !g->scratchRecord) {
    ReleaseBlock(thumbnail);
    ReleaseBlock(g->currentRecord);
    ReleaseBlock(g->scratchRecord);
    Trace("VelmPostArt_END\r\n");
    return -1;
  }
  std::memcpy(g->currentRecord + kThumbnailOffset, thumbnail, kThumbnailSize);
  ReleaseBlock(thumbnail);

  Record* header = RecordHeader(g->currentRecord);
  header->bounds = {ConvertReal(0.0f), ConvertReal(bounds.top - bounds.bottom),
                    ConvertReal(bounds.right - bounds.left), ConvertReal(0.0f)};
  header->created = header->modified = CurrentRecordTime();

  // The first failure in any layer stops the capture: a record that lacks art the host
  // could not give is not stored.
  BeginCapture();
  std::int32_t layers = 0;
  StopCapture(sLayer->CountLayers(&layers));
  for (std::int32_t i = 0; i < layers && !CaptureStopped(); ++i) {
    host::LayerHandle layer = nullptr;
    host::ArtHandle art = nullptr;
    StopCapture(sLayer->GetNthLayer(i, &layer));
    if (!CaptureStopped()) StopCapture(sArt->GetFirstArtOfLayer(layer, &art));
    if (!CaptureStopped()) PostArtProcess(art, origin, 0);
  }

  // The pattern definitions follow all the art that uses them.
  if (!CaptureStopped()) {
    ObjectIndex definitions;
    if (!definitions.Build(g->scratchRecord)) StopCapture();
    for (std::int32_t i = 0; i < definitions.count() && !CaptureStopped(); ++i)
      AppendObject(definitions.Object(i));
  }
  ReleaseBlock(g->scratchRecord);
  EndCapture();
  const host::Err result = CaptureFailure();
  if (result != host::kNoErr) ReleaseBlock(g->currentRecord);
  Trace("VelmPostArt_END\r\n");
  return result;
}

}  // namespace velm
