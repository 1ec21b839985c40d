// Reading SVG files: the XML parsed safely (no network, no outside files, entity expansion
// and nesting bounded), compressed files expanded within a limit, and the report's lines.
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "hostsim/svg/svg_reader_p.h"

namespace hostsim {
namespace {

// A compressed document expands to at most this much; past it, it is refused.
constexpr std::size_t kMaxExpanded = 64u << 20;
constexpr std::size_t kMaxFile = 256u << 20;

bool Gunzip(const std::string& in, const std::string& file, std::string* out, std::string* error) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
    *error = file + ":1: cannot expand the compressed document";
    return false;
  }
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  std::string result;
  char buffer[1 << 16];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    result.append(buffer, sizeof buffer - z.avail_out);
    if (result.size() > kMaxExpanded) {
      inflateEnd(&z);
      *error = file + ":1: the compressed document expands past " +
               std::to_string(kMaxExpanded >> 20) + " MiB: not read";
      return false;
    }
    if (status == Z_OK && z.avail_in == 0 && z.avail_out != 0) status = Z_BUF_ERROR;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) {
    *error = file + ":1: the compressed document is damaged";
    return false;
  }
  *out = std::move(result);
  return true;
}

// The external entities a document declares, noted while it is parsed.
struct ExternalEntities {
  std::vector<std::pair<int, std::string>> declared;  // line, name
};

// Internal entities are expanded; an external one (general or parameter) is declared in
// its place as an empty internal entity, so that nothing outside the document is ever read
// and its references expand to nothing.
void EntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar* publicId,
                const xmlChar* systemId, xmlChar* content) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  if (type == XML_EXTERNAL_GENERAL_PARSED_ENTITY || type == XML_EXTERNAL_PARAMETER_ENTITY) {
    if (auto* seen = static_cast<ExternalEntities*>(ctxt->_private))
      seen->declared.emplace_back(ctxt->input ? ctxt->input->line : 1,
                                  reinterpret_cast<const char*>(name));
    xmlSAX2EntityDecl(ctx, name,
                      type == XML_EXTERNAL_PARAMETER_ENTITY ? XML_INTERNAL_PARAMETER_ENTITY
                                                            : XML_INTERNAL_GENERAL_ENTITY,
                      nullptr, nullptr, const_cast<xmlChar*>(BAD_CAST ""));
    return;
  }
  xmlSAX2EntityDecl(ctx, name, type, publicId, systemId, content);
}

// An external DTD subset is never loaded.
void NoExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

}  // namespace

std::vector<std::string> SvgReport::Lines() const {
  std::vector<std::string> lines;
  for (const auto& [kind, count] : dropped)
    lines.push_back("not held by the host: " + kind + " (" + std::to_string(count) + ")");
  lines.insert(lines.end(), notes.begin(), notes.end());
  return lines;
}

bool IsSvgPath(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".svg" || ext == ".svgz";
}

bool ReadSvgText(const std::string& text, const std::string& file, SvgDocument* out,
                 std::string* error) {
  return ReadSvgText(text, file, SvgReadOptions{}, out, error);
}

bool ReadSvgText(const std::string& text, const std::string& file, const SvgReadOptions& options,
                 SvgDocument* out, std::string* error) {
  std::string dummy;
  if (!error) error = &dummy;
  *out = SvgDocument{};
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0x1f &&
      static_cast<unsigned char>(text[1]) == 0x8b) {
    std::string expanded;
    if (!Gunzip(text, file, &expanded, error)) return false;
    if (expanded.size() >= 2 && static_cast<unsigned char>(expanded[0]) == 0x1f &&
        static_cast<unsigned char>(expanded[1]) == 0x8b) {
      // One level only: a file that expands to itself would never end.
      *error = file + ":1: compressed twice: not read";
      return false;
    }
    return ReadSvgText(expanded, file, options, out, error);
  }
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) {
    *error = file + ":1: too large to read";
    return false;
  }
  // No network, no outside files, internal entities expanded (libxml2 refuses expansions
  // that amplify the document past its bounds), external ones empty (see EntityDecl), and
  // nesting limited to libxml2's 256 levels.
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) {
    *error = file + ":1: out of memory";
    return false;
  }
  ExternalEntities external;
  ctxt->_private = &external;
  ctxt->sax->entityDecl = EntityDecl;
  ctxt->sax->externalSubset = NoExternalSubset;
  xmlDocPtr doc = xmlCtxtReadMemory(
      ctxt, text.data(), static_cast<int>(text.size()), file.c_str(), nullptr,
      XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) {
    const xmlError& e = ctxt->lastError;
    std::string message = e.message ? e.message : "not well-formed XML";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
      message.pop_back();
    *error = file + ":" + std::to_string(std::max(1, e.line)) + ": " + message;
    xmlFreeParserCtxt(ctxt);
    return false;
  }
  xmlFreeParserCtxt(ctxt);
  bool ok = false;
  try {
    svg_in::Reader reader(doc, file, options);
    ok = reader.Read(out, error);
    std::vector<std::string> notes;
    for (const auto& [line, name] : external.declared)
      notes.push_back(file + ":" + std::to_string(line) + ": an external entity \"" + name +
                      "\": not read (its references are left empty)");
    if (ok) out->report.notes.insert(out->report.notes.begin(), notes.begin(), notes.end());
  } catch (const std::bad_alloc&) {
    *error = file + ":1: out of memory";
  }
  xmlFreeDoc(doc);
  if (!ok) *out = SvgDocument{};
  return ok;
}

bool ReadSvgFile(const std::string& path, SvgDocument* out, std::string* error) {
  return ReadSvgFile(path, SvgReadOptions{}, out, error);
}

bool ReadSvgFile(const std::string& path, const SvgReadOptions& options, SvgDocument* out,
                 std::string* error) {
  std::string dummy;
  if (!error) error = &dummy;
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *error = path + ": a folder, not an SVG document";
    return false;
  }
  const auto size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    *error = path + ": cannot be read";
    return false;
  }
  if (size > kMaxFile) {
    *error = path + ": larger than " + std::to_string(kMaxFile >> 20) + " MiB: not read";
    return false;
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return ReadSvgText(text, path, options, out, error);
}

}  // namespace hostsim
