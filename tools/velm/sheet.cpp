// velm sheet: the thumbnails of every record (of one group, or of the whole library) on
// pictures of a page each, each with its group, number, name and kind below it, as the
// palette's icon view shows them.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "hostsim/core/file_output.h"
#include "hostsim/drawing/png_output.h"
#include "hostsim/drawing/text_layout.h"
#include "sjis_text.h"
#include "thumbnail_image.h"

namespace velmtool {
namespace {

constexpr int kCellWidth = 160;
constexpr int kCellHeight = 190;
constexpr int kMargin = 16;
constexpr double kCaptionSize = 11;

// One record on the sheet: where it is and what its cell says. Thumbnails are read when
// their page is drawn, so that a sheet of any size needs the memory of one page.
struct Cell {
  std::string group;  // Shift-JIS
  std::int32_t number = 0;
  std::string title;    // "group #n" (UTF-8)
  std::string caption;  // name and kind (UTF-8)
  bool readable = true;
};

// Rows of one picture at most: the renderer refuses pictures over 32,767 pixels a side.
constexpr int kMostRows = (32767 - 2 * kMargin) / kCellHeight;
// Rows a page holds unless asked otherwise.
constexpr int kRowsPerPage = 50;

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

// Draws `cells` as one picture of `columns` columns and writes it to `path`; cells whose
// thumbnail does not read are marked and counted in *unreadable.
bool WritePage(Library& library, const std::vector<Cell>& cells, int columns,
               const std::string& path, int* unreadable, std::ostream& err) {
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
  velm::os::MemHandle block = nullptr;  // the library's current record
  for (std::size_t n = 0; n < cells.size(); ++n) {
    const Cell& cell = cells[n];
    const double x = kMargin + static_cast<double>(n % columns) * kCellWidth;
    const double y = kMargin + static_cast<double>(n / columns) * kCellHeight;
    const double left = x + (kCellWidth - kThumbnailSide) / 2.0;
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_rectangle(cr, left - 1.5, y + 0.5, kThumbnailSide + 3, kThumbnailSide + 3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    std::string caption = cell.caption;
    cairo_surface_t* image = nullptr;
    if (cell.readable &&
        library.Read(cell.group, cell.number, velm::kReadHeaderAndThumbnail, true, &block) ==
            host::kNoErr &&
        block)
      image = ThumbnailSurface(block + velm::kThumbnailOffset);
    if (image) {
      cairo_set_source_surface(cr, image, left, y + 2);
      cairo_paint(cr);
      cairo_surface_destroy(image);
    } else {
      caption = "(damaged)";
      ++*unreadable;
    }
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    CentredText(cr, cell.title, x + kCellWidth / 2.0, y + kThumbnailSide + 20, kCellWidth - 8);
    cairo_set_source_rgb(cr, 0, 0, 0);
    CentredText(cr, caption, x + kCellWidth / 2.0, y + kThumbnailSide + 36, kCellWidth - 8);
  }
  cairo_destroy(cr);
  std::string error;
  const bool written = hostsim::WritePngFile(sheet, path, &error);
  cairo_surface_destroy(sheet);
  if (!written) {
    err << "velm: " << error << "\n";
    return false;
  }
  return true;
}

// "sheet.png" as page 3: "sheet-3.png".
std::string PagePath(const std::string& output, int page) {
  const std::filesystem::path path(output);
  return (path.parent_path() /
          (path.stem().string() + "-" + std::to_string(page) + path.extension().string()))
      .string();
}

}  // namespace

int CommandSheet(const SheetOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectGroups(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;

  // Every record's place and texts, from its header alone.
  std::vector<Cell> cells;
  for (const std::string& group : selection->groups) {
    const std::string groupName = SjisToUtf8(group);
    const std::int32_t count = library.RecordCount(group);
    for (std::int32_t i = 0; i < count; ++i) {
      Cell cell;
      cell.group = group;
      cell.number = i;
      cell.title = groupName + " #" + std::to_string(i);
      velm::os::MemHandle block = nullptr;  // the library's current record
      if (library.Read(group, i, velm::kReadHeaderOnly, true, &block) == host::kNoErr && block) {
        const velm::Record* header = velm::RecordHeader(block);
        cell.caption = SjisToUtf8(std::string(header->name, strnlen(header->name, 64)));
        const std::string kind = SjisToUtf8(std::string(header->kind, strnlen(header->kind, 64)));
        if (!kind.empty()) cell.caption += " (" + kind + ")";
        cells.push_back(std::move(cell));
        continue;
      }
      // Records after one that cannot be read cannot be located either: one cell says so,
      // and a damaged count word cannot make the sheet endless.
      cell.readable = false;
      cells.push_back(std::move(cell));
      break;
    }
  }
  if (cells.empty()) {
    err << "velm: " << options.target << " holds no records\n";
    return kExitProblems;
  }

  const int columns = std::clamp(options.columns, 1, 64);
  const int perPage =
      columns *
      std::clamp(options.perPage > 0 ? (options.perPage + columns - 1) / columns : kRowsPerPage, 1,
                 kMostRows);
  const int pages = (static_cast<int>(cells.size()) + perPage - 1) / perPage;
  if (options.page > pages) {
    err << "velm: the sheet has " << pages << (pages == 1 ? " page" : " pages") << " of " << perPage
        << " records\n";
    return kExitUsage;
  }
  int unreadable = 0;
  for (int page = 1; page <= pages; ++page) {
    if (options.page > 0 && page != options.page) continue;
    const std::size_t first =
        static_cast<std::size_t>(page - 1) * static_cast<std::size_t>(perPage);
    const std::size_t last = std::min(cells.size(), first + static_cast<std::size_t>(perPage));
    const std::vector<Cell> pageCells(cells.begin() + static_cast<std::ptrdiff_t>(first),
                                      cells.begin() + static_cast<std::ptrdiff_t>(last));
    const std::string path =
        pages == 1 || options.page > 0 ? options.output : PagePath(options.output, page);
    if (!WritePage(library, pageCells, columns, path, &unreadable, err)) return kExitProblems;
    out << "wrote " << path << " (" << pageCells.size() << " records";
    if (pages > 1) out << ", page " << page << " of " << pages;
    out << ")\n";
  }
  if (unreadable != 0) {
    err << "velm: " << unreadable << " records cannot be read (damaged file: see velm verify)\n";
    return kExitProblems;
  }
  return kExitOk;
}

}  // namespace velmtool
