// velm thumb: a record's thumbnail as a 128 x 128 PNG.
#include <cairo.h>

#include "command_support.h"
#include "commands.h"
#include "database/group_file.h"
#include "database/record.h"
#include "hostsim/core/file_output.h"
#include "hostsim/drawing/png_output.h"
#include "sjis_text.h"
#include "thumbnail_image.h"

namespace velmtool {
namespace {

// Writes the stored pixels as a PNG.
bool WriteThumbnailPng(const std::uint8_t* pixels, const std::string& path, std::string* error) {
  cairo_surface_t* surface = ThumbnailSurface(pixels);
  const bool written = hostsim::WritePngFile(surface, path, error);
  cairo_surface_destroy(surface);
  return written;
}

}  // namespace

int CommandThumb(const ThumbOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitOk;
  std::optional<Selection> selection = SelectOneGroup(options.target, options.group, err, &status);
  if (!selection) return status;
  Library& library = *selection->library;
  const std::string& group = selection->groups.front();
  const std::string groupName = SjisToUtf8(group);
  const std::optional<RecordRef> record =
      ResolveRecord(library, group, options.record, err, &status);
  if (!record) return status;
  const std::int32_t number = record->number;
  velm::os::MemHandle block = nullptr;
  if (library.Read(group, number, velm::kReadHeaderAndThumbnail, true, &block) != host::kNoErr ||
      !block) {
    err << "velm: " << groupName << ": record " << number
        << " cannot be read (damaged file: see velm verify)\n";
    return kExitProblems;
  }
  std::string error;
  if (!WriteThumbnailPng(block + velm::kThumbnailOffset, options.output, &error)) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  out << "wrote the thumbnail of " << DescribeRecord(group, *record) << " to " << options.output
      << " (" << kThumbnailSide << " × " << kThumbnailSide << ")\n";
  return kExitOk;
}

}  // namespace velmtool
