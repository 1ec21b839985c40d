// The resources of the built 32-bit module, read back through the system's resource calls
// (the module is mapped as data, so a 64-bit test can read it): the property list byte
// for byte, and every string, dialog, cursor, icon and picture against the table that the
// same sources compile into for the stand-in host.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/sjis_win32.h"
#include "resources/resource_table.h"
#include "windows/support/win_folder.h"

namespace {

namespace res = velm::res;

std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

std::string SjisOf(const std::wstring& wide) {
  std::vector<char> out(wide.size() * 2 + 1);
  EXPECT_TRUE(velm::win32::WideToSjis(wide.c_str(), out.data(), out.size()));
  return out.data();
}

class ModuleResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VELM_WIN32_MODULE
    GTEST_SKIP() << "built without the path of the 32-bit module";
#else
    module_ = LoadLibraryExW(velmtest::Wide(VELM_WIN32_MODULE).c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "cannot map " << VELM_WIN32_MODULE << ": " << GetLastError();
#endif
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  // The bytes of resource `id` of `type`; empty when there is none.
  std::vector<std::uint8_t> Resource(std::int32_t id, const wchar_t* type) {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (!bytes) return {};
    return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module_, found));
  }

  // The one image of a cursor or icon group.
  std::vector<std::uint8_t> GroupImage(std::int32_t id, bool cursor) {
    const std::vector<std::uint8_t> group =
        Resource(id, cursor ? MAKEINTRESOURCEW(12) : MAKEINTRESOURCEW(14));
    if (group.size() < 6 + 14) return {};
    EXPECT_EQ(U16(&group[2]), cursor ? 2 : 1);
    EXPECT_EQ(U16(&group[4]), 1) << "one image per group";
    return Resource(U16(&group[6 + 12]), cursor ? MAKEINTRESOURCEW(1) : MAKEINTRESOURCEW(3));
  }

  HMODULE module_ = nullptr;
};

TEST_F(ModuleResourcesTest, PropertyListByteForByte) {
  const std::vector<std::uint8_t> pipl = Resource(16000, L"PIPL");
  // Little-endian 32-bit fields; four-character codes are values, so their bytes appear
  // reversed.
  const std::uint8_t expected[] = {
      0,   0,   0,   0,   3,   0,   0,   0,                                 // version, count
      'E', 'B', 'D', 'A', 'd', 'n', 'i', 'k', 0,   0,   0, 0, 4,  0, 0, 0,  // 'ADBE' 'kind'
      'A', 'E', 'P', 'S',                                                   // 'SPEA'
      'E', 'B', 'D', 'A', 's', 'r', 'v', 'i', 0,   0,   0, 0, 4,  0, 0, 0,  // 'ADBE' 'ivrs'
      2,   0,   0,   0,                                                     // 2
      'E', 'B', 'D', 'A', '6', '8', 'x', 'w', 0,   0,   0, 0, 12, 0, 0, 0,  // 'ADBE' 'wx86'
      'P', 'l', 'u', 'g', 'i', 'n', 'M', 'a', 'i', 'n', 0, 0,               // "PluginMain"
  };
  ASSERT_EQ(pipl.size(), sizeof expected);
  for (std::size_t i = 0; i < sizeof expected; ++i)
    EXPECT_EQ(pipl[i], expected[i]) << "byte " << i;
  EXPECT_EQ(U32(&pipl[8]), static_cast<std::uint32_t>('ADBE'));
  EXPECT_EQ(U32(&pipl[12]), static_cast<std::uint32_t>('kind'));
  EXPECT_EQ(U32(&pipl[24]), static_cast<std::uint32_t>('SPEA'));
  EXPECT_TRUE(Resource(16001, L"PIPL").empty());
}

TEST_F(ModuleResourcesTest, StringListsAreTableEntriesAfterTheListId) {
  const res::ResourceTable& table = res::Resources();
  ASSERT_GT(table.stringListCount, 0);
  wchar_t text[1024];
  for (std::int32_t l = 0; l < table.stringListCount; ++l) {
    const res::StringList& list = table.stringLists[l];
    for (std::int32_t i = 1; i <= list.count; ++i) {
      const int n = LoadStringW(module_, static_cast<UINT>(list.id + i), text, 1024);
      EXPECT_EQ(SjisOf(std::wstring(text, static_cast<std::size_t>(n))),
                std::string(list.strings[i - 1]))
          << "list " << list.id << " string " << i;
    }
    EXPECT_EQ(LoadStringW(module_, static_cast<UINT>(list.id + list.count + 1), text, 1024), 0)
        << "list " << list.id << " ends";
  }
  // What the error dialog reads first: the code text of the first entry.
  ASSERT_GT(LoadStringW(module_, 16050 + 1, text, 1024), 0);
  EXPECT_EQ(std::wstring(text), L"-108");
}

// The item kind of a dialog control, from its window class and style.
res::ItemKind KindOf(const std::wstring& windowClass, std::uint32_t style) {
  if (windowClass == L"BUTTON") {
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
  } else if (windowClass == L"STATIC") {
    switch (style & 0x1F) {
      case 0x0:  // SS_LEFT
      case 0x2:  // SS_RIGHT
        return res::ItemKind::kText;
      case 0x3:
      case 0xE:
        return res::ItemKind::kPicture;
      case 0xD:
        return res::ItemKind::kUserItem;
    }
  } else if (windowClass == L"EDIT") {
    return (style & 0x2000) ? res::ItemKind::kSpinEdit : res::ItemKind::kEdit;
  } else if (windowClass == L"COMBOBOX") {  // CBS_DROPDOWN can be typed into
    return (style & 0x3) == 0x2 ? res::ItemKind::kEditablePopup : res::ItemKind::kPopup;
  } else if (windowClass == L"LISTBOX") {
    return res::ItemKind::kList;
  }
  return static_cast<res::ItemKind>(0);
}

// Reads a name-or-ordinal field: *ordinal is set (and the text empty) for an ordinal.
std::wstring NameOrOrdinal(const std::uint8_t*& p, int* ordinal) {
  *ordinal = -1;
  if (U16(p) == 0xFFFF) {
    *ordinal = U16(p + 2);
    p += 4;
    return {};
  }
  std::wstring text;
  for (; U16(p) != 0; p += 2)
    text += static_cast<wchar_t>(U16(p));
  p += 2;
  return text;
}

std::wstring ClassName(const std::uint8_t*& p) {
  int ordinal = -1;
  std::wstring name = NameOrOrdinal(p, &ordinal);
  static const wchar_t* const kPredefined[] = {L"BUTTON",  L"EDIT",      L"STATIC",
                                               L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
  if (ordinal >= 0x80 && ordinal <= 0x85) return kPredefined[ordinal - 0x80];
  for (wchar_t& c : name)
    c = static_cast<wchar_t>(towupper(c));
  return name;
}

TEST_F(ModuleResourcesTest, DialogTemplatesMatchTheTable) {
  const res::ResourceTable& table = res::Resources();
  ASSERT_GT(table.dialogCount, 0);
  for (std::int32_t d = 0; d < table.dialogCount; ++d) {
    const res::Dialog& dialog = table.dialogs[d];
    SCOPED_TRACE("dialog " + std::to_string(dialog.id));
    const std::vector<std::uint8_t> bytes = Resource(dialog.id, MAKEINTRESOURCEW(5));
    ASSERT_GT(bytes.size(), 26u);
    const std::uint8_t* p = bytes.data();
    ASSERT_EQ(U16(p), 1);  // extended template
    ASSERT_EQ(U16(p + 2), 0xFFFF);
    const std::uint32_t style = U32(p + 12);
    EXPECT_EQ(U16(p + 16), dialog.itemCount);
    EXPECT_EQ(static_cast<std::int16_t>(U16(p + 18)), dialog.rect.left);
    EXPECT_EQ(static_cast<std::int16_t>(U16(p + 20)), dialog.rect.top);
    EXPECT_EQ(static_cast<std::int16_t>(U16(p + 22)), dialog.rect.right - dialog.rect.left);
    EXPECT_EQ(static_cast<std::int16_t>(U16(p + 24)), dialog.rect.bottom - dialog.rect.top);
    p += 26;
    int ordinal = 0;
    NameOrOrdinal(p, &ordinal);  // menu
    NameOrOrdinal(p, &ordinal);  // class
    EXPECT_EQ(SjisOf(NameOrOrdinal(p, &ordinal)), std::string(dialog.title));
    ASSERT_TRUE(style & 0x40) << "DS_SETFONT";
    const std::uint16_t points = U16(p);
    p += 4;                 // point size, weight
    EXPECT_EQ(p[1], 0x80);  // SHIFTJIS_CHARSET
    p += 2;
    const std::string typeface = SjisOf(NameOrOrdinal(p, &ordinal));
    if (dialog.fontName) {
      EXPECT_EQ(typeface, std::string(dialog.fontName));
      EXPECT_EQ(static_cast<std::int32_t>(points), dialog.fontSize);
    }
    for (std::int32_t i = 0; i < dialog.itemCount; ++i) {
      const res::DialogItem& item = dialog.items[i];
      SCOPED_TRACE("item " + std::to_string(item.id));
      p = bytes.data() + ((p - bytes.data() + 3) & ~std::ptrdiff_t{3});
      ASSERT_LE(p + 24, bytes.data() + bytes.size());
      const std::uint32_t itemStyle = U32(p + 8);
      EXPECT_EQ(itemStyle & 0x50000000u, 0x50000000u) << "a visible child";
      EXPECT_EQ(static_cast<std::int16_t>(U16(p + 12)), item.rect.left);
      EXPECT_EQ(static_cast<std::int16_t>(U16(p + 14)), item.rect.top);
      EXPECT_EQ(static_cast<std::int16_t>(U16(p + 16)), item.rect.right - item.rect.left);
      EXPECT_EQ(static_cast<std::int16_t>(U16(p + 18)), item.rect.bottom - item.rect.top);
      EXPECT_EQ(static_cast<std::int32_t>(U32(p + 20)), item.id);
      p += 24;
      const std::wstring windowClass = ClassName(p);
      EXPECT_EQ(KindOf(windowClass, itemStyle), item.kind);
      if (item.kind == res::ItemKind::kText) {
        EXPECT_EQ((itemStyle & 0x1F) == 0x2, item.align == res::TextAlign::kRight);
      }
      const std::wstring text = NameOrOrdinal(p, &ordinal);
      if (item.kind == res::ItemKind::kPicture && item.pictureId) {
        EXPECT_EQ(ordinal, item.pictureId) << "the picture by its id";
      } else {
        EXPECT_EQ(SjisOf(text), std::string(item.text));
      }
      p += 2 + U16(p);  // creation data
    }
  }
}

TEST_F(ModuleResourcesTest, CursorsIconsAndPicturesKeepEveryPixel) {
  const res::ResourceTable& table = res::Resources();
  int cursors = 0;
  for (std::int32_t k = 0; k < table.imageCount; ++k) {
    const res::Image& image = table.images[k];
    SCOPED_TRACE("image " + std::to_string(image.id));
    const int w = image.width, h = image.height;
    if (image.kind == res::ImageKind::kCursor) {
      ++cursors;
      const std::vector<std::uint8_t> bytes = GroupImage(image.id, true);
      ASSERT_GE(bytes.size(), 4u + 40u + 8u);
      EXPECT_EQ(U16(&bytes[0]), image.hotX);
      EXPECT_EQ(U16(&bytes[2]), image.hotY);
      const std::uint8_t* info = &bytes[4];
      ASSERT_EQ(static_cast<int>(U32(info + 4)), w);
      ASSERT_EQ(static_cast<int>(U32(info + 8)), 2 * h) << "mask and image";
      ASSERT_EQ(U16(info + 14), 1) << "monochrome";
      EXPECT_EQ(U32(info + 40), 0x000000u);
      EXPECT_EQ(U32(info + 44), 0xFFFFFFu);
      const std::size_t stride = static_cast<std::size_t>((w + 31) / 32 * 4);
      const std::uint8_t* xorMask = info + 48;
      const std::uint8_t* andMask = xorMask + stride * static_cast<std::size_t>(h);
      ASSERT_LE(andMask + stride * static_cast<std::size_t>(h), bytes.data() + bytes.size());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::uint32_t pixel = image.pixels[y * w + x];
          const std::size_t at = static_cast<std::size_t>(h - 1 - y) * stride + x / 8;
          const int bit = 0x80 >> (x % 8);
          const bool andBit = andMask[at] & bit, xorBit = xorMask[at] & bit;
          if (pixel == res::kInvertPixel) {
            EXPECT_TRUE(andBit && xorBit) << x << "," << y << " inverts";
          } else if ((pixel >> 24) == 0) {
            EXPECT_TRUE(andBit && !xorBit) << x << "," << y << " is transparent";
          } else {
            ASSERT_TRUE(pixel == 0xFF000000u || pixel == 0xFFFFFFFFu) << "black or white only";
            EXPECT_FALSE(andBit) << x << "," << y;
            EXPECT_EQ(xorBit, pixel == 0xFFFFFFFFu) << x << "," << y;
          }
        }
      continue;
    }
    // Icons (their image, after the masks' doubled height) and pictures: 32-bit pixels,
    // bottom row first, blue, green, red, alpha.
    const bool icon = image.kind == res::ImageKind::kIcon;
    const std::vector<std::uint8_t> bytes =
        icon ? GroupImage(image.id, false) : Resource(image.id, MAKEINTRESOURCEW(2));
    ASSERT_GE(bytes.size(), 40u + static_cast<std::size_t>(w * h * 4));
    EXPECT_EQ(static_cast<int>(U32(&bytes[4])), w);
    EXPECT_EQ(static_cast<int>(U32(&bytes[8])), icon ? 2 * h : h);
    ASSERT_EQ(U16(&bytes[14]), 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* px = &bytes[40 + (static_cast<std::size_t>(h - 1 - y) * w + x) * 4];
        const std::uint32_t argb = (std::uint32_t{px[3]} << 24) | (std::uint32_t{px[2]} << 16) |
                                   (std::uint32_t{px[1]} << 8) | px[0];
        ASSERT_EQ(argb, image.pixels[y * w + x]) << x << "," << y;
      }
  }
  EXPECT_EQ(cursors, 15);
  EXPECT_FALSE(Resource(16052, MAKEINTRESOURCEW(2)).empty()) << "the about box's picture";
}

}  // namespace
