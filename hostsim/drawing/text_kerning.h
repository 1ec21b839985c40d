// Pair kerning of an OpenType font: the horizontal adjustments its GPOS table's kern
// feature gives to pairs of glyphs, read straight from the font file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

class PairKerning {
 public:
  // Reads face `index` of the font file; false (and no kerning) when the file cannot be
  // read or holds no usable table. A damaged table gives no kerning, never a read past it.
  bool Load(const std::string& path, int index);
  // The adjustment of the advance of `left` when `right` follows, in em (0 when none).
  double Pair(std::uint16_t left, std::uint16_t right);

 private:
  double PairInSubtable(std::size_t at, std::uint16_t left, std::uint16_t right) const;
  int Coverage(std::size_t at, std::uint16_t glyph) const;
  int ClassOf(std::size_t at, std::uint16_t glyph) const;
  bool U16(std::size_t at, std::uint16_t* v) const;
  bool U32(std::size_t at, std::uint32_t* v) const;

  std::vector<unsigned char> gpos_;
  // For each kern lookup, the offsets in gpos_ of its pair adjustment subtables.
  std::vector<std::vector<std::size_t>> lookups_;
  double unitsPerEm_ = 1000;
  std::map<std::pair<std::uint16_t, std::uint16_t>, double> pairs_;
};

}  // namespace hostsim
