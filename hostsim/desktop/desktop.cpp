// The virtual desktop: bitmaps, windows, drawing contexts and pens, brushes, fonts, and drawing.
#include "hostsim/desktop/desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/core/document.h"
#include "hostsim/core/file_output.h"
#include "hostsim/core/host.h"
#include "hostsim/core/module_loader.h"
#include "hostsim/desktop/adm_drawing.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/drawing/text_layout.h"
#include "platform/desktop_suite.h"

namespace hostsim {

// ---- Desktop ----

Desktop::Desktop() {
  screen_ = std::make_unique<Bitmap>(kScreenWidth, kScreenHeight, 0x3A6EA5);
  app_ = AddWindow(nullptr, "VELM Host", {0, 0, kScreenWidth, kScreenHeight});
  app_->background = 0xD4D0C8;
  Window* workspace = AddWindow(app_, "Workspace", {0, 40, kScreenWidth, kScreenHeight});
  workspace->background = 0x808080;
  Window* frame = AddWindow(workspace, "Document Frame", {16, 56, 832, 688});
  frame->background = 0xD4D0C8;
  document_ = AddWindow(frame, "Document", {24, 80, 824, 680});
  document_->background = 0xFFFFFF;

  auto stock = [&](GdiObject o) {
    stock_.push_back(std::make_unique<GdiObject>(std::move(o)));
    stock_.back()->stock = true;
  };
  GdiObject white, black, hollow, blackPen, nullPen, font, bitmap;
  white.kind = black.kind = hollow.kind = ObjectKind::kBrush;
  white.color = 0xFFFFFF;
  hollow.null = true;
  blackPen.kind = nullPen.kind = ObjectKind::kPen;
  nullPen.null = true;
  font.kind = ObjectKind::kFont;
  font.height = 16;
  font.face = "IPAGothic";
  bitmap.kind = ObjectKind::kBitmap;
  bitmap.bitmap = std::make_unique<Bitmap>(1, 1);
  stock(std::move(white));     // 0
  stock(std::move(black));     // 1
  stock(std::move(hollow));    // 2
  stock(std::move(blackPen));  // 3
  stock(std::move(nullPen));   // 4
  stock(std::move(font));      // 5
  stock(std::move(bitmap));    // 6
  Repaint(nullptr);
}

Desktop::~Desktop() = default;

Window* Desktop::AddWindow(Window* parent, const std::string& name, const host::Rect& client) {
  windows_.emplace_back();
  Window* w = &windows_.back();
  w->name = name;
  w->parent = parent;
  w->client = client;
  if (parent) parent->children.insert(parent->children.begin(), w);
  return w;
}

Window* Desktop::WindowFrom(host::WindowRef ref) const {
  for (const Window& w : windows_)
    if (&w == ref) return const_cast<Window*>(&w);
  return nullptr;
}

void Desktop::Repaint(Document* document) {
  // Parents first, so that children lie on top.
  std::vector<Window*> order{app_};
  for (std::size_t i = 0; i < order.size(); ++i)
    for (auto it = order[i]->children.rbegin(); it != order[i]->children.rend(); ++it)
      order.push_back(*it);
  for (Window* w : order)
    screen_->Fill(w->client, w->background);
  if (document && !document->views().empty()) DrawPage(*document);
}

namespace {

// The document through `view` on the window's background, drawn where the window lies on
// a screen of `size` (a gradient's pixels depend on where they fall).
std::unique_ptr<Bitmap> DrawDocument(Document& document, const View& view, host::Point size,
                                     const host::Rect& client, std::uint32_t background) {
  auto picture = std::make_unique<Bitmap>(size.h, size.v);
  picture->Fill(client, background);
  RenderView(document, view, picture.get(), client);
  return picture;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.width()) * 4) != 0) return false;
  return true;
}

}  // namespace

void Desktop::DrawPage(Document& document) {
  const View& view = *document.views().front();
  const host::Rect& client = document_->client;
  const host::Point size{screen_->width(), screen_->height()};
  Page& p = page_;
  const bool kept = p.picture && p.document == &document && p.revision == document.revision() &&
                    p.zoom == view.zoom && p.h == view.origin.h && p.v == view.origin.v &&
                    p.client.left == client.left && p.client.top == client.top &&
                    p.client.right == client.right && p.client.bottom == client.bottom &&
                    p.background == document_->background;
  if (kept) {
    ++pagesKept_;
    static const bool check = std::getenv("VELM_CHECK_PAGE") != nullptr;
    if (check &&
        !SamePixels(*p.picture, *DrawDocument(document, view, size, client, p.background))) {
      std::fprintf(stderr, "velm-host: the kept picture of the document is out of date\n");
      std::abort();
    }
  } else {
    ++pagesDrawn_;
    p.picture = DrawDocument(document, view, size, client, document_->background);
    p.document = &document;
    p.revision = document.revision();
    p.zoom = view.zoom;
    p.h = view.origin.h;
    p.v = view.origin.v;
    p.client = client;
    p.background = document_->background;
  }
  Bitmap& screen = *screen_;
  const int left = std::max(client.left, 0), right = std::min(client.right, screen.width());
  if (left >= right) return;
  for (int y = std::max(client.top, 0); y < std::min(client.bottom, screen.height()); ++y)
    std::memcpy(screen.Row(y) + left, p.picture->Row(y) + left,
                static_cast<std::size_t>(right - left) * 4);
}

DeviceContext* Desktop::WindowContext(Window* window) {
  contexts_.push_back(std::make_unique<DeviceContext>());
  DeviceContext* dc = contexts_.back().get();
  dc->kind = window ? DeviceContext::Kind::kWindow : DeviceContext::Kind::kDisplay;
  dc->window = window;
  dc->target = screen_.get();
  dc->clip = window ? window->client : host::Rect{0, 0, kScreenWidth, kScreenHeight};
  dc->origin = {dc->clip.left, dc->clip.top};
  dc->pen = stock_[3].get();
  dc->brush = stock_[0].get();
  dc->font = stock_[5].get();
  return dc;
}

DeviceContext* Desktop::DisplayContext() {
  return WindowContext(nullptr);
}

DeviceContext* Desktop::MemoryContext() {
  DeviceContext* dc = WindowContext(nullptr);
  dc->kind = DeviceContext::Kind::kMemory;
  dc->bitmap = stock_[6].get();
  dc->target = dc->bitmap->bitmap.get();
  dc->origin = {0, 0};
  dc->clip = {0, 0, 1, 1};
  return dc;
}

DeviceContext* Desktop::BitmapContext(Bitmap* bitmap, host::Point origin, host::Rect clip) {
  DeviceContext* dc = WindowContext(nullptr);
  dc->kind = DeviceContext::Kind::kPort;
  dc->target = bitmap;
  dc->origin = origin;
  dc->clip = {std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, bitmap->width()),
              std::min(clip.bottom, bitmap->height())};
  return dc;
}

void Desktop::SetCursorPosition(host::Point p) {
  cursor_ = p;
  if (const ForeignPorts* foreign = ModuleForeignPorts()) foreign->cursor(p.h, p.v);
}

DeviceContext* Desktop::ContextFrom(host::PortRef ref) const {
  for (const auto& dc : contexts_)
    if (dc.get() == ref) return dc.get();
  return nullptr;
}

void Desktop::DeleteContext(DeviceContext* dc) {
  for (GdiObject* o : {dc->pen, dc->brush, dc->font, dc->bitmap})
    if (o && o->selectedIn == dc) o->selectedIn = nullptr;
  contexts_.erase(std::remove_if(contexts_.begin(), contexts_.end(),
                                 [dc](const auto& p) { return p.get() == dc; }),
                  contexts_.end());
}

GdiObject* Desktop::NewPen(std::int32_t style, std::int32_t width, std::uint32_t rgb) {
  objects_.push_back(std::make_unique<GdiObject>());
  GdiObject* o = objects_.back().get();
  o->kind = ObjectKind::kPen;
  o->null = style == host::kPenNull;
  o->width = std::max(width, 1);
  o->color = rgb;
  return o;
}

GdiObject* Desktop::NewBrush(std::uint32_t rgb, bool null) {
  objects_.push_back(std::make_unique<GdiObject>());
  GdiObject* o = objects_.back().get();
  o->kind = ObjectKind::kBrush;
  o->color = rgb;
  o->null = null;
  return o;
}

GdiObject* Desktop::NewFont(std::int32_t height, std::int32_t charset, const std::string& face) {
  objects_.push_back(std::make_unique<GdiObject>());
  GdiObject* o = objects_.back().get();
  o->kind = ObjectKind::kFont;
  o->height = height == 0 ? 16 : std::abs(height);
  o->charset = charset;
  o->face = face;
  return o;
}

GdiObject* Desktop::NewBitmap(int width, int height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return nullptr;
  objects_.push_back(std::make_unique<GdiObject>());
  GdiObject* o = objects_.back().get();
  o->kind = ObjectKind::kBitmap;
  o->bitmap = std::make_unique<Bitmap>(width, height, 0);
  return o;
}

GdiObject* Desktop::Stock(std::int32_t which) {
  switch (which) {
    case host::kStockWhiteBrush:
      return stock_[0].get();
    case host::kStockBlackBrush:
      return stock_[1].get();
    case host::kStockNullBrush:
      return stock_[2].get();
    case host::kStockBlackPen:
      return stock_[3].get();
    case host::kStockNullPen:
      return stock_[4].get();
    default:
      return nullptr;
  }
}

GdiObject* Desktop::ObjectFrom(void* ref) const {
  if (!ref) return nullptr;
  for (const auto& o : objects_)
    if (o.get() == ref) return o.get();
  for (const auto& o : stock_)
    if (o.get() == ref) return o.get();
  return nullptr;
}

GdiObject* Desktop::Select(DeviceContext* dc, GdiObject* object) {
  GdiObject** slot = nullptr;
  switch (object->kind) {
    case ObjectKind::kPen:
      slot = &dc->pen;
      break;
    case ObjectKind::kBrush:
      slot = &dc->brush;
      break;
    case ObjectKind::kFont:
      slot = &dc->font;
      break;
    case ObjectKind::kBitmap:
      // Bitmaps go into memory contexts only, one context at a time.
      if (dc->kind != DeviceContext::Kind::kMemory) return nullptr;
      if (!object->stock && object->selectedIn && object->selectedIn != dc) return nullptr;
      slot = &dc->bitmap;
      break;
  }
  GdiObject* previous = *slot;
  if (previous && previous->selectedIn == dc) previous->selectedIn = nullptr;
  *slot = object;
  if (!object->stock) object->selectedIn = dc;
  if (object->kind == ObjectKind::kBitmap) {
    dc->target = object->bitmap.get();
    dc->origin = {0, 0};
    dc->clip = {0, 0, dc->target->width(), dc->target->height()};
  }
  return previous;
}

bool Desktop::DeleteObject(GdiObject* object) {
  if (object->stock) return true;
  if (object->selectedIn) return false;
  objects_.erase(std::remove_if(objects_.begin(), objects_.end(),
                                [object](const auto& p) { return p.get() == object; }),
                 objects_.end());
  return true;
}

host::Rect Desktop::VisibleArea(const DeviceContext* dc) {
  return {std::max(dc->clip.left, 0), std::max(dc->clip.top, 0),
          std::min(dc->clip.right, dc->target->width()),
          std::min(dc->clip.bottom, dc->target->height())};
}

bool Desktop::Visible(const DeviceContext* dc, int tx, int ty) const {
  return tx >= dc->clip.left && tx < dc->clip.right && ty >= dc->clip.top && ty < dc->clip.bottom &&
         dc->target->Contains(tx, ty);
}

void Desktop::PenPixels(DeviceContext* dc, const std::set<std::pair<int, int>>& pixels) {
  const std::uint32_t pen = dc->pen ? dc->pen->color : 0;
  for (const auto& [x, y] : pixels) {
    const int tx = x + dc->origin.h, ty = y + dc->origin.v;
    if (!Visible(dc, tx, ty)) continue;
    const std::uint32_t d = dc->target->Pixel(tx, ty);
    std::uint32_t out = pen;
    switch (dc->rop) {
      case host::kRopBlack:
        out = 0;
        break;
      case host::kRopNot:
        out = ~d;
        break;
      case host::kRopXorPen:
        out = d ^ pen;
        break;
      case host::kRopNotXorPen:
        out = ~(d ^ pen);
        break;
      case host::kRopNop:
        out = d;
        break;
      case host::kRopWhite:
        out = 0xFFFFFF;
        break;
      default:
        break;
    }
    dc->target->SetPixel(tx, ty, out & 0xFFFFFF);
  }
}

namespace {

// The pixels of a line from `a` to `b`, `b` itself excluded, widened to the pen's width.
void LinePixels(host::Point a, host::Point b, int width, std::set<std::pair<int, int>>* out) {
  int x = a.h, y = a.v;
  const int dx = std::abs(b.h - a.h), dy = -std::abs(b.v - a.v);
  const int sx = a.h < b.h ? 1 : -1, sy = a.v < b.v ? 1 : -1;
  int err = dx + dy;
  const int lo = -(width - 1) / 2, hi = width / 2;
  while (x != b.h || y != b.v) {
    for (int oy = lo; oy <= hi; ++oy)
      for (int ox = lo; ox <= hi; ++ox)
        out->emplace(x + ox, y + oy);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace

void Desktop::Line(DeviceContext* dc, host::Point from, host::Point to) {
  if (!dc->pen || dc->pen->null) return;
  std::set<std::pair<int, int>> pixels;
  LinePixels(from, to, dc->pen->width, &pixels);
  PenPixels(dc, pixels);
}

void Desktop::Polyline(DeviceContext* dc, const host::Point* points, int count) {
  if (!dc->pen || dc->pen->null || count < 2) return;
  std::set<std::pair<int, int>> pixels;
  for (int i = 0; i + 1 < count; ++i)
    LinePixels(points[i], points[i + 1], dc->pen->width, &pixels);
  PenPixels(dc, pixels);
}

void Desktop::Rectangle(DeviceContext* dc, const host::Rect& r) {
  if (r.right - r.left < 1 || r.bottom - r.top < 1) return;
  if (dc->brush && !dc->brush->null) {
    // The inside takes the brush through the same raster operation.
    GdiObject* pen = dc->pen;
    GdiObject fill;
    fill.color = dc->brush->color;
    dc->pen = &fill;
    std::set<std::pair<int, int>> inside;
    for (int y = r.top + 1; y < r.bottom - 1; ++y)
      for (int x = r.left + 1; x < r.right - 1; ++x)
        inside.emplace(x, y);
    PenPixels(dc, inside);
    dc->pen = pen;
  }
  if (dc->pen && !dc->pen->null) {
    std::set<std::pair<int, int>> border;
    for (int x = r.left; x < r.right; ++x)
      border.emplace(x, r.top), border.emplace(x, r.bottom - 1);
    for (int y = r.top; y < r.bottom; ++y)
      border.emplace(r.left, y), border.emplace(r.right - 1, y);
    PenPixels(dc, border);
  }
}

void Desktop::FillRect(DeviceContext* dc, const host::Rect& r, const GdiObject* brush) {
  if (brush->null) return;
  const host::Rect v = VisibleArea(dc);
  dc->target->Fill(
      {std::max(r.left + dc->origin.h, v.left), std::max(r.top + dc->origin.v, v.top),
       std::min(r.right + dc->origin.h, v.right), std::min(r.bottom + dc->origin.v, v.bottom)},
      brush->color);
}

void Desktop::FrameRect(DeviceContext* dc, const host::Rect& r, const GdiObject* brush) {
  if (brush->null || r.right <= r.left || r.bottom <= r.top) return;
  for (int x = r.left; x < r.right; ++x) {
    SetPixel(dc, x, r.top, brush->color);
    SetPixel(dc, x, r.bottom - 1, brush->color);
  }
  for (int y = r.top; y < r.bottom; ++y) {
    SetPixel(dc, r.left, y, brush->color);
    SetPixel(dc, r.right - 1, y, brush->color);
  }
}

namespace {

// The drawing font of a desktop font: the IPA face it names, or IPAGothic.
const char* FaceOf(const GdiObject* font) {
  if (font && font->face.find("Mincho") != std::string::npos) return "IPAMincho";
  return "IPAGothic";
}

void SetUpFont(cairo_t* cr, const GdiObject* font) {
  cairo_select_font_face(cr, FaceOf(font), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font ? font->height : 16);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

}  // namespace

void Desktop::Text(DeviceContext* dc, int x, int y, const std::string& sjis) {
  PrepareFonts();
  const std::string utf8 = ToUtf8(sjis);
  Bitmap* target = dc->target;
  target->BeginCairo();
  cairo_t* cr = cairo_create(target->surface());
  cairo_rectangle(cr, dc->clip.left, dc->clip.top, dc->clip.right - dc->clip.left,
                  dc->clip.bottom - dc->clip.top);
  cairo_clip(cr);
  cairo_translate(cr, dc->origin.h, dc->origin.v);
  SetUpFont(cr, dc->font);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  cairo_text_extents_t te;
  cairo_text_extents(cr, utf8.c_str(), &te);
  auto source = [&](std::uint32_t rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
  };
  if (dc->backgroundMode == host::kBkOpaque) {
    source(dc->backgroundColor);
    cairo_rectangle(cr, x, y, static_cast<int>(te.x_advance + 0.5),
                    static_cast<int>(fe.ascent + fe.descent + 0.5));
    cairo_fill(cr);
  }
  source(dc->textColor);
  cairo_move_to(cr, x, y + static_cast<int>(fe.ascent + 0.5));
  cairo_show_text(cr, utf8.c_str());
  cairo_destroy(cr);
  target->EndCairo();
}

int Desktop::TextWidth(DeviceContext* dc, const std::string& sjis) {
  PrepareFonts();
  cairo_t* cr = cairo_create(dc->target->surface());
  SetUpFont(cr, dc->font);
  cairo_text_extents_t te;
  cairo_text_extents(cr, ToUtf8(sjis).c_str(), &te);
  cairo_destroy(cr);
  return static_cast<int>(te.x_advance + 0.5);
}

bool Desktop::GetPixel(DeviceContext* dc, int x, int y, std::uint32_t* rgb) const {
  const int tx = x + dc->origin.h, ty = y + dc->origin.v;
  if (!Visible(dc, tx, ty)) return false;
  *rgb = dc->target->Pixel(tx, ty);
  return true;
}

bool Desktop::SetPixel(DeviceContext* dc, int x, int y, std::uint32_t rgb) {
  const int tx = x + dc->origin.h, ty = y + dc->origin.v;
  if (!Visible(dc, tx, ty)) return false;
  dc->target->SetPixel(tx, ty, rgb);
  return true;
}

bool Desktop::Copy(DeviceContext* dst, int x, int y, int w, int h, DeviceContext* src, int sx,
                   int sy) {
  if (w < 0 || h < 0 || w > 16384 || h > 16384) return false;
  // Read everything first: source and target may be the same pixels. A pixel outside the
  // source is marked above its 24 bits and not written.
  constexpr std::uint32_t kOutside = 0xFF000000u;
  std::vector<std::uint32_t> block(static_cast<std::size_t>(w) * h);
  ReadBlock(src, sx, sy, w, h, block.data(), nullptr, kOutside);
  const host::Rect v = VisibleArea(dst);
  for (int j = 0; j < h; ++j) {
    const int ty = y + j + dst->origin.v;
    if (ty < v.top || ty >= v.bottom) continue;
    std::uint32_t* row = dst->target->Row(ty);
    const std::uint32_t* cells = block.data() + static_cast<std::size_t>(j) * w;
    for (int i = std::max(0, v.left - x - dst->origin.h);
         i < std::min(w, v.right - x - dst->origin.h); ++i)
      if (cells[i] != kOutside) row[x + i + dst->origin.h] = cells[i];
  }
  return true;
}

void Desktop::DrawBitmap(DeviceContext* dc, int x, int y, const Bitmap& image) {
  const host::Rect v = VisibleArea(dc);
  const int left = x + dc->origin.h, top = y + dc->origin.v;
  const int from = std::max(0, v.left - left), to = std::min(image.width(), v.right - left);
  for (int j = std::max(0, v.top - top); j < std::min(image.height(), v.bottom - top); ++j) {
    const std::uint32_t* in = image.Row(j);
    std::uint32_t* out = dc->target->Row(top + j) + left;
    for (int i = from; i < to; ++i)
      out[i] = in[i] & 0xFFFFFF;
  }
}

void Desktop::ReadBlock(DeviceContext* dc, int x, int y, int w, int h, std::uint32_t* out,
                        std::uint32_t (*convert)(std::uint32_t), std::uint32_t outside) const {
  const host::Rect v = VisibleArea(dc);
  for (int j = 0; j < h; ++j) {
    std::uint32_t* cells = out + static_cast<std::size_t>(j) * w;
    const int ty = y + j + dc->origin.v;
    if (ty < v.top || ty >= v.bottom) {
      std::fill(cells, cells + w, outside);
      continue;
    }
    const std::uint32_t* row = dc->target->Row(ty);
    for (int i = 0; i < w; ++i) {
      const int tx = x + i + dc->origin.h;
      const bool in = tx >= v.left && tx < v.right;
      cells[i] = !in ? outside : convert ? convert(row[tx] & 0xFFFFFF) : row[tx] & 0xFFFFFF;
    }
  }
}

bool Desktop::PopContext() {
  if (contextDepth_ <= 0) return false;
  --contextDepth_;
  return true;
}

}  // namespace hostsim
