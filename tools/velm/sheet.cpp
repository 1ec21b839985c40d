// velm sheet: the thumbnails of every record (of one group, or of the whole library) on
// one picture, each with its group, number, name and kind below it, as the palette's
// icon view shows them.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "hostsim/text_layout.h"
#include "sjis_text.h"
#include "thumbnail_image.h"

namespace velmtool {
namespace {

constexpr int kCellWidth = 160;
constexpr int kCellHeight = 190;
constexpr int kMargin = 16;
constexpr double kCaptionSize = 11;

struct Cell {
  std::string title;                 // "group #n" (UTF-8)
  std::string caption;               // name and kind (UTF-8)
  cairo_surface_t* image = nullptr;  // null: unreadable record
};

// Draws `text` centred at (x, y), cut with "…" to `width`.
void CentredText(cairo_t* cr, std::string text, double x, double y, double width) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  while (extents.x_advance > width && !text.empty()) {
    // Drop one UTF-8 character (and any "…" added before).
    if (text.size() >= 3 && text.compare(text.size() - 3, 3, "…") == 0)
      text.resize(text.size() - 3);
    do {
      text.pop_back();
    } while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80);
    if (!text.empty()) text.pop_back();
    text += "…";
    cairo_text_extents(cr, text.c_str(), &extents);
  }
  cairo_move_to(cr, x - extents.x_advance / 2, y);
  cairo_show_text(cr, text.c_str());
}

}  // namespace

int CommandSheet(const SheetOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  std::vector<Cell> cells;
  int unreadable = 0;
  for (const std::string& group : selection->groups) {
    const std::string groupName = SjisToUtf8(group);
    const std::int32_t count = library.RecordCount(group);
    for (std::int32_t i = 0; i < count; ++i) {
      Cell cell;
      cell.title = groupName + " #" + std::to_string(i);
      velm::os::MemHandle block = nullptr;
      if (library.Read(group, i, velm::kReadHeaderAndThumbnail, true, &block) == host::kNoErr &&
          block) {
        const velm::Record* header = velm::RecordHeader(block);
        cell.caption = SjisToUtf8(std::string(header->name, strnlen(header->name, 64)));
        const std::string kind = SjisToUtf8(std::string(header->kind, strnlen(header->kind, 64)));
        if (!kind.empty()) cell.caption += " (" + kind + ")";
        cell.image = ThumbnailSurface(block + velm::kThumbnailOffset);
        cells.push_back(std::move(cell));
        continue;
      }
      // Records after one that cannot be read cannot be located either: one cell says so,
      // and a damaged count word cannot make the sheet endless.
      cell.caption = "(damaged)";
      ++unreadable;
      cells.push_back(std::move(cell));
      break;
    }
  }
  if (cells.empty()) {
    err << "velm: " << options.target << " holds no records\n";
    for (Cell& cell : cells)
      if (cell.image) cairo_surface_destroy(cell.image);
    return kExitProblems;
  }

  const int columns = std::clamp(options.columns, 1, 64);
  const int rows = (static_cast<int>(cells.size()) + columns - 1) / columns;
  const int used = std::min(columns, static_cast<int>(cells.size()));
  cairo_surface_t* sheet = cairo_image_surface_create(
      CAIRO_FORMAT_RGB24, 2 * kMargin + used * kCellWidth, 2 * kMargin + rows * kCellHeight);
  hostsim::PrepareFonts();  // and the font caches are emptied at exit
  cairo_t* cr = cairo_create(sheet);
  cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
  cairo_paint(cr);
  cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kCaptionSize);
  for (std::size_t n = 0; n < cells.size(); ++n) {
    const double x = kMargin + static_cast<double>(n % columns) * kCellWidth;
    const double y = kMargin + static_cast<double>(n / columns) * kCellHeight;
    const double left = x + (kCellWidth - kThumbnailSide) / 2.0;
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_rectangle(cr, left - 1.5, y + 0.5, kThumbnailSide + 3, kThumbnailSide + 3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (cells[n].image) {
      cairo_set_source_surface(cr, cells[n].image, left, y + 2);
      cairo_paint(cr);
      cairo_surface_destroy(cells[n].image);
    }
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    CentredText(cr, cells[n].title, x + kCellWidth / 2.0, y + kThumbnailSide + 20, kCellWidth - 8);
    cairo_set_source_rgb(cr, 0, 0, 0);
    CentredText(cr, cells[n].caption, x + kCellWidth / 2.0, y + kThumbnailSide + 36,
                kCellWidth - 8);
  }
  cairo_destroy(cr);
  const cairo_status_t written = cairo_surface_write_to_png(sheet, options.output.c_str());
  cairo_surface_destroy(sheet);
  if (written != CAIRO_STATUS_SUCCESS) {
    err << "velm: cannot write " << options.output << ": " << cairo_status_to_string(written)
        << "\n";
    return kExitProblems;
  }
  out << "wrote " << options.output << " (" << cells.size() << " records)\n";
  if (unreadable != 0) {
    err << "velm: " << unreadable << " records cannot be read (damaged file: see velm verify)\n";
    return kExitProblems;
  }
  return kExitOk;
}

}  // namespace velmtool
