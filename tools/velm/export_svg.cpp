// velm export --symbols: every record of a group placed by the plug-in's loader at the
// coordinates its art was stored with (the bottom-left corner of its bounds at (0, 0), so
// that the stored numbers come back unchanged), each written as one <symbol>.
#include "export_svg.h"

#include <fstream>
#include <set>
#include <vector>

#include "command_support.h"
#include "commands.h"
#include "group_scan.h"
#include "hostsim/core/file_output.h"
#include "hostsim/svg/svg_writer.h"
#include "sjis_text.h"

namespace velmtool {
namespace {

// The name, kind and comment of record `number` (UTF-8), read from its stored header.
bool RecordTexts(const std::filesystem::path& file, std::int32_t number, StoredHeader* header) {
  const std::optional<std::uint64_t> at = LocateRecord(file, number);
  if (!at) return false;
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes(kStoredHeaderSize);
  in.seekg(static_cast<std::streamoff>(*at));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return false;
  *header = ParseStoredHeader(bytes.data());
  return true;
}

// Every art object at the top of the document's layers.
std::set<hostsim::Art*> TopArt(hostsim::Document& document) {
  std::set<hostsim::Art*> art;
  for (hostsim::Layer* layer : document.layers())
    for (hostsim::Art* a : layer->group->children)
      if (a->alive) art.insert(a);
  return art;
}

}  // namespace

std::string SymbolDescription(const std::string& kind, const std::string& comment) {
  return "kind: " + kind + "\ncomment: " + comment;
}

int ExportSymbolSet(velmsession::PluginSession& session, const std::string& group,
                    const std::filesystem::path& file, const std::string& output, std::ostream& out,
                    std::ostream& err) {
  const std::int32_t count = session.RecordCount(group);
  if (count < 0) {
    err << "velm: \"" << group << "\" cannot be a group\n";
    return kExitProblems;
  }
  hostsim::Document& document = session.document();
  std::vector<hostsim::SvgSymbolItem> items;
  int status = kExitOk;
  for (std::int32_t n = 0; n < count; ++n) {
    const std::set<hostsim::Art*> before = TopArt(document);
    velmsession::PlaceOptions place;  // drop point (0, 0), bottom left: as stored
    velmsession::PlaceResult placed;
    std::string error;
    StoredHeader header;
    if (!RecordTexts(file, n, &header)) {
      error = "its header cannot be read";
    } else if (session.Place(group, n, place, &placed, &error)) {
      hostsim::SvgSymbolItem item;
      item.name = SjisToUtf8(header.name);
      item.kind = SjisToUtf8(header.kind);
      item.comment = SjisToUtf8(header.comment);
      item.desc = SymbolDescription(*item.kind, *item.comment);
      // The new art, topmost first, as the layers list it.
      for (hostsim::Layer* layer : document.layers())
        for (hostsim::Art* a : layer->group->children)
          if (a->alive && !before.count(a)) item.art.push_back(a);
      items.push_back(std::move(item));
      continue;
    }
    // What a failed placement left behind is no symbol's.
    for (hostsim::Art* a : TopArt(document))
      if (!before.count(a)) document.Dispose(a);
    err << "velm: " << group << ": record " << n << " left out: " << error << "\n";
    status = kExitProblems;
  }
  std::string error;
  if (!hostsim::WriteFileAtomically(output, hostsim::WriteSvgSymbolSet(document, items, group),
                                    &error)) {
    err << "velm: " << error << "\n";
    return kExitProblems;
  }
  out << "wrote " << output << " (" << items.size() << " of " << count << " records of " << group
      << " as symbols)\n";
  return status;
}

}  // namespace velmtool
