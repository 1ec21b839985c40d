#include "capture/thumbnail.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "database/busy.h"
#include "database/record.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "platform/memory.h"

namespace velm {

namespace {

// The draw list: a 32-bit count, then the handles from byte 8 on.
constexpr std::uint32_t kDrawListHead = 8;

std::int32_t DrawCount(os::MemHandle list) {
  std::int32_t count = 0;
  std::memcpy(&count, list, sizeof count);
  return count;
}

host::ArtHandle DrawEntry(os::MemHandle list, std::int32_t index) {
  host::ArtHandle art = nullptr;
  std::memcpy(&art, list + kDrawListHead + sizeof art * static_cast<std::uint32_t>(index),
              sizeof art);
  return art;
}

host::Err AddToDrawList(os::MemHandle& list, host::ArtHandle art) {
  const std::int32_t count = list ? DrawCount(list) : 0;
  const std::uint64_t size = kDrawListHead + sizeof art * (static_cast<std::uint64_t>(count) + 1);
  if (size > 0x7FFFFFFF || !GrowBlock(list, static_cast<std::uint32_t>(size), kListGranule))
    return -1;
  std::memcpy(list + kDrawListHead + sizeof art * static_cast<std::uint32_t>(count), &art,
              sizeof art);
  const std::int32_t next = count + 1;
  std::memcpy(list, &next, sizeof next);
  return host::kNoErr;
}

bool Selected(host::ArtHandle art) {
  std::int32_t attributes = 0;
  return sArt->GetArtUserAttr(art, host::kArtSelected, &attributes) == host::kNoErr &&
         (attributes & host::kArtSelected) != 0;
}

host::Err CollectChildren(host::ArtHandle container, os::MemHandle& list, std::int32_t depth) {
  host::ArtHandle child = nullptr;
  host::Err status = sArt->GetArtFirstChild(container, &child);
  while (status == host::kNoErr && child) {
    status = CreatePictImageProcess(child, list, depth);
    if (status == -1) return status;
    status = sArt->GetArtSibling(child, &child);
  }
  return status;
}

// The drawing surface the memory context is made like: the host application window's
// top child's child (the document area), else the nearest window there is, else the screen.
struct ReferenceContext {
  gui::WindowHandle window = nullptr;
  gui::ContextHandle context = nullptr;

  ReferenceContext() {
    host::WindowRef app = nullptr;
    if (sContext->GetPlatformAppWindow(&app) != host::kNoErr) app = nullptr;
    gui::WindowHandle top = app ? gui::TopChildWindow(app) : nullptr;
    gui::WindowHandle child = top ? gui::TopChildWindow(top) : nullptr;
    window = child ? child : top ? top : app;
    context = gui::GetWindowContext(window);
    if (!context && window) {
      window = nullptr;
      context = gui::GetWindowContext(nullptr);
    }
  }
  ~ReferenceContext() {
    if (context) gui::ReleaseWindowContext(window, context);
  }
  ReferenceContext(const ReferenceContext&) = delete;
  ReferenceContext& operator=(const ReferenceContext&) = delete;
};

void FillWhite(std::uint8_t* thumbnail) {
  const std::uint32_t white = PackPixel(255, 255, 255);
  for (std::uint32_t i = 0; i < kThumbnailSize; i += 4)
    std::memcpy(thumbnail + i, &white, 4);
}

// Draws the collected art into a new offscreen image; null when the host has none to give.
host::ImageRef DrawImage(os::MemHandle list, const CaptureBounds& bounds) {
  // The scale that makes the larger side 128 pixels, and the top-left corner of the square
  // of that side that holds the art centred.
  const host::Real width = std::fabs(bounds.right - bounds.left);
  const host::Real height = std::fabs(bounds.top - bounds.bottom);
  const host::Real sx = std::fabs(128.0f / (bounds.right - bounds.left));
  const host::Real sy = std::fabs(128.0f / (bounds.top - bounds.bottom));
  const host::Real scale = sx < sy ? sx : sy;
  host::RealPoint origin{bounds.left, bounds.top};
  if (height > width) origin.h -= (height - width) / 2;
  if (height < width) origin.v += (width - height) / 2;

  host::ImageRef image = sAdmImage->Create(kDrawSide, kDrawSide);
  if (!image) return nullptr;
  host::DrawerRef drawer = sAdmImage->BeginDrawer(image);
  if (!drawer) {
    sAdmImage->Destroy(image);
    return nullptr;
  }
  const host::Rect square{0, 0, kDrawSide, kDrawSide};
  const host::AdmRgbColor white{65535, 65535, 65535};
  sAdmDrawer->SetRGBColor(drawer, &white);
  sAdmDrawer->FillRect(drawer, &square);

  // A selection without extent (a point) has no scale to draw it at.
  if (std::isfinite(scale) && list) {
    const host::GraphicsPortRef port = sAdmDrawer->GetGraphicsPort(drawer);
    host::RealMatrix matrix;
    const host::Real drawScale = sRealMath->RealMul(2.0f, scale);
    sRealMath->RealMatrixSetScale(&matrix, drawScale, drawScale);
    // Bottom art first, so that the art on top is drawn last.
    for (std::int32_t i = DrawCount(list) - 1; i >= 0; --i) {
      AdvanceBusyCursor();
      host::DrawArtData data;
      std::memset(static_cast<void*>(&data), 0, sizeof data);
      data.version = host::kDrawArtVersion;
      data.flags = 0xF;
      data.output = host::kDrawArtToPort;
      data.origin = origin;
      data.matrix = matrix;
      data.art = DrawEntry(list, i);
      data.greekThreshold = 10.0f;
      data.selectionColor = {0, 0x4F00, 0x8000, 0xFF00};
      data.port = port;
      data.portRect = square;
      sDrawArt->DrawArt(&data);  // an art that fails to draw is left out
    }
  }
  sAdmImage->EndDrawer(image);
  return image;
}

}  // namespace

std::uint32_t PackPixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  red &= 0xFF;
  green &= 0xFF;
  blue &= 0xFF;
  if constexpr (std::endian::native == std::endian::little)
    return (red << 8) | (green << 16) | (blue << 24);
  else
    return (red << 16) | (green << 8) | blue;
}

host::Err CreatePictImageProcess(host::ArtHandle art, os::MemHandle& list, std::int32_t depth) {
  std::int32_t type = host::kUnknownArt;
  host::Err status = sArt->GetArtType(art, &type);
  if (status != host::kNoErr) return status;
  switch (type) {
    case host::kGroupArt: {
      host::Boolean clipped = 0;
      if (depth >= 1 && Selected(art) && sGroup->GetGroupClipped(art, &clipped) == host::kNoErr &&
          clipped)
        return AddToDrawList(list, art);
      return CollectChildren(art, list, depth + 1);
    }
    case host::kPathArt: {
      host::Boolean guide = 0;
      if (sPath->GetPathGuide(art, &guide) != host::kNoErr) guide = 0;
      return !guide && Selected(art) ? AddToDrawList(list, art) : host::kNoErr;
    }
    case host::kCompoundPathArt:
      if (Selected(art)) return AddToDrawList(list, art);
      return CollectChildren(art, list, depth + 1);
    case host::kTextArt:
    case host::kRasterArt:
    case host::kPluginArt:
    case host::kMeshArt:
      return Selected(art) ? AddToDrawList(list, art) : host::kNoErr;
    default:
      return host::kNoErr;
  }
}

void ReduceToThumbnail(gui::ContextHandle context, std::uint8_t* thumbnail, bool readAtOnce) {
  os::MemHandle pixels = nullptr;
  const std::uint32_t bytes = sizeof(gui::ColorRef) * kDrawSide * kDrawSide;
  if (readAtOnce && GrowBlock(pixels, bytes, kListGranule) &&
      !gui::ReadPixels(context, 0, 0, kDrawSide, kDrawSide,
                       reinterpret_cast<gui::ColorRef*>(pixels)))
    ReleaseBlock(pixels);
  auto pixel = [&](std::int32_t x, std::int32_t y) {
    if (!pixels) return gui::GetPixel(context, x, y);
    gui::ColorRef c;
    std::memcpy(&c, pixels + sizeof c * static_cast<std::uint32_t>(y * kDrawSide + x), sizeof c);
    return c;
  };
  for (std::int32_t r = 0; r < kThumbnailSide; ++r) {
    for (std::int32_t c = 0; c < kThumbnailSide; ++c) {
      std::uint16_t red = 0, green = 0, blue = 0;
      for (std::int32_t j = 0; j < 2; ++j) {
        for (std::int32_t i = 0; i < 2; ++i) {
          const gui::ColorRef color = pixel(2 * c + i, 2 * r + j);
          red = static_cast<std::uint16_t>(red + gui::RedOf(color));
          green = static_cast<std::uint16_t>(green + gui::GreenOf(color));
          blue = static_cast<std::uint16_t>(blue + gui::BlueOf(color));
        }
      }
      const std::uint32_t packed = PackPixel(red / 4u, green / 4u, blue / 4u);
      std::memcpy(thumbnail + 4 * (r * kThumbnailSide + c), &packed, 4);
    }
  }
  ReleaseBlock(pixels);
}

os::MemHandle BuildThumbnail(const CaptureBounds& bounds) {
  Trace("BuildThumbnail_START\r\n");
  os::MemHandle thumbnail = nullptr;
  if (!GrowBlock(thumbnail, kThumbnailSize, kListGranule)) return nullptr;

  // The art to draw, from every layer.
  os::MemHandle list = nullptr;
  if (!GrowBlock(list, kDrawListHead, kListGranule)) {
    ReleaseBlock(thumbnail);
    return nullptr;
  }
  std::int32_t layers = 0;
  if (sLayer->CountLayers(&layers) != host::kNoErr) layers = 0;
  for (std::int32_t i = 0; i < layers; ++i) {
    host::LayerHandle layer = nullptr;
    host::ArtHandle art = nullptr;
    if (sLayer->GetNthLayer(i, &layer) != host::kNoErr) break;
    if (sArt->GetFirstArtOfLayer(layer, &art) != host::kNoErr) continue;
    if (CreatePictImageProcess(art, list, 0) == -1) {
      ReleaseBlock(list);
      ReleaseBlock(thumbnail);
      return nullptr;
    }
  }

  host::ImageRef image = DrawImage(list, bounds);
  ReleaseBlock(list);
  ReferenceContext reference;
  gui::ContextHandle memory = nullptr;
  gui::ObjectHandle bitmap = nullptr;
  gui::ObjectHandle previous = nullptr;
  if (image && reference.context) {
    memory = gui::CreateMemoryContext(reference.context);
    bitmap = memory ? gui::CreateBitmap(reference.context, kDrawSide, kDrawSide) : nullptr;
    previous = bitmap ? gui::Select(memory, bitmap) : nullptr;
  }
  if (previous) {
    const host::Rect square{0, 0, kDrawSide, kDrawSide};
    if (host::DrawerRef drawer = sAdmDrawer->Create(memory, &square)) {
      const host::Point corner{0, 0};
      sAdmDrawer->DrawImage(drawer, image, &corner);
      sAdmDrawer->Destroy(drawer);
      ReduceToThumbnail(memory, thumbnail, true);
    } else {
      FillWhite(thumbnail);
    }
    gui::Select(memory, previous);
  } else {
    FillWhite(thumbnail);  // nothing could be drawn
  }
  if (bitmap) gui::DeleteObject(bitmap);
  if (memory) gui::DeleteContext(memory);
  if (image) sAdmImage->Destroy(image);
  Trace("BuildThumbnail_END\r\n");
  return thumbnail;
}

}  // namespace velm
