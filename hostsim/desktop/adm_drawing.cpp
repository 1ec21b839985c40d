#include "hostsim/desktop/adm_drawing.h"

#include <algorithm>
#include <vector>

#include "hostsim/core/module_loader.h"
#include "hostsim/core/suite_impl.h"
#include "hostsim/drawing/text_layout.h"

namespace hostsim {
namespace {
// Defined with DrawerFrom below.
void TakePlatformDrawing(Drawer* d);

using namespace impl;

constexpr int kMaxImageSide = 4096;
// The dialog font: IPA P-Gothic stands in for "ＭＳ Ｐゴシック" 9 point (12 pixels).
constexpr double kDialogFontSize = 12;

Desktop& D() {
  return H().desktop();
}

bool DrawerFails(const char* op) {
  return Check<host::AdmDrawerSuite>(op) != host::kNoErr;
}
bool ImageFails(const char* op) {
  return Check<host::AdmImageSuite>(op) != host::kNoErr;
}

void SetUpDialogFont(cairo_t* cr) {
  PrepareFonts();
  cairo_select_font_face(cr, "IPAPGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kDialogFontSize);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

// ---- ADM Drawer Suite ----

host::GraphicsPortRef VELM_HOSTCALL GetGraphicsPort(host::DrawerRef ref) {
  if (DrawerFails("GetGraphicsPort")) return nullptr;
  Drawer* d = DrawerFrom(ref);
  return d ? reinterpret_cast<host::GraphicsPortRef>(d->context) : nullptr;
}

host::PortRef VELM_HOSTCALL GetPlatformPort(host::DrawerRef ref) {
  if (DrawerFails("GetPlatformPort")) return nullptr;
  Drawer* d = DrawerFrom(ref);
  if (!d) return nullptr;
  const ForeignPorts* foreign = ModuleForeignPorts();
  if (!foreign) return d->context;
  // The module draws through its own window system: a context of it, holding what the
  // drawer's area shows now.
  const DeviceContext& dc = *d->context;
  const std::int32_t width = dc.clip.right - dc.origin.h, height = dc.clip.bottom - dc.origin.v;
  if (width <= 0 || height <= 0 || !dc.target) return nullptr;
  if (!d->platformPort) d->platformPort = foreign->create(width, height);
  if (!d->platformPort) return nullptr;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      if (dc.target->Contains(dc.origin.h + x, dc.origin.v + y))
        pixels[static_cast<std::size_t>(y * width + x)] =
            dc.target->Pixel(dc.origin.h + x, dc.origin.v + y);
  foreign->write(d->platformPort, width, height, pixels.data());
  d->platformPortAhead = true;
  return d->platformPort;
}

void VELM_HOSTCALL SetRGBColor(host::DrawerRef ref, const host::AdmRgbColor* color) {
  if (DrawerFails("SetRGBColor")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d || !color) return;
  d->color = (static_cast<std::uint32_t>(color->red >> 8) << 16) |
             (static_cast<std::uint32_t>(color->green >> 8) << 8) | (color->blue >> 8);
}

void VELM_HOSTCALL SetColor(host::DrawerRef ref, std::int32_t color) {
  if (DrawerFails("SetColor")) return;
  if (Drawer* d = DrawerFrom(ref)) d->color = AdmPaletteColor(color);
}

void VELM_HOSTCALL FillRect(host::DrawerRef ref, const host::Rect* rect) {
  if (DrawerFails("FillRect")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d || !rect) return;
  for (int y = rect->top; y < rect->bottom; ++y)
    for (int x = rect->left; x < rect->right; ++x)
      D().SetPixel(d->context, x, y, d->color);
}

void VELM_HOSTCALL DrawRect(host::DrawerRef ref, const host::Rect* rect) {
  if (DrawerFails("DrawRect")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d || !rect || rect->right <= rect->left || rect->bottom <= rect->top) return;
  for (int x = rect->left; x < rect->right; ++x) {
    D().SetPixel(d->context, x, rect->top, d->color);
    D().SetPixel(d->context, x, rect->bottom - 1, d->color);
  }
  for (int y = rect->top; y < rect->bottom; ++y) {
    D().SetPixel(d->context, rect->left, y, d->color);
    D().SetPixel(d->context, rect->right - 1, y, d->color);
  }
}

void VELM_HOSTCALL DrawLine(host::DrawerRef ref, const host::Point* from, const host::Point* to) {
  if (DrawerFails("DrawLine")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d || !from || !to) return;
  // Both ends included.
  int x = from->h, y = from->v;
  const int dx = std::abs(to->h - x), dy = -std::abs(to->v - y);
  const int sx = x < to->h ? 1 : -1, sy = y < to->v ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    D().SetPixel(d->context, x, y, d->color);
    if (x == to->h && y == to->v) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
}

// Draws `text` (Shift-JIS) on its baseline at `at`, its advances narrowed by `xScale`.
void ShowText(Drawer* d, const char* text, const host::Point* at, double xScale) {
  DeviceContext* dc = d->context;
  dc->target->BeginCairo();
  cairo_t* cr = cairo_create(dc->target->surface());
  cairo_rectangle(cr, dc->clip.left, dc->clip.top, dc->clip.right - dc->clip.left,
                  dc->clip.bottom - dc->clip.top);
  cairo_clip(cr);
  cairo_translate(cr, dc->origin.h, dc->origin.v);
  SetUpDialogFont(cr);
  cairo_set_source_rgb(cr, ((d->color >> 16) & 0xFF) / 255.0, ((d->color >> 8) & 0xFF) / 255.0,
                       (d->color & 0xFF) / 255.0);
  cairo_translate(cr, at->h, at->v);
  cairo_scale(cr, xScale, 1);
  cairo_move_to(cr, 0, 0);
  cairo_show_text(cr, ToUtf8(text).c_str());
  cairo_destroy(cr);
  dc->target->EndCairo();
}

void VELM_HOSTCALL DrawText(host::DrawerRef ref, const char* text, const host::Point* at) {
  if (DrawerFails("DrawText")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d || !text || !at) return;
  ShowText(d, text, at, 1);
}

std::int32_t VELM_HOSTCALL GetTextWidth(host::DrawerRef ref, const char* text) {
  if (DrawerFails("GetTextWidth")) return 0;
  Drawer* d = DrawerFrom(ref);
  if (!d || !text) return 0;
  cairo_t* cr = cairo_create(d->context->target->surface());
  SetUpDialogFont(cr);
  cairo_text_extents_t te;
  cairo_text_extents(cr, ToUtf8(text).c_str(), &te);
  cairo_destroy(cr);
  return static_cast<std::int32_t>(te.x_advance + 0.5);
}

// A drawer on a memory context of the module's own window system (the Windows module's
// GDI under wine), or null when `port` is none.
Drawer* ForeignDrawer(host::PortRef port, const host::Rect& bounds) {
  const ForeignPorts* foreign = ModuleForeignPorts();
  std::int32_t width = 0, height = 0;
  if (!foreign || !port || !foreign->size(port, &width, &height) || width <= 0 || height <= 0)
    return nullptr;
  auto copy = std::make_unique<Bitmap>(width, height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
  if (!foreign->read(port, width, height, pixels.data())) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      copy->SetPixel(x, y,
                     pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)]);
  const host::Rect clip{std::max(0, bounds.left), std::max(0, bounds.top),
                        std::min(width, bounds.right), std::min(height, bounds.bottom)};
  Drawer* drawer = NewDrawer(copy.get(), {0, 0}, clip);
  drawer->foreignPort = port;
  drawer->foreignCopy = std::move(copy);
  return drawer;
}

host::DrawerRef VELM_HOSTCALL Create(host::PortRef port, const host::Rect* bounds) {
  if (DrawerFails("Create")) return nullptr;
  DeviceContext* dc = D().ContextFrom(port);
  if (!dc && bounds) {
    Drawer* foreign = ForeignDrawer(port, *bounds);
    return foreign ? foreign->ref() : nullptr;
  }
  if (!dc || !bounds) return nullptr;
  // The context's coordinates stay the drawer's; only the clip narrows.
  const host::Rect clip{std::max(dc->clip.left, bounds->left + dc->origin.h),
                        std::max(dc->clip.top, bounds->top + dc->origin.v),
                        std::min(dc->clip.right, bounds->right + dc->origin.h),
                        std::min(dc->clip.bottom, bounds->bottom + dc->origin.v)};
  return NewDrawer(dc->target, dc->origin, clip)->ref();
}

void VELM_HOSTCALL Destroy(host::DrawerRef ref) {
  if (DrawerFails("Destroy")) return;
  Drawer* d = DrawerFrom(ref);
  if (!d) return;
  for (const auto& image : D().images())
    if (image->drawer == d) return;  // an image's drawer ends with EndDrawer
  DeleteDrawer(d);
}

void VELM_HOSTCALL DrawImage(host::DrawerRef ref, host::ImageRef imageRef, const host::Point* at) {
  if (DrawerFails("DrawImage")) return;
  Drawer* d = DrawerFrom(ref);
  AdmImage* image = ImageFrom(imageRef);
  if (!d || !image || !at) return;
  const Bitmap& b = *image->bitmap;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      D().SetPixel(d->context, at->h + x, at->v + y, b.Pixel(x, y));
}

// ---- ADM Image Suite ----

host::ImageRef VELM_HOSTCALL CreateImage(std::int32_t width, std::int32_t height) {
  if (ImageFails("Create")) return nullptr;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return nullptr;
  auto image = std::make_unique<AdmImage>();
  image->bitmap = std::make_unique<Bitmap>(width, height, 0);
  D().images().push_back(std::move(image));
  return D().images().back()->ref();
}

void VELM_HOSTCALL DestroyImage(host::ImageRef ref) {
  if (ImageFails("Destroy")) return;
  AdmImage* image = ImageFrom(ref);
  if (!image) return;
  if (image->drawer) DeleteDrawer(image->drawer);
  auto& images = D().images();
  images.erase(std::remove_if(images.begin(), images.end(),
                              [image](const auto& p) { return p.get() == image; }),
               images.end());
}

host::DrawerRef VELM_HOSTCALL BeginDrawer(host::ImageRef ref) {
  if (ImageFails("BeginDrawer")) return nullptr;
  AdmImage* image = ImageFrom(ref);
  if (!image || image->drawer) return nullptr;
  Bitmap* b = image->bitmap.get();
  image->drawer = NewDrawer(b, {0, 0}, {0, 0, b->width(), b->height()});
  return image->drawer->ref();
}

void VELM_HOSTCALL EndDrawer(host::ImageRef ref) {
  if (ImageFails("EndDrawer")) return;
  AdmImage* image = ImageFrom(ref);
  if (!image || !image->drawer) return;
  DeleteDrawer(image->drawer);
  image->drawer = nullptr;
}

}  // namespace

void FillDrawerRect(Drawer* drawer, const host::Rect& rect) {
  FillRect(drawer->ref(), &rect);
}

void DrawDialogText(Drawer* drawer, const std::string& sjis, host::Point at) {
  DrawText(drawer->ref(), sjis.c_str(), &at);
}

std::int32_t DialogTextWidth(Drawer* drawer, const std::string& sjis) {
  return GetTextWidth(drawer->ref(), sjis.c_str());
}

void DrawDialogTextFitted(Drawer* drawer, const std::string& sjis, host::Point at,
                          std::int32_t width) {
  const std::int32_t natural = DialogTextWidth(drawer, sjis);
  // The stand-in font runs wider than the host's 9-point dialog font in digits and
  // punctuation: a line the host's font fits is narrowed to fit, never below 3/4.
  const double scale =
      natural > width && width > 0 ? std::max(0.75, static_cast<double>(width) / natural) : 1.0;
  ShowText(drawer, sjis.c_str(), &at, scale);
}

namespace {

bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

std::size_t NextSjisChar(const std::string& sjis, std::size_t at) {
  if (at >= sjis.size()) return sjis.size();
  return at + (IsLeadByte(static_cast<unsigned char>(sjis[at])) && at + 1 < sjis.size() ? 2 : 1);
}

std::size_t PreviousSjisChar(const std::string& sjis, std::size_t at) {
  std::size_t i = 0, last = 0;
  while (i < at && i < sjis.size()) {
    last = i;
    i = NextSjisChar(sjis, i);
  }
  return last;
}

std::vector<TextLine> LayOutDialogText(Drawer* drawer, const std::string& sjis,
                                       std::int32_t width) {
  std::vector<TextLine> lines;
  std::size_t start = 0;
  while (true) {
    // The paragraph up to the next line break.
    std::size_t end = start;
    while (end < sjis.size() && sjis[end] != '\r' && sjis[end] != '\n')
      ++end;
    // Greedy lines: a line too wide breaks after its last blank, else between two
    // characters of which one is double-byte, else (one long word) at the edge.
    std::size_t line = start;
    while (true) {
      std::size_t breakAt = line, i = line;
      bool wrapped = false;
      while (i < end) {
        const std::size_t next = NextSjisChar(sjis, i);
        const bool wide = next - i == 2;
        if (wide && i > line) breakAt = std::max(breakAt, i);
        if (DialogTextWidth(drawer, sjis.substr(line, next - line)) > width && i > line) {
          const std::size_t at = breakAt > line ? breakAt : i;
          lines.push_back({line, at});
          line = at;
          while (line < end && sjis[line] == ' ')
            ++line;
          wrapped = true;
          break;
        }
        if (sjis[i] == ' ' || wide) breakAt = next;
        i = next;
      }
      if (!wrapped) break;
    }
    lines.push_back({line, end});
    if (end >= sjis.size()) break;
    start = end + (sjis[end] == '\r' && end + 1 < sjis.size() && sjis[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

Drawer* NewDrawer(Bitmap* target, host::Point origin, const host::Rect& clip) {
  auto drawer = std::make_unique<Drawer>();
  drawer->context = D().BitmapContext(target, origin, clip);
  D().drawers().push_back(std::move(drawer));
  return D().drawers().back().get();
}

void DeleteDrawer(Drawer* drawer) {
  if (drawer->platformPort) {
    TakePlatformDrawing(drawer);
    if (const ForeignPorts* foreign = ModuleForeignPorts()) foreign->release(drawer->platformPort);
    drawer->platformPort = nullptr;
  }
  if (drawer->foreignPort && drawer->foreignCopy)
    if (const ForeignPorts* foreign = ModuleForeignPorts()) {
      const Bitmap& b = *drawer->foreignCopy;
      const std::vector<std::uint32_t> pixels = b.Pixels();
      foreign->write(drawer->foreignPort, b.width(), b.height(), pixels.data());
    }
  D().DeleteContext(drawer->context);
  auto& drawers = D().drawers();
  drawers.erase(std::remove_if(drawers.begin(), drawers.end(),
                               [drawer](const auto& p) { return p.get() == drawer; }),
                drawers.end());
}

namespace {

// What the module drew through its platform drawing context, into the drawer's target
// (within the drawer's clip).
void TakePlatformDrawing(Drawer* d) {
  const ForeignPorts* foreign = ModuleForeignPorts();
  if (!d->platformPort || !d->platformPortAhead || !foreign) return;
  d->platformPortAhead = false;
  const DeviceContext& dc = *d->context;
  const std::int32_t width = dc.clip.right - dc.origin.h, height = dc.clip.bottom - dc.origin.v;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
  if (!foreign->read(d->platformPort, width, height, pixels.data())) return;
  for (std::int32_t y = std::max(0, dc.clip.top - dc.origin.v); y < height; ++y)
    for (std::int32_t x = std::max(0, dc.clip.left - dc.origin.h); x < width; ++x)
      if (dc.target->Contains(dc.origin.h + x, dc.origin.v + y))
        dc.target->SetPixel(dc.origin.h + x, dc.origin.v + y,
                            pixels[static_cast<std::size_t>(y * width + x)]);
}

}  // namespace

Drawer* DrawerFrom(host::DrawerRef ref) {
  for (const auto& d : D().drawers())
    if (d->ref() == ref) {
      TakePlatformDrawing(d.get());
      return d.get();
    }
  return nullptr;
}

AdmImage* ImageFrom(host::ImageRef ref) {
  for (const auto& i : D().images())
    if (i->ref() == ref) return i.get();
  return nullptr;
}

std::size_t liveDrawers() {
  return D().drawers().size();
}

std::size_t liveImages() {
  return D().images().size();
}

std::uint32_t AdmPaletteColor(std::int32_t code) {
  switch (code) {
    case 0:  // black
      return 0x000000;
    case 1:  // white
      return 0xFFFFFF;
    case 2:  // selection highlight
      return 0x316AC5;
    case host::kAdmHiliteTextColor:
      return 0xFFFFFF;
    case 4:  // light shadow
      return 0xD4D0C8;
    case 5:  // dark shadow
      return 0x808080;
    case host::kAdmTextColor:
      return 0x000000;
    default:
      return 0x000000;
  }
}

void InstallAdmDrawingSuites(host::AdmDrawerSuite& drawer, host::AdmImageSuite& image) {
  drawer.GetGraphicsPort = GetGraphicsPort;
  drawer.GetPlatformPort = GetPlatformPort;
  drawer.SetRGBColor = SetRGBColor;
  drawer.SetColor = SetColor;
  drawer.FillRect = FillRect;
  drawer.DrawRect = DrawRect;
  drawer.DrawLine = DrawLine;
  drawer.DrawText = DrawText;
  drawer.GetTextWidth = GetTextWidth;
  drawer.Create = Create;
  drawer.Destroy = Destroy;
  drawer.DrawImage = DrawImage;
  image.Create = CreateImage;
  image.Destroy = DestroyImage;
  image.BeginDrawer = BeginDrawer;
  image.EndDrawer = EndDrawer;
}

}  // namespace hostsim
