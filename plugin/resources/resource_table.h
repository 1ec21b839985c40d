// The plug-in's resources as compiled into the module: string lists, dialog templates,
// cursors, icons and pictures. Texts are Shift-JIS. On Windows the same sources become
// a resource script; elsewhere the module exports this table for the host to read.
#pragma once

#include <cstdint>

namespace velm::res {

enum class ItemKind : std::int32_t {
  kButton = 1,
  kText = 2,     // static text
  kEdit = 3,     // editable text
  kPicture = 4,  // picture frame
  kCheckBox = 5,
  kRadio = 6,
  kPopup = 7,      // popup list
  kList = 8,       // list box
  kFrame = 9,      // group frame
  kUserItem = 10,  // drawn by the plug-in
  kSpinEdit = 11,
  kEditablePopup = 12,  // popup list whose text can also be typed
};

// How a static text sits in its item.
enum class TextAlign : std::int32_t { kLeft = 0, kRight = 1 };

struct ItemRect {
  std::int32_t left, top, right, bottom;
};

struct StringList {
  std::int32_t id;
  std::int32_t count;
  const char* const* strings;  // string i of the list is strings[i - 1]
};

struct DialogItem {
  std::int32_t id;
  ItemKind kind;
  ItemRect rect;
  const char* text;
  std::int32_t pictureId;  // picture items: the picture or icon they show (0: none)
  TextAlign align;
};

struct Dialog {
  std::int32_t id;
  const char* title;
  ItemRect rect;
  std::int32_t itemCount;
  const DialogItem* items;
  const char* fontName;   // the dialog's font (Shift-JIS); null: the system's dialog font
  std::int32_t fontSize;  // in points, with fontName
};

enum class ImageKind : std::int32_t { kCursor = 1, kIcon = 2, kPicture = 3 };

// Pixels are 0xAARRGGBB, top row first. For cursors, alpha 0 is transparent and the
// colour 0x00FFFFFF with alpha 0x01 marks inverting pixels.
struct Image {
  std::int32_t id;
  ImageKind kind;
  std::int32_t width;
  std::int32_t height;
  std::int32_t hotX;
  std::int32_t hotY;
  const std::uint32_t* pixels;
};

inline constexpr std::uint32_t kInvertPixel = 0x01FFFFFFu;

struct ResourceTable {
  std::int32_t version;
  std::int32_t stringListCount;
  const StringList* stringLists;
  std::int32_t dialogCount;
  const Dialog* dialogs;
  std::int32_t imageCount;
  const Image* images;
};

inline constexpr std::int32_t kResourceTableVersion = 2;

// The module's own table.
const ResourceTable& Resources();

// Lookups; null when there is no such resource.
const StringList* FindStringList(const ResourceTable& table, std::int32_t id);
const Dialog* FindDialog(const ResourceTable& table, std::int32_t id);
const Image* FindImage(const ResourceTable& table, std::int32_t id, ImageKind kind);

}  // namespace velm::res
