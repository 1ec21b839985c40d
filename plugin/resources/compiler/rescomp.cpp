// Compiles the plug-in's resource sources (UTF-8 text) into a C++ table with every text
// converted to Shift-JIS (CP932).
//
//   rescomp OUT.cpp IN.rsrc...
//
// Source format, one statement per line ('#' starts a comment line):
//   strings ID            then one "quoted text" per line, then end
//   dialog ID "title" L T R B
//     item ID KIND L T R B "text" [PICTURE]  (KIND: button text edit picture checkbox radio
//   end                                  popup list frame user spinedit)
//   cursor ID HOTX HOTY | icon ID | picture ID
//     color C RRGGBB                   (optional; '.' is transparent, '#' black,
//     <rows of pixels, one char each>    'o' white, 'x' inverting)
//   end
// Quoted texts know the escapes \" \\ \r \n.
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Item {
  int id;
  std::string kind;
  int rect[4];
  std::string text;
  int pictureId = 0;
};
struct Dialog {
  int id;
  std::string title;
  int rect[4];
  std::vector<Item> items;
};
struct Image {
  int id;
  std::string kind;
  int hotX = 0, hotY = 0;
  int width = 0, height = 0;
  std::vector<unsigned> pixels;
};

std::map<int, std::vector<std::string>> gStrings;
std::vector<Dialog> gDialogs;
std::vector<Image> gImages;
std::string gFile;
int gLine = 0;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "%s:%d: %s\n", gFile.c_str(), gLine, what.c_str());
  std::exit(1);
}

std::string ToSjis(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) Fail("iconv has no CP932");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* src = const_cast<char*>(utf8.data());
  size_t srcLeft = utf8.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1))
    Fail("text cannot be written in Shift-JIS: " + utf8);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

// Reads a quoted text starting at `pos`; returns it converted to Shift-JIS.
std::string Quoted(const std::string& line, size_t& pos) {
  while (pos < line.size() && line[pos] == ' ')
    ++pos;
  if (pos >= line.size() || line[pos] != '"') Fail("quoted text expected");
  ++pos;
  std::string text;
  while (pos < line.size() && line[pos] != '"') {
    char c = line[pos++];
    if (c == '\\' && pos < line.size()) {
      const char e = line[pos++];
      c = e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    }
    text += c;
  }
  if (pos >= line.size()) Fail("unterminated text");
  ++pos;
  return ToSjis(text);
}

std::string Literal(const std::string& bytes) {
  std::string out = "\"";
  char buf[8];
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    }
  }
  return out + "\"";
}

unsigned PixelOf(char c, const std::map<char, unsigned>& colors) {
  auto it = colors.find(c);
  if (it != colors.end()) return it->second;
  switch (c) {
    case '.':
      return 0x00000000u;
    case '#':
      return 0xFF000000u;
    case 'o':
      return 0xFFFFFFFFu;
    case 'x':
      return 0x01FFFFFFu;
  }
  Fail(std::string("unknown pixel '") + c + "'");
}

void Parse(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot open " + path);
  gFile = path;
  gLine = 0;
  std::string line;
  auto next = [&](std::string& l) {
    while (std::getline(in, l)) {
      ++gLine;
      const size_t first = l.find_first_not_of(' ');
      if (first == std::string::npos || l[first] == '#') continue;
      l = l.substr(first);
      while (!l.empty() && (l.back() == ' ' || l.back() == '\r'))
        l.pop_back();
      return true;
    }
    return false;
  };
  while (next(line)) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "strings") {
      int id = 0;
      if (!(words >> id)) Fail("strings ID expected");
      auto& list = gStrings[id];
      std::string l;
      while (true) {
        if (!next(l)) Fail("missing end");
        if (l == "end") break;
        size_t pos = 0;
        list.push_back(Quoted(l, pos));
      }
    } else if (verb == "dialog") {
      Dialog d{};
      if (!(words >> d.id)) Fail("dialog ID expected");
      size_t pos = static_cast<size_t>(words.tellg());
      d.title = Quoted(line, pos);
      std::istringstream rest(line.substr(pos));
      if (!(rest >> d.rect[0] >> d.rect[1] >> d.rect[2] >> d.rect[3])) Fail("rect expected");
      std::string l;
      while (true) {
        if (!next(l)) Fail("missing end");
        if (l == "end") break;
        std::istringstream iw(l);
        std::string itemVerb;
        Item it{};
        iw >> itemVerb >> it.id >> it.kind >> it.rect[0] >> it.rect[1] >> it.rect[2] >> it.rect[3];
        if (itemVerb != "item" || !iw) Fail("item expected");
        size_t p = static_cast<size_t>(iw.tellg());
        it.text = Quoted(l, p);
        std::istringstream tail(l.substr(p));
        tail >> it.pictureId;
        d.items.push_back(it);
      }
      gDialogs.push_back(d);
    } else if (verb == "cursor" || verb == "icon" || verb == "picture") {
      Image img;
      img.kind = verb;
      if (!(words >> img.id)) Fail("image ID expected");
      if (verb == "cursor" && !(words >> img.hotX >> img.hotY)) Fail("hot spot expected");
      std::map<char, unsigned> colors;
      std::string l;
      while (true) {
        if (!next(l)) Fail("missing end");
        if (l == "end") break;
        if (l.rfind("color ", 0) == 0 && l.size() == 14) {
          colors[l[6]] = 0xFF000000u | static_cast<unsigned>(std::stoul(l.substr(8), nullptr, 16));
          continue;
        }
        if (img.width == 0) img.width = static_cast<int>(l.size());
        if (static_cast<int>(l.size()) != img.width) Fail("rows differ in width");
        for (char c : l)
          img.pixels.push_back(PixelOf(c, colors));
        ++img.height;
      }
      if (img.height == 0) Fail("empty image");
      gImages.push_back(img);
    } else {
      Fail("unknown statement " + verb);
    }
  }
}

const char* KindName(const std::string& kind) {
  static const std::map<std::string, const char*> kinds = {
      {"button", "kButton"},   {"text", "kText"},         {"edit", "kEdit"},
      {"picture", "kPicture"}, {"checkbox", "kCheckBox"}, {"radio", "kRadio"},
      {"popup", "kPopup"},     {"list", "kList"},         {"frame", "kFrame"},
      {"user", "kUserItem"},   {"spinedit", "kSpinEdit"}};
  auto it = kinds.find(kind);
  if (it == kinds.end()) Fail("unknown item kind " + kind);
  return it->second;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: rescomp OUT.cpp IN.rsrc...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i)
    Parse(argv[i]);
  std::ostringstream o;
  o << "// Generated from the resource sources; do not edit.\n"
       "#include \"resources/resource_table.h\"\n\nnamespace velm::res {\nnamespace {\n\n";
  for (auto& [id, list] : gStrings) {
    o << "const char* const kStrings" << id << "[] = {\n";
    for (auto& s : list)
      o << "    " << Literal(s) << ",\n";
    o << "    nullptr};\n";
  }
  o << "const StringList kStringLists[] = {\n";
  for (auto& [id, list] : gStrings)
    o << "    {" << id << ", " << list.size() << ", kStrings" << id << "},\n";
  o << "};\n\n";
  for (auto& d : gDialogs) {
    o << "const DialogItem kItems" << d.id << "[] = {\n";
    for (auto& it : d.items)
      o << "    {" << it.id << ", ItemKind::" << KindName(it.kind) << ", {" << it.rect[0] << ", "
        << it.rect[1] << ", " << it.rect[2] << ", " << it.rect[3] << "}, " << Literal(it.text)
        << ", " << it.pictureId << "},\n";
    o << "};\n";
  }
  o << "const Dialog kDialogs[] = {\n";
  for (auto& d : gDialogs)
    o << "    {" << d.id << ", " << Literal(d.title) << ", {" << d.rect[0] << ", " << d.rect[1]
      << ", " << d.rect[2] << ", " << d.rect[3] << "}, " << d.items.size() << ", kItems" << d.id
      << "},\n";
  o << "};\n\n";
  for (size_t k = 0; k < gImages.size(); ++k) {
    o << "const std::uint32_t kPixels" << k << "[] = {";
    for (size_t p = 0; p < gImages[k].pixels.size(); ++p) {
      if (p % 8 == 0) o << "\n   ";
      char buf[16];
      std::snprintf(buf, sizeof buf, " 0x%08Xu,", gImages[k].pixels[p]);
      o << buf;
    }
    o << "};\n";
  }
  o << "const Image kImages[] = {\n";
  for (size_t k = 0; k < gImages.size(); ++k) {
    const Image& im = gImages[k];
    const char* kind = im.kind == "cursor" ? "kCursor" : im.kind == "icon" ? "kIcon" : "kPicture";
    o << "    {" << im.id << ", ImageKind::" << kind << ", " << im.width << ", " << im.height
      << ", " << im.hotX << ", " << im.hotY << ", kPixels" << k << "},\n";
  }
  o << "};\n\n}  // namespace\n\n";
  o << "const ResourceTable& Resources() {\n"
       "  static const ResourceTable table = {kResourceTableVersion,\n"
       "      static_cast<std::int32_t>(sizeof kStringLists / sizeof kStringLists[0]), "
       "kStringLists,\n"
       "      static_cast<std::int32_t>(sizeof kDialogs / sizeof kDialogs[0]), kDialogs,\n"
       "      static_cast<std::int32_t>(sizeof kImages / sizeof kImages[0]), kImages};\n"
       "  return table;\n}\n\n}  // namespace velm::res\n";
  std::ofstream out(argv[1]);
  out << o.str();
  return out ? 0 : 1;
}
