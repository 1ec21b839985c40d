#include "hostsim/drawing/text_kerning.h"

#include <bitset>
#include <cmath>
#include <fstream>
#include <iterator>

namespace hostsim {
namespace {

std::uint32_t Read32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

int ValueSize(std::uint16_t format) {
  return 2 * static_cast<int>(std::bitset<16>(format & 0xFF).count());
}

// The x advance of a value record of `format`, at `at`, or 0 when it has none.
std::int16_t XAdvance(const std::vector<unsigned char>& b, std::size_t at, std::uint16_t format) {
  if (!(format & 0x0004)) return 0;
  at += ValueSize(format & 0x0003);
  if (at + 2 > b.size()) return 0;
  return static_cast<std::int16_t>((b[at] << 8) | b[at + 1]);
}

}  // namespace

bool PairKerning::U16(std::size_t at, std::uint16_t* v) const {
  if (at + 2 > gpos_.size() || at + 2 < at) return false;
  *v = static_cast<std::uint16_t>((gpos_[at] << 8) | gpos_[at + 1]);
  return true;
}

bool PairKerning::U32(std::size_t at, std::uint32_t* v) const {
  if (at + 4 > gpos_.size() || at + 4 < at) return false;
  *v = Read32(gpos_, at);
  return true;
}

bool PairKerning::Load(const std::string& path, int index) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  // The table directory: of the face itself, or of face `index` of a collection.
  std::size_t dir = 0;
  if (file.size() >= 12 && Read32(file, 0) == 0x74746366) {  // "ttcf"
    const std::uint32_t count = Read32(file, 8);
    if (index < 0 || static_cast<std::uint32_t>(index) >= count ||
        file.size() < 16 + 4 * static_cast<std::size_t>(index))
      return false;
    dir = Read32(file, 12 + 4 * static_cast<std::size_t>(index));
  }
  if (dir + 12 > file.size()) return false;
  const std::size_t tables = (file[dir + 4] << 8) | file[dir + 5];
  std::size_t gposAt = 0, gposLength = 0;
  for (std::size_t t = 0; t < tables; ++t) {
    const std::size_t record = dir + 12 + 16 * t;
    if (record + 16 > file.size()) return false;
    const std::uint32_t tag = Read32(file, record);
    const std::size_t at = Read32(file, record + 8), length = Read32(file, record + 12);
    if (at > file.size() || length > file.size() - at) continue;
    if (tag == 0x68656164 && length >= 20) {  // "head"
      const int units = (file[at + 18] << 8) | file[at + 19];
      if (units >= 16) unitsPerEm_ = units;
    } else if (tag == 0x47504F53) {  // "GPOS"
      gposAt = at;
      gposLength = length;
    }
  }
  if (gposLength < 10) return false;
  gpos_.assign(file.begin() + static_cast<std::ptrdiff_t>(gposAt),
               file.begin() + static_cast<std::ptrdiff_t>(gposAt + gposLength));

  // The lookups of every kern feature, whatever the script.
  std::uint16_t featureList = 0, lookupList = 0, features = 0, lookups = 0;
  if (!U16(6, &featureList) || !U16(8, &lookupList) || !U16(featureList, &features) ||
      !U16(lookupList, &lookups))
    return false;
  std::vector<bool> kern(lookups, false);
  for (std::size_t f = 0; f < features; ++f) {
    const std::size_t record = featureList + 2 + 6 * std::size_t{f};
    std::uint32_t tag = 0;
    std::uint16_t offset = 0, count = 0;
    if (!U32(record, &tag) || !U16(record + 4, &offset)) return false;
    if (tag != 0x6B65726E || !U16(featureList + offset + 2, &count)) continue;  // "kern"
    for (std::size_t k = 0; k < count; ++k) {
      std::uint16_t lookup = 0;
      if (U16(featureList + offset + 4 + 2 * k, &lookup) && lookup < lookups) kern[lookup] = true;
    }
  }
  for (std::size_t l = 0; l < lookups; ++l) {
    std::uint16_t offset = 0, type = 0, count = 0;
    if (!kern[l] || !U16(lookupList + 2 + 2 * l, &offset)) continue;
    const std::size_t lookup = std::size_t{lookupList} + offset;
    if (!U16(lookup, &type) || !U16(lookup + 4, &count)) continue;
    lookups_.emplace_back();
    for (std::size_t s = 0; s < count; ++s) {
      std::uint16_t sub = 0;
      if (!U16(lookup + 6 + 2 * s, &sub)) break;
      std::size_t at = lookup + sub;
      std::uint16_t subType = type;
      if (type == 9) {  // an extension: the subtable lies further on
        std::uint32_t further = 0;
        if (!U16(at + 2, &subType) || !U32(at + 4, &further)) continue;
        at += further;
      }
      if (subType == 2) lookups_.back().push_back(at);
    }
  }
  return !lookups_.empty();
}

int PairKerning::Coverage(std::size_t at, std::uint16_t glyph) const {
  std::uint16_t format = 0, count = 0;
  if (!U16(at, &format) || !U16(at + 2, &count)) return -1;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t first = 0, last = 0, start = 0;
    if (format == 1) {
      if (!U16(at + 4 + 2 * i, &first)) return -1;
      if (first == glyph) return static_cast<int>(i);
    } else if (format == 2) {
      if (!U16(at + 4 + 6 * i, &first) || !U16(at + 6 + 6 * i, &last) ||
          !U16(at + 8 + 6 * i, &start))
        return -1;
      if (glyph >= first && glyph <= last) return start + glyph - first;
    } else {
      return -1;
    }
  }
  return -1;
}

int PairKerning::ClassOf(std::size_t at, std::uint16_t glyph) const {
  std::uint16_t format = 0, first = 0, count = 0;
  if (!U16(at, &format)) return 0;
  if (format == 1) {
    std::uint16_t value = 0;
    if (!U16(at + 2, &first) || !U16(at + 4, &count) || glyph < first || glyph - first >= count ||
        !U16(at + 6 + 2 * std::size_t(glyph - first), &value))
      return 0;
    return value;
  }
  if (format != 2 || !U16(at + 2, &count)) return 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t start = 0, end = 0, value = 0;
    if (!U16(at + 4 + 6 * i, &start) || !U16(at + 6 + 6 * i, &end) || !U16(at + 8 + 6 * i, &value))
      return 0;
    if (glyph >= start && glyph <= end) return value;
  }
  return 0;
}

// The subtable's adjustment in font units; NAN when it does not hold the pair.
double PairKerning::PairInSubtable(std::size_t at, std::uint16_t left, std::uint16_t right) const {
  std::uint16_t format = 0, coverage = 0, format1 = 0, format2 = 0;
  if (!U16(at, &format) || !U16(at + 2, &coverage) || !U16(at + 4, &format1) ||
      !U16(at + 6, &format2))
    return NAN;
  const int covered = Coverage(at + coverage, left);
  if (covered < 0) return NAN;
  const std::size_t record = 2 + ValueSize(format1) + ValueSize(format2);
  if (format == 1) {
    std::uint16_t sets = 0, set = 0, count = 0;
    if (!U16(at + 8, &sets) || covered >= sets || !U16(at + 10 + 2 * std::size_t(covered), &set) ||
        !U16(at + set, &count))
      return NAN;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint16_t second = 0;
      const std::size_t pair = at + set + 2 + record * i;
      if (!U16(pair, &second)) return NAN;
      if (second == right) return XAdvance(gpos_, pair + 2, format1);
    }
    return NAN;
  }
  if (format != 2) return NAN;
  std::uint16_t def1 = 0, def2 = 0, classes1 = 0, classes2 = 0;
  if (!U16(at + 8, &def1) || !U16(at + 10, &def2) || !U16(at + 12, &classes1) ||
      !U16(at + 14, &classes2))
    return NAN;
  const int c1 = ClassOf(at + def1, left), c2 = ClassOf(at + def2, right);
  if (c1 >= classes1 || c2 >= classes2) return NAN;
  const std::size_t value = at + 16 + (std::size_t(c1) * classes2 + c2) * (record - 2);
  return XAdvance(gpos_, value, format1);
}

double PairKerning::Pair(std::uint16_t left, std::uint16_t right) {
  const auto key = std::make_pair(left, right);
  if (const auto found = pairs_.find(key); found != pairs_.end()) return found->second;
  double units = 0;
  for (const std::vector<std::size_t>& lookup : lookups_)
    for (std::size_t at : lookup) {
      // In each lookup the first subtable that holds the pair decides.
      const double v = PairInSubtable(at, left, right);
      if (!std::isnan(v)) {
        units += v;
        break;
      }
    }
  const double em = units / unitsPerEm_;
  if (pairs_.size() < 65536) pairs_.emplace(key, em);
  return em;
}

}  // namespace hostsim
