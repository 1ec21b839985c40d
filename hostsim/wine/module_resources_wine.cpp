// The Windows module's resources, read as a host reads them: from the module's own resource
// section through the Windows calls (string tables, dialog templates, cursors, icons,
// bitmaps, the property list), turned into the table the rest of the host reads. Compiled
// by wine's compiler driver like the loader beside it, so it keeps to C++ without wide
// characters.
#include "hostsim/wine/module_resources_wine.h"

#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace hostsim::wine {
namespace {

namespace res = velm::res;

std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

// The bytes of one resource; a null range when there is none.
struct Bytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  const std::uint8_t* end() const { return data + size; }
};

Bytes Resource(HMODULE module, std::int32_t id, LPCWSTR type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const std::uint8_t*>(bytes), SizeofResource(module, found)};
}

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::vector<std::int32_t>*>(out)->push_back(
        static_cast<std::int32_t>(reinterpret_cast<ULONG_PTR>(name)));
  return TRUE;
}

// The integer names of every resource of `type`.
std::vector<std::int32_t> Names(HMODULE module, LPCWSTR type) {
  std::vector<std::int32_t> names;
  EnumResourceNamesW(module, type, AddName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

// UTF-16 text (`count` units at `p`) as Shift-JIS, code page 932.
std::string Sjis(const std::uint8_t* p, std::size_t count) {
  std::vector<WCHAR> wide(count + 1, 0);
  for (std::size_t i = 0; i < count; ++i)
    wide[i] = static_cast<WCHAR>(U16(p + 2 * i));
  if (count == 0) return {};
  const int n = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(count), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(count), out.data(), n, nullptr,
                        nullptr);
  return out;
}

// A name-or-ordinal field of a template: its text (Shift-JIS), or its ordinal in *ordinal
// (else −1). False when it runs past `end`.
bool NameOrOrdinal(const std::uint8_t*& p, const std::uint8_t* end, std::string* text,
                   int* ordinal) {
  *ordinal = -1;
  text->clear();
  if (p + 2 > end) return false;
  if (U16(p) == 0xFFFF) {
    if (p + 4 > end) return false;
    *ordinal = U16(p + 2);
    p += 4;
    return true;
  }
  const std::uint8_t* start = p;
  while (p + 2 <= end && U16(p) != 0)
    p += 2;
  if (p + 2 > end) return false;
  *text = Sjis(start, static_cast<std::size_t>(p - start) / 2);
  p += 2;
  return true;
}

// A control's kind, from its window class (a name or a predefined ordinal) and style.
res::ItemKind KindOf(std::string windowClass, int ordinal, std::uint32_t style) {
  static const char* const kPredefined[] = {"BUTTON",  "EDIT",      "STATIC",
                                            "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  if (ordinal >= 0x80 && ordinal <= 0x85) windowClass = kPredefined[ordinal - 0x80];
  for (char& c : windowClass)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (windowClass == "BUTTON") {
    switch (style & 0xF) {
      case 0x0:
        return res::ItemKind::kButton;
      case 0x3:
        return res::ItemKind::kCheckBox;
      case 0x9:
        return res::ItemKind::kRadio;
      case 0x7:
        return res::ItemKind::kFrame;
    }
  } else if (windowClass == "STATIC") {
    switch (style & 0x1F) {
      case SS_LEFT:
      case SS_RIGHT:
        return res::ItemKind::kText;
      case SS_ICON:
      case SS_BITMAP:
        return res::ItemKind::kPicture;
      case SS_OWNERDRAW:
        return res::ItemKind::kUserItem;
    }
  } else if (windowClass == "EDIT") {
    return (style & ES_NUMBER) ? res::ItemKind::kSpinEdit : res::ItemKind::kEdit;
  } else if (windowClass == "COMBOBOX") {
    return (style & 0x3) == CBS_DROPDOWN ? res::ItemKind::kEditablePopup : res::ItemKind::kPopup;
  } else if (windowClass == "LISTBOX") {
    return res::ItemKind::kList;
  }
  return static_cast<res::ItemKind>(0);
}

}  // namespace

// Everything the table points at lives here, for as long as the module stays loaded.
struct ModuleResources::Store {
  res::ResourceTable table{};
  std::deque<std::string> texts;
  std::vector<const char*> strings;  // by string id; "" where the module has none
  std::vector<res::StringList> lists;
  std::deque<std::vector<res::DialogItem>> items;
  std::vector<res::Dialog> dialogs;
  std::deque<std::vector<std::uint32_t>> pixels;
  std::vector<res::Image> images;

  const char* Keep(std::string text) { return texts.emplace_back(std::move(text)).c_str(); }
  bool ReadStrings(HMODULE module);
  bool ReadDialog(HMODULE module, std::int32_t id, std::string* error);
  bool ReadImages(HMODULE module, std::string* error);
};

// String i of list L is the string table's entry L + i (the entry L itself is never used,
// so a list starts after an empty entry). Each list reads on to the last entry the module
// has, as the system's string calls would: an index past a list's own texts reads the
// empty entry that starts the next list, or nothing.
bool ModuleResources::Store::ReadStrings(HMODULE module) {
  std::map<std::int32_t, std::string> byId;
  for (const std::int32_t block : Names(module, MAKEINTRESOURCEW(6))) {
    const Bytes b = Resource(module, block, MAKEINTRESOURCEW(6));
    const std::uint8_t* p = b.data;
    for (std::int32_t k = 0; k < 16 && p && p + 2 <= b.end(); ++k) {
      const std::size_t n = U16(p);
      p += 2;
      if (p + 2 * n > b.end()) return false;
      if (n > 0) byId[(block - 1) * 16 + k] = Sjis(p, n);
      p += 2 * n;
    }
  }
  if (byId.empty()) return true;
  const std::int32_t last = byId.rbegin()->first;
  strings.assign(static_cast<std::size_t>(last) + 1, "");
  for (auto& [id, text] : byId)
    strings[static_cast<std::size_t>(id)] = Keep(std::move(text));
  for (const auto& entry : byId) {
    const std::int32_t head = entry.first - 1;
    if (head >= 0 && !byId.count(head))
      lists.push_back({head, last - head, &strings[static_cast<std::size_t>(head) + 1]});
  }
  return true;
}

// An extended dialog template (the only kind the module carries): its rectangle as it
// stands, its title and font, each control's id, rectangle, kind and text (a picture's id
// where its text is an ordinal).
bool ModuleResources::Store::ReadDialog(HMODULE module, std::int32_t id, std::string* error) {
  const Bytes b = Resource(module, id, MAKEINTRESOURCEW(5));
  const auto fail = [&](const char* what) {
    *error = "dialog " + std::to_string(id) + " of the module: " + what;
    return false;
  };
  if (b.size < 26 || U16(b.data) != 1 || U16(b.data + 2) != 0xFFFF)
    return fail("not an extended template");
  const std::uint8_t* p = b.data;
  const std::uint32_t style = U32(p + 12);
  const std::int32_t count = U16(p + 16);
  const auto at = [&](int offset) { return static_cast<std::int16_t>(U16(p + offset)); };
  res::Dialog d{};
  d.id = id;
  d.rect = {at(18), at(20), at(18) + at(22), at(20) + at(24)};
  p += 26;
  std::string text;
  int ordinal = 0;
  if (!NameOrOrdinal(p, b.end(), &text, &ordinal) || !NameOrOrdinal(p, b.end(), &text, &ordinal))
    return fail("menu or class cut short");
  if (!NameOrOrdinal(p, b.end(), &text, &ordinal)) return fail("title cut short");
  d.title = Keep(text);
  if (style & DS_SETFONT) {
    if (p + 6 > b.end()) return fail("font cut short");
    d.fontSize = U16(p);
    p += 6;  // point size, weight, italic, character set
    if (!NameOrOrdinal(p, b.end(), &text, &ordinal)) return fail("font cut short");
    // The system's dialog font is what a template without a font of its own names.
    if (text != "MS UI Gothic" || d.fontSize != 9) d.fontName = Keep(text);
    if (!d.fontName) d.fontSize = 0;
  }
  std::vector<res::DialogItem>& list = items.emplace_back();
  for (std::int32_t i = 0; i < count; ++i) {
    p = b.data + ((p - b.data + 3) & ~std::ptrdiff_t{3});
    if (p + 24 > b.end()) return fail("controls cut short");
    const std::uint32_t itemStyle = U32(p + 8);
    res::DialogItem item{};
    item.rect = {at(12), at(14), at(12) + at(16), at(14) + at(18)};
    item.id = static_cast<std::int32_t>(U32(p + 20));
    p += 24;
    if (!NameOrOrdinal(p, b.end(), &text, &ordinal)) return fail("control class cut short");
    item.kind = KindOf(text, ordinal, itemStyle);
    if (static_cast<int>(item.kind) == 0) return fail("a control of an unknown kind");
    item.align = item.kind == res::ItemKind::kText && (itemStyle & 0x1F) == SS_RIGHT
                     ? res::TextAlign::kRight
                     : res::TextAlign::kLeft;
    if (!NameOrOrdinal(p, b.end(), &text, &ordinal)) return fail("control text cut short");
    if (item.kind == res::ItemKind::kPicture && ordinal >= 0) item.pictureId = ordinal;
    item.text = Keep(text);
    if (p + 2 > b.end() || p + 2 + U16(p) > b.end()) return fail("creation data cut short");
    p += 2 + U16(p);
    list.push_back(item);
  }
  d.itemCount = count;
  d.items = list.data();
  dialogs.push_back(d);
  return true;
}

// Cursors (monochrome: transparent, inverting, black or white), icons (32-bit with their
// alpha) and bitmaps (32-bit, the fourth byte alpha), each as 0xAARRGGBB, top row first.
bool ModuleResources::Store::ReadImages(HMODULE module, std::string* error) {
  struct Kind {
    res::ImageKind kind;
    int groupType, imageType;  // groupType 0: the resource is the image itself
  };
  const Kind kKinds[] = {{res::ImageKind::kCursor, 12, 1},
                         {res::ImageKind::kIcon, 14, 3},
                         {res::ImageKind::kPicture, 0, 2}};
  for (const Kind& kind : kKinds) {
    const LPCWSTR listed = MAKEINTRESOURCEW(kind.groupType ? kind.groupType : kind.imageType);
    for (const std::int32_t id : Names(module, listed)) {
      const auto fail = [&](const char* what) {
        *error = "image " + std::to_string(id) + " of the module: " + what;
        return false;
      };
      res::Image image{};
      image.id = id;
      image.kind = kind.kind;
      Bytes b = Resource(module, id, listed);
      if (kind.groupType) {  // a group of one image: its entry names the image
        if (b.size < 6 + 14 || U16(b.data + 4) < 1) return fail("an empty group");
        b = Resource(module, U16(b.data + 6 + 12), MAKEINTRESOURCEW(kind.imageType));
      }
      const bool cursor = kind.kind == res::ImageKind::kCursor;
      const std::uint8_t* info = b.data + (cursor ? 4 : 0);
      if (!b.data || info + 40 > b.end()) return fail("cut short");
      if (cursor) {
        image.hotX = U16(b.data);
        image.hotY = U16(b.data + 2);
      }
      const std::int32_t w = static_cast<std::int32_t>(U32(info + 4));
      const std::int32_t rows = static_cast<std::int32_t>(U32(info + 8));
      const std::int32_t h = kind.groupType ? rows / 2 : rows;  // the masks double it
      const int bits = U16(info + 14);
      if (w <= 0 || h <= 0 || w > 4096 || h > 4096 || bits != (cursor ? 1 : 32))
        return fail("not an image this host reads");
      image.width = w;
      image.height = h;
      std::vector<std::uint32_t>& px = pixels.emplace_back(static_cast<std::size_t>(w * h));
      if (cursor) {
        const std::size_t stride = static_cast<std::size_t>((w + 31) / 32 * 4);
        const std::uint8_t* xorMask = info + 40 + 8;  // after the two palette colours
        const std::uint8_t* andMask = xorMask + stride * static_cast<std::size_t>(h);
        if (andMask + stride * static_cast<std::size_t>(h) > b.end()) return fail("cut short");
        for (std::int32_t y = 0; y < h; ++y)
          for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(h - 1 - y) * stride + x / 8;
            const int bit = 0x80 >> (x % 8);
            const bool andBit = andMask[at] & bit, xorBit = xorMask[at] & bit;
            px[static_cast<std::size_t>(y * w + x)] =
                andBit ? (xorBit ? res::kInvertPixel : 0u) : (xorBit ? 0xFFFFFFFFu : 0xFF000000u);
          }
      } else {
        const std::uint8_t* rowsStart = info + U32(info);
        if (rowsStart + static_cast<std::size_t>(w * h) * 4 > b.end()) return fail("cut short");
        for (std::int32_t y = 0; y < h; ++y)
          for (std::int32_t x = 0; x < w; ++x) {
            const std::uint8_t* q = rowsStart + (static_cast<std::size_t>(h - 1 - y) * w + x) * 4;
            px[static_cast<std::size_t>(y * w + x)] = (std::uint32_t{q[3]} << 24) |
                                                      (std::uint32_t{q[2]} << 16) |
                                                      (std::uint32_t{q[1]} << 8) | q[0];
          }
      }
      image.pixels = px.data();
      images.push_back(image);
    }
  }
  return true;
}

ModuleResources::ModuleResources() = default;
ModuleResources::~ModuleResources() = default;

bool ModuleResources::Read(HMODULE module, std::string* error) {
  auto store = std::make_unique<Store>();
  if (!store->ReadStrings(module)) {
    *error = "the module's string tables are damaged";
    return false;
  }
  for (const std::int32_t id : Names(module, MAKEINTRESOURCEW(5)))
    if (!store->ReadDialog(module, id, error)) return false;
  if (!store->ReadImages(module, error)) return false;
  res::ResourceTable& t = store->table;
  t.version = res::kResourceTableVersion;
  t.stringListCount = static_cast<std::int32_t>(store->lists.size());
  t.stringLists = store->lists.data();
  t.dialogCount = static_cast<std::int32_t>(store->dialogs.size());
  t.dialogs = store->dialogs.data();
  t.imageCount = static_cast<std::int32_t>(store->images.size());
  t.images = store->images.data();
  store_ = std::move(store);
  return true;
}

const res::ResourceTable* ModuleResources::table() const {
  return store_ ? &store_->table : nullptr;
}

std::string EntryPointName(HMODULE module) {
  // The property list: version, count, then properties of vendor, key, id, length and
  // data, each field a little-endian 32-bit value, data padded to 4 bytes. The Windows
  // code's entry point is the NUL-ended name the 'wx86' property holds.
  const WCHAR kType[] = {'P', 'I', 'P', 'L', 0};
  const Bytes b = Resource(module, 16000, kType);
  if (b.size < 8) return {};
  const std::uint8_t* p = b.data + 8;
  for (std::uint32_t n = U32(b.data + 4); n > 0 && p + 16 <= b.end(); --n) {
    const std::uint32_t key = U32(p + 4), length = U32(p + 12);
    p += 16;
    if (length > static_cast<std::size_t>(b.end() - p)) return {};
    if (key == 0x77783836u) {  // 'wx86'
      const void* nul = std::memchr(p, 0, length);
      return nul ? std::string(reinterpret_cast<const char*>(p)) : std::string();
    }
    p += (length + 3) & ~3u;
  }
  return {};
}

}  // namespace hostsim::wine
