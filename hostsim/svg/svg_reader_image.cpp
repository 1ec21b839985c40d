// Reading SVG images: PNG and JPEG pictures (data: URIs, or files beside the document) as
// the host's rasters.
#include <cairo.h>
// jpeglib.h needs size_t and FILE first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "hostsim/scene/scene_format_p.h"
#include "hostsim/svg/svg_reader_p.h"

namespace hostsim::svg_in {
namespace {

// The host's rasters are at most 16384 pixels a side; a picture is also bounded in pixels.
constexpr int kMaxSide = 16384;
constexpr std::size_t kMaxPixels = 32u << 20;
constexpr std::size_t kMaxFile = 64u << 20;
// The pictures of one document together. An import holds about 17 bytes a pixel at its
// peak (the decoded pixels, the scene's copy, the host's raster and the capture's), so a
// document stays under 512 MiB however many pictures it embeds; a picture is measured by
// its header and left out before it is decoded when it would pass this.
constexpr std::size_t kMaxDocumentPixels = 24u << 20;

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> argb;  // non-premultiplied, A R G B
};

bool Base64(const std::string& in, std::string* out) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
  };
  unsigned bits = 0;
  int count = 0;
  for (char c : in) {
    if (c == '=' || std::isspace(static_cast<unsigned char>(c))) continue;
    const int v = value(c);
    if (v < 0) return false;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out->push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return true;
}

bool SizeOk(std::size_t w, std::size_t h) {
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

// The decoders leave a picture of more than `pixelsLeft` pixels undecoded and set *over.
bool DecodePng(const std::string& bytes, std::size_t pixelsLeft, Picture* out, std::string* why,
               bool* over) {
  // The header's size first, so a huge picture is refused before it is expanded.
  if (bytes.size() < 24) return *why = "a damaged PNG", false;
  auto be = [&](std::size_t at) {
    return (std::size_t{static_cast<unsigned char>(bytes[at])} << 24) |
           (std::size_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
           (std::size_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
           std::size_t{static_cast<unsigned char>(bytes[at + 3])};
  };
  if (!SizeOk(be(16), be(20))) return *why = "a PNG larger than the host's rasters", false;
  if (be(16) * be(20) > pixelsLeft) return *over = true, false;
  struct Source {
    const std::string* bytes;
    std::size_t at;
  } source{&bytes, 0};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(
      [](void* closure, unsigned char* data, unsigned int length) {
        auto* src = static_cast<Source*>(closure);
        if (src->bytes->size() - src->at < length) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, src->bytes->data() + src->at, length);
        src->at += length;
        return CAIRO_STATUS_SUCCESS;
      },
      &source);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return *why = "a damaged PNG", false;
  }
  cairo_surface_flush(s);
  out->width = cairo_image_surface_get_width(s);
  out->height = cairo_image_surface_get_height(s);
  const bool alpha = cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32;
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  out->argb.resize(static_cast<std::size_t>(out->width) * out->height * 4);
  std::size_t k = 0;
  for (int y = 0; y < out->height; ++y)
    for (int x = 0; x < out->width; ++x) {
      std::uint32_t word;
      std::memcpy(&word, data + static_cast<std::size_t>(y) * stride + x * 4, 4);
      const unsigned a = alpha ? word >> 24 : 255;
      auto un = [&](unsigned v) {
        return a ? static_cast<std::uint8_t>(std::min(255u, (v * 255 + a / 2) / a))
                 : std::uint8_t{0};
      };
      out->argb[k++] = static_cast<std::uint8_t>(a);
      out->argb[k++] = un((word >> 16) & 0xFF);
      out->argb[k++] = un((word >> 8) & 0xFF);
      out->argb[k++] = un(word & 0xFF);
    }
  cairo_surface_destroy(s);
  return true;
}

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

bool DecodeJpeg(const std::string& bytes, std::size_t pixelsLeft, Picture* out, std::string* why,
                bool* over) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1);
  };
  error.manager.output_message = [](j_common_ptr) {};
  // Nothing with a destructor lives between here and the decoder's last call.
  std::vector<std::uint8_t>& pixels = out->argb;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    *why = "a damaged JPEG";
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (!SizeOk(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    *why = "a JPEG larger than the host's rasters";
    return false;
  }
  if (std::size_t{info.image_width} * info.image_height > pixelsLeft) {
    jpeg_destroy_decompress(&info);
    *over = true;
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const std::size_t w = info.output_width, h = info.output_height;
  pixels.assign(w * h * 4, 255);
  JSAMPLE row[kMaxSide * 3];
  while (info.output_scanline < h) {
    JSAMPROW rows[1] = {row};
    const std::size_t y = info.output_scanline;
    jpeg_read_scanlines(&info, rows, 1);
    for (std::size_t x = 0; x < w; ++x)
      std::memcpy(&pixels[(y * w + x) * 4 + 1], &row[x * 3], 3);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  return true;
}

}  // namespace

void Reader::Image(xmlNodePtr n, const Style& s, const Matrix& ctm, const Viewport& vp, Json* out) {
  const std::string href = Href(n);
  std::string bytes, why;
  if (href.compare(0, 5, "data:") == 0) {
    const std::size_t comma = href.find(',');
    const std::string header = href.substr(5, comma == std::string::npos ? 0 : comma - 5);
    if (comma == std::string::npos || header.find(";base64") == std::string::npos ||
        !Base64(href.substr(comma + 1), &bytes))
      why = "a data: URI that is not base64";
  } else {
    namespace fs = std::filesystem;
    const fs::path p(href);
    const bool outside =
        href.empty() || p.is_absolute() || href.find(':') != std::string::npos ||
        std::any_of(p.begin(), p.end(), [](const fs::path& e) { return e == ".."; });
    if (outside) {
      why = "a picture outside the document's folder (\"" + href + "\")";
    } else {
      const fs::path full = fs::path(file_).parent_path() / p;
      std::error_code ec;
      const auto size = fs::file_size(full, ec);
      std::ifstream in(full, std::ios::binary);
      if (ec || !in || size > kMaxFile) {
        why = "a picture that cannot be read (\"" + href + "\")";
      } else {
        bytes.assign(std::istreambuf_iterator<char>(in), {});
      }
    }
  }
  Picture pic;
  bool over = false;
  if (why.empty()) {
    const std::size_t left = kMaxDocumentPixels - pixels_;
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0)
      DecodePng(bytes, left, &pic, &why, &over);
    else if (bytes.compare(0, 3, "\xFF\xD8\xFF") == 0)
      DecodeJpeg(bytes, left, &pic, &why, &over);
    else
      why = "a picture neither PNG nor JPEG";
  }
  if (over) {
    // Pictures past the document's pixel limit are left out (smaller ones that still fit
    // are kept) and counted in one note.
    Drop("picture past the document's pixel limit");
    if (picturesOver_++ == 0) pictureOverAt_ = n;
    return;
  }
  if (!why.empty()) {
    Drop("image");
    Note(n, why + ": left out");
    return;
  }
  bool ok = true;
  const double x = LengthAttr(n, "x", 0, s, vp, 0, &ok), y = LengthAttr(n, "y", 0, s, vp, 1, &ok);
  const double w = LengthAttr(n, "width", pic.width, s, vp, 0, &ok);
  const double h = LengthAttr(n, "height", pic.height, s, vp, 1, &ok);
  if (!ok || !(w > 0) || !(h > 0)) return;
  if (!Budget(1, n)) return;
  pixels_ += pic.argb.size() / 4;
  drawsOther_ = drawsOther_ || symbolUse_ == 0;

  // The picture's pixels fitted into the box as preserveAspectRatio says.
  AspectRatio ar;
  if (HasAttr(n, "preserveAspectRatio")) ParseAspectRatio(Attr(n, "preserveAspectRatio"), &ar);
  double sx = w / pic.width, sy = h / pic.height, tx = x, ty = y;
  if (ar.align != 0) {
    sx = sy = ar.slice ? std::max(sx, sy) : std::min(sx, sy);
    tx += (w - pic.width * sx) * ((ar.align - 1) % 3) / 2;
    ty += (h - pic.height * sy) * ((ar.align - 1) / 3) / 2;
  }
  const Matrix m = Multiply(PageMatrix(Matrix{}), Multiply(ctm, {sx, 0, 0, sy, tx, ty}));
  bool alpha = false;
  for (std::size_t i = 0; i < pic.argb.size() && !alpha; i += 4)
    alpha = pic.argb[i] != 255;
  std::string hex;
  if (alpha) {
    hex = scene_io::Hex(pic.argb.data(), pic.argb.size());
  } else {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(pic.argb.size() / 4 * 3);
    for (std::size_t i = 0; i < pic.argb.size(); i += 4)
      rgb.insert(rgb.end(), pic.argb.begin() + static_cast<long>(i) + 1,
                 pic.argb.begin() + static_cast<long>(i) + 4);
    hex = scene_io::Hex(rgb.data(), rgb.size());
  }
  Json art = {{"type", "raster"},
              {"width", pic.width},
              {"height", pic.height},
              {"colorSpace", alpha ? "argb" : "rgb"},
              {"matrix", {m.a, m.b, m.c, m.d, m.e, m.f}},
              {"pixels", std::move(hex)}};
  if (s.opacity < 1) art["blend"] = {{"opacity", std::clamp(s.opacity, 0.0, 1.0)}};
  if (ar.slice) {
    // What lies outside the box is cut off.
    const Geometry box =
        Transformed(RectGeometry(x, y, w, h, 0, 0), Multiply(PageMatrix(Matrix{}), ctm));
    Json clip = SubpathJson(box.front());
    clip["fill"] = nullptr;
    clip["clip"] = true;
    art = {{"type", "group"}, {"clipped", true}, {"children", {clip, art}}};
  }
  PrivateKeys(n, &art);
  Effects(n, s, ctm, vp, nullptr, &art);
  if (!art.is_null()) out->push_back(std::move(art));
}

void Reader::PicturesOverNote() {
  if (picturesOver_ == 0) return;
  Note(pictureOverAt_, std::to_string(picturesOver_) + " picture(s) past the document's limit of " +
                           std::to_string(kMaxDocumentPixels >> 20) + " Mi pixels: left out");
  picturesOver_ = 0;
}

}  // namespace hostsim::svg_in
