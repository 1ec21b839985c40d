// Compiles the plug-in's resource sources (UTF-8 text) into a C++ table with every text
// converted to Shift-JIS (CP932), or into a Windows resource script.
//
//   rescomp OUT.cpp IN.rsrc...
//   rescomp --rc OUT.rc IN.rsrc...   the script, and beside it the cursor (.cur), icon
//                                    (.ico), picture (.bmp) and property-list files it
//                                    names; plugin/resources/README.md describes them
//
// Source format, one statement per line ('#' starts a comment line, except for an
// image's rows of pixels):
//   strings ID            then one "quoted text" per line, then end
//   dialog ID "title" L T R B [font "face" POINTS]
//     item ID KIND L T R B "text" [PICTURE] [right]
//   end                                  (KIND: button text edit picture checkbox radio
//                                         popup editpopup list frame user spinedit;
//                                         'right' right-aligns a text)
//   cursor ID HOTX HOTY | icon ID | picture ID
//     color C RRGGBB                   (optional; '.' is transparent, '#' black,
//     <rows of pixels, one char each>    'o' white, 'x' inverting)
//   end
//   properties ID                      the plug-in property list (Windows only), then
//     code VENDOR KEY CODE             a four-character code,
//     long VENDOR KEY NUMBER           a 32-bit number or
//     text VENDOR KEY "TEXT"           a NUL-terminated text, one property per line
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
  bool right = false;
};
struct Dialog {
  int id;
  std::string title;
  int rect[4];
  std::vector<Item> items;
  std::string font;  // Shift-JIS; empty: none named
  int fontSize = 0;
};
struct Image {
  int id;
  std::string kind;
  int hotX = 0, hotY = 0;
  int width = 0, height = 0;
  std::vector<unsigned> pixels;
};

struct Property {
  std::string vendor;  // four-character codes
  std::string key;
  std::vector<unsigned char> data;  // as stored, before padding
};
struct PropertyList {
  int id;
  std::vector<Property> properties;
};

std::map<int, std::vector<std::string>> gStrings;
std::vector<PropertyList> gPropertyLists;
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

std::string FourCharCode(std::istringstream& words) {
  std::string code;
  if (!(words >> code) || code.size() != 4) Fail("four-character code expected");
  for (char c : code)
    if (c < 0x20 || c > 0x7E) Fail("four-character codes are printable ASCII");
  return code;
}

// The bytes of a four-character code as a little-endian 32-bit value: reversed.
void AppendCode(std::vector<unsigned char>& out, const std::string& code) {
  for (int i = 3; i >= 0; --i)
    out.push_back(static_cast<unsigned char>(code[static_cast<size_t>(i)]));
}

void AppendLE32(std::vector<unsigned char>& out, unsigned long value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFF));
}

Property ParseProperty(const std::string& line) {
  std::istringstream words(line);
  std::string form;
  words >> form;
  Property p;
  p.vendor = FourCharCode(words);
  p.key = FourCharCode(words);
  if (form == "code") {
    AppendCode(p.data, FourCharCode(words));
  } else if (form == "long") {
    long value = 0;
    if (!(words >> value) || value < -2147483648L || value > 4294967295L) Fail("number expected");
    AppendLE32(p.data, static_cast<unsigned long>(value));
  } else if (form == "text") {
    size_t pos = static_cast<size_t>(words.tellg());
    const std::string text = Quoted(line, pos);
    p.data.assign(text.begin(), text.end());
    p.data.push_back(0);
  } else {
    Fail("property form code, long or text expected");
  }
  return p;
}

void Parse(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot open " + path);
  gFile = path;
  gLine = 0;
  std::string line;
  // Within an image a row may begin with '#' (a black pixel): no comment there.
  auto next = [&](std::string& l, bool pixelRows = false) {
    while (std::getline(in, l)) {
      ++gLine;
      const size_t first = l.find_first_not_of(' ');
      if (first == std::string::npos || (l[first] == '#' && !pixelRows)) continue;
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
      std::string word;
      if (rest >> word) {
        if (word != "font") Fail("font expected after the rect");
        size_t at = pos + static_cast<size_t>(rest.tellg());
        d.font = Quoted(line, at);
        std::istringstream size(line.substr(at));
        if (!(size >> d.fontSize) || d.fontSize <= 0 || d.font.empty())
          Fail("font \"face\" POINTS expected");
      }
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
        for (std::string option; tail >> option;) {
          if (option == "right") {
            if (it.kind != "text") Fail("only texts are aligned");
            it.right = true;
          } else if (option.size() <= 9 &&
                     option.find_first_not_of("0123456789") == std::string::npos) {
            it.pictureId = std::stoi(option);
          } else {
            Fail("picture id or 'right' expected: " + option);
          }
        }
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
        if (!next(l, true)) Fail("missing end");
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
    } else if (verb == "properties") {
      PropertyList list{};
      if (!(words >> list.id)) Fail("properties ID expected");
      std::string l;
      while (true) {
        if (!next(l)) Fail("missing end");
        if (l == "end") break;
        list.properties.push_back(ParseProperty(l));
      }
      gPropertyLists.push_back(list);
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
      {"user", "kUserItem"},   {"spinedit", "kSpinEdit"}, {"editpopup", "kEditablePopup"}};
  auto it = kinds.find(kind);
  if (it == kinds.end()) Fail("unknown item kind " + kind);
  return it->second;
}

// ---- Windows resource script ----
//
// String list L, text i (from 1): STRINGTABLE entry L + i. Lists whose ranges would
// overlap are refused. Dialogs: DIALOGEX with the source rectangles as they stand
// (x = L, y = T, width = R - L, height = B - T), one CONTROL per item, its kind told by
// window class and style (KindClass). Four-character codes of the property list are
// little-endian 32-bit values.

constexpr unsigned long kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr unsigned long kTabStop = 0x00010000;
constexpr unsigned long kBorder = 0x00800000;
constexpr unsigned long kVScroll = 0x00200000;
// DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
constexpr unsigned long kDialogStyle = 0x80C800C0;
constexpr unsigned long kRightText = 0x0002;  // SS_RIGHT
// The font of dialogs whose source names none.
constexpr char kSystemDialogFont[] = "MS UI Gothic";
constexpr int kSystemDialogFontSize = 9;

struct KindClass {
  const char* kind;
  const char* windowClass;
  unsigned long style;  // beside WS_CHILD | WS_VISIBLE
};

// Keep in step with the table in plugin/resources/README.md.
constexpr KindClass kKindClasses[] = {
    {"button", "Button", 0x0000 | kTabStop},                      // BS_PUSHBUTTON
    {"text", "Static", 0x0000},                                   // SS_LEFT
    {"edit", "Edit", 0x0080 | kBorder | kTabStop},                // ES_AUTOHSCROLL
    {"picture", "Static", 0x000E},                                // SS_BITMAP (SS_ICON 0x3)
    {"checkbox", "Button", 0x0003 | kTabStop},                    // BS_AUTOCHECKBOX
    {"radio", "Button", 0x0009 | kTabStop},                       // BS_AUTORADIOBUTTON
    {"popup", "ComboBox", 0x0003 | kVScroll | kTabStop},          // CBS_DROPDOWNLIST
    {"editpopup", "ComboBox", 0x0042 | kVScroll | kTabStop},      // CBS_DROPDOWN | CBS_AUTOHSCROLL
    {"list", "ListBox", 0x0001 | kVScroll | kBorder | kTabStop},  // LBS_NOTIFY
    {"frame", "Button", 0x0007},                                  // BS_GROUPBOX
    {"user", "Static", 0x000D},                                   // SS_OWNERDRAW
    {"spinedit", "Edit", 0x2080 | kBorder | kTabStop},            // ES_NUMBER | ES_AUTOHSCROLL
};

const KindClass& ClassOf(const std::string& kind) {
  for (const KindClass& k : kKindClasses)
    if (kind == k.kind) return k;
  Fail("unknown item kind " + kind);
}

// A resource-script string: Shift-JIS bytes as they are where printable ASCII, octal
// escapes for everything else (so that a 0x5C trail byte is never read as an escape),
// "" for a quote. The script's code page turns the bytes into UTF-16.
std::string RcLiteral(const std::string& bytes) {
  std::string out = "\"";
  char buf[8];
  for (unsigned char c : bytes) {
    if (c == '"') {
      out += "\"\"";
    } else if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    }
  }
  return out + "\"";
}

// A file name in the script (our own output folder: no quotes or backslashes expected).
std::string RcFileName(const std::string& path) {
  if (path.find_first_of("\"\\") != std::string::npos) Fail("unusable output path " + path);
  return "\"" + path + "\"";
}

class Bytes {
 public:
  void U8(unsigned v) { data_.push_back(static_cast<unsigned char>(v & 0xFF)); }
  void U16(unsigned v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(unsigned long v) {
    U16(static_cast<unsigned>(v & 0xFFFF));
    U16(static_cast<unsigned>(v >> 16));
  }
  void Append(const std::vector<unsigned char>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
  }
  size_t size() const { return data_.size(); }
  const std::vector<unsigned char>& data() const { return data_; }
  void Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data_.data()),
              static_cast<std::streamsize>(data_.size()));
    if (!out) Fail("cannot write " + path);
  }

 private:
  std::vector<unsigned char> data_;
};

// BITMAPINFOHEADER; `height` is the stored height (doubled for icons and cursors).
void InfoHeader(Bytes& b, int width, int height, int bitCount, unsigned long imageSize) {
  b.U32(40);
  b.U32(static_cast<unsigned long>(width));
  b.U32(static_cast<unsigned long>(height));
  b.U16(1);
  b.U16(static_cast<unsigned>(bitCount));
  b.U32(0);  // BI_RGB
  b.U32(imageSize);
  b.U32(0);
  b.U32(0);
  b.U32(0);
  b.U32(0);
}

// A 1-bit mask, bottom row first, rows padded to 32 bits; bit 7 of a byte is the leftmost
// pixel.
std::vector<unsigned char> Mask(const Image& im, bool (*set)(unsigned pixel)) {
  const int stride = (im.width + 31) / 32 * 4;
  std::vector<unsigned char> mask(static_cast<size_t>(stride * im.height), 0);
  for (int y = 0; y < im.height; ++y) {
    const int row = im.height - 1 - y;
    for (int x = 0; x < im.width; ++x)
      if (set(im.pixels[static_cast<size_t>(y * im.width + x)]))
        mask[static_cast<size_t>(row * stride + x / 8)] |=
            static_cast<unsigned char>(0x80 >> (x % 8));
  }
  return mask;
}

bool Opaque(unsigned p) {
  return (p >> 24) != 0 && p != 0x01FFFFFFu;
}
bool Light(unsigned p) {
  const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return r * 299 + g * 587 + b * 114 >= 128000;
}

// Cursors are monochrome: AND 1 / XOR 0 transparent, AND 1 / XOR 1 inverting,
// AND 0 with XOR 0 black or XOR 1 white (opaque colours by their lightness).
Bytes CursorFile(const Image& im) {
  if (im.width > 255 || im.height > 255) Fail("cursor too large");
  const std::vector<unsigned char> andMask = Mask(im, [](unsigned p) { return !Opaque(p); });
  const std::vector<unsigned char> xorMask =
      Mask(im, [](unsigned p) { return p == 0x01FFFFFFu || (Opaque(p) && Light(p)); });
  const unsigned long imageSize = static_cast<unsigned long>(andMask.size() + xorMask.size());
  const unsigned long bytes = 40 + 8 + imageSize;
  Bytes b;
  b.U16(0);  // reserved
  b.U16(2);  // cursor
  b.U16(1);  // one image
  b.U8(static_cast<unsigned>(im.width));
  b.U8(static_cast<unsigned>(im.height));
  b.U8(2);  // colours
  b.U8(0);
  b.U16(static_cast<unsigned>(im.hotX));
  b.U16(static_cast<unsigned>(im.hotY));
  b.U32(bytes);
  b.U32(6 + 16);
  InfoHeader(b, im.width, im.height * 2, 1, imageSize);
  b.U32(0x00000000);  // black
  b.U32(0x00FFFFFF);  // white
  b.Append(xorMask);
  b.Append(andMask);
  return b;
}

// 32-bit pixels, bottom row first, as blue, green, red, alpha.
void Pixels32(Bytes& b, const Image& im) {
  for (int y = im.height - 1; y >= 0; --y)
    for (int x = 0; x < im.width; ++x) {
      const unsigned p = im.pixels[static_cast<size_t>(y * im.width + x)];
      b.U8(p);
      b.U8(p >> 8);
      b.U8(p >> 16);
      b.U8(p >> 24);
    }
}

Bytes IconFile(const Image& im) {
  if (im.width > 256 || im.height > 256) Fail("icon too large");
  const std::vector<unsigned char> andMask = Mask(im, [](unsigned p) { return (p >> 24) == 0; });
  const unsigned long imageSize = static_cast<unsigned long>(im.width * im.height * 4) +
                                  static_cast<unsigned long>(andMask.size());
  Bytes b;
  b.U16(0);
  b.U16(1);  // icon
  b.U16(1);
  b.U8(static_cast<unsigned>(im.width & 0xFF));  // 256 is written as 0
  b.U8(static_cast<unsigned>(im.height & 0xFF));
  b.U8(0);
  b.U8(0);
  b.U16(1);   // planes
  b.U16(32);  // bits per pixel
  b.U32(40 + imageSize);
  b.U32(6 + 16);
  InfoHeader(b, im.width, im.height * 2, 32, imageSize);
  Pixels32(b, im);
  b.Append(andMask);
  return b;
}

Bytes PictureFile(const Image& im) {
  const unsigned long imageSize = static_cast<unsigned long>(im.width * im.height * 4);
  Bytes b;
  b.U8('B');
  b.U8('M');
  b.U32(14 + 40 + imageSize);
  b.U32(0);
  b.U32(14 + 40);
  InfoHeader(b, im.width, im.height, 32, imageSize);
  Pixels32(b, im);
  return b;
}

// Version 0, the property count, then per property: vendor, key, id 0, the length of its
// data, the data padded with zeros to a multiple of 4 bytes (the length counts the
// padding). Every field is a little-endian 32-bit value.
Bytes PropertyListFile(const PropertyList& list) {
  Bytes b;
  b.U32(0);
  b.U32(static_cast<unsigned long>(list.properties.size()));
  for (const Property& p : list.properties) {
    std::vector<unsigned char> code;
    AppendCode(code, p.vendor);
    AppendCode(code, p.key);
    b.Append(code);
    b.U32(0);
    std::vector<unsigned char> data = p.data;
    while (data.size() % 4)
      data.push_back(0);
    b.U32(static_cast<unsigned long>(data.size()));
    b.Append(data);
  }
  return b;
}

const Image* FindImageOf(int id, const char* kind) {
  for (const Image& im : gImages)
    if (im.id == id && im.kind == kind) return &im;
  return nullptr;
}

int WriteScript(const std::string& outPath) {
  gFile = outPath;
  gLine = 0;
  const size_t slash = outPath.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : outPath.substr(0, slash);
  std::ostringstream o;
  o << "// Generated from the resource sources; do not edit. Texts are Shift-JIS.\n"
       "// String list L, text i (from 1) is STRINGTABLE entry L + i.\n"
       "#pragma code_page(932)\n\nLANGUAGE 0, 0\n\n";

  int lastId = -1;
  int lastList = 0;
  o << "STRINGTABLE\nBEGIN\n";
  for (auto& [id, list] : gStrings) {
    const long firstEntry = static_cast<long>(id) + 1;
    const long lastEntry = static_cast<long>(id) + static_cast<long>(list.size());
    if (id < 0 || lastEntry > 65535) Fail("string list " + std::to_string(id) + " out of range");
    if (firstEntry <= lastId)
      Fail("string lists " + std::to_string(lastList) + " and " + std::to_string(id) + " overlap");
    for (size_t i = 0; i < list.size(); ++i)
      if (!list[i].empty())  // an empty text and a missing entry read the same
        o << "  " << firstEntry + static_cast<long>(i) << ", " << RcLiteral(list[i]) << "\n";
    lastId = static_cast<int>(lastEntry);
    lastList = id;
  }
  o << "END\n\n";

  char style[24];
  for (const Dialog& d : gDialogs) {
    std::snprintf(style, sizeof style, "0x%08lX", kDialogStyle);
    o << d.id << " DIALOGEX " << d.rect[0] << ", " << d.rect[1] << ", " << d.rect[2] - d.rect[0]
      << ", " << d.rect[3] - d.rect[1] << "\nSTYLE " << style << "\nCAPTION " << RcLiteral(d.title)
      << "\nFONT " << (d.font.empty() ? kSystemDialogFontSize : d.fontSize) << ", "
      << RcLiteral(d.font.empty() ? std::string(kSystemDialogFont) : d.font)
      << ", 400, 0, 0x80\nBEGIN\n";
    for (const Item& it : d.items) {
      const KindClass& k = ClassOf(it.kind);
      unsigned long itemStyle = kChildVisible | k.style;
      if (it.right) itemStyle |= kRightText;
      std::string text = RcLiteral(it.text);
      if (it.kind == "picture") {
        if (FindImageOf(it.pictureId, "icon")) itemStyle = (itemStyle & ~0xFFul) | 0x03;
        if (it.pictureId) text = std::to_string(it.pictureId);  // the image by ordinal
      }
      std::snprintf(style, sizeof style, "0x%08lX", itemStyle);
      o << "  CONTROL " << text << ", " << it.id << ", \"" << k.windowClass << "\", " << style
        << ", " << it.rect[0] << ", " << it.rect[1] << ", " << it.rect[2] - it.rect[0] << ", "
        << it.rect[3] - it.rect[1] << "\n";
    }
    o << "END\n\n";
  }

  for (const Image& im : gImages) {
    const std::string id = std::to_string(im.id);
    std::string file;
    if (im.kind == "cursor") {
      file = folder + "/cursor-" + id + ".cur";
      CursorFile(im).Save(file);
      o << id << " CURSOR " << RcFileName(file) << "\n";
    } else if (im.kind == "icon") {
      file = folder + "/icon-" + id + ".ico";
      IconFile(im).Save(file);
      o << id << " ICON " << RcFileName(file) << "\n";
    } else {
      file = folder + "/picture-" + id + ".bmp";
      PictureFile(im).Save(file);
      o << id << " BITMAP " << RcFileName(file) << "\n";
    }
  }

  for (const PropertyList& list : gPropertyLists) {
    const std::string file = folder + "/properties-" + std::to_string(list.id) + ".bin";
    PropertyListFile(list).Save(file);
    o << "\n" << list.id << " PIPL " << RcFileName(file) << "\n";
  }

  std::ofstream out(outPath);
  out << o.str();
  return out ? 0 : 1;
}

int WriteTable(const char* outPath) {
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
        << ", " << it.pictureId << ", TextAlign::" << (it.right ? "kRight" : "kLeft") << "},\n";
    o << "};\n";
  }
  o << "const Dialog kDialogs[] = {\n";
  for (auto& d : gDialogs)
    o << "    {" << d.id << ", " << Literal(d.title) << ", {" << d.rect[0] << ", " << d.rect[1]
      << ", " << d.rect[2] << ", " << d.rect[3] << "}, " << d.items.size() << ", kItems" << d.id
      << ", " << (d.font.empty() ? std::string("nullptr") : Literal(d.font)) << ", " << d.fontSize
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
  std::ofstream out(outPath);
  out << o.str();
  return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool script = argc > 1 && std::string(argv[1]) == "--rc";
  const int first = script ? 3 : 2;
  if (argc <= first) {
    std::fprintf(stderr,
                 "usage: rescomp OUT.cpp IN.rsrc...\n       rescomp --rc OUT.rc IN.rsrc...\n");
    return 2;
  }
  for (int i = first; i < argc; ++i)
    Parse(argv[i]);
  return script ? WriteScript(argv[2]) : WriteTable(argv[1]);
}
