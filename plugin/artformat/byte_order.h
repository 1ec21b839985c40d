// Byte order of stored layouts: records and their art objects are big-endian in a file and
// in host order in memory; these convert field by field, either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velm {

// Reverse the bytes of one 16-bit or 32-bit value in place.
void SwapBytes16(void* value);
void SwapBytes32(void* value);

enum class ByteOrder { kToFile, kToHost };

// Converts numeric fields of a layout in one direction. Counts and lengths that steer a
// walk are read with Value16/Value32, which give the host-order value of a field that has
// not been converted yet, on either side of the conversion. With `apply` clear nothing is
// written: the same walk then only checks that a record is sound.
class FieldSwapper {
 public:
  FieldSwapper(ByteOrder order, bool apply) : order_(order), apply_(apply) {}

  ByteOrder order() const { return order_; }

  void Field16(std::uint8_t* field) const {
    if (apply_) SwapBytes16(field);
  }
  void Field32(std::uint8_t* field) const {
    if (apply_) SwapBytes32(field);
  }
  void Fields16(std::uint8_t* first, std::size_t count) const;
  void Fields32(std::uint8_t* first, std::size_t count) const;

  std::int16_t Value16(const std::uint8_t* field) const;
  std::int32_t Value32(const std::uint8_t* field) const;

 private:
  ByteOrder order_;
  bool apply_;
};

}  // namespace velm
