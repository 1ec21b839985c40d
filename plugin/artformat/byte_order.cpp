#include "artformat/byte_order.h"

#include <cstring>

namespace velm {

namespace {

std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint16_t Reverse16(std::uint16_t v) {
  return static_cast<std::uint16_t>(v << 8 | v >> 8);
}

std::uint32_t Reverse32(std::uint32_t v) {
  return (v << 24) | ((v << 8) & 0x00FF0000u) | ((v >> 8) & 0x0000FF00u) | (v >> 24);
}

// Walks `objectCount` objects from offset 65960 of the stream that ends `streamEnd`
// bytes into the block, converting each. False when an object does not fit.

}  // namespace

void SwapBytes16(void* value) {
  auto* p = static_cast<std::uint8_t*>(value);
  const std::uint16_t v = Reverse16(Load16(p));
  std::memcpy(p, &v, sizeof v);
}

void SwapBytes32(void* value) {
  auto* p = static_cast<std::uint8_t*>(value);
  const std::uint32_t v = Reverse32(Load32(p));
  std::memcpy(p, &v, sizeof v);
}

void FieldSwapper::Fields16(std::uint8_t* first, std::size_t count) const {
  if (!apply_) return;
  for (std::size_t i = 0; i < count; ++i)
    SwapBytes16(first + 2 * i);
}

void FieldSwapper::Fields32(std::uint8_t* first, std::size_t count) const {
  if (!apply_) return;
  for (std::size_t i = 0; i < count; ++i)
    SwapBytes32(first + 4 * i);
}

std::int16_t FieldSwapper::Value16(const std::uint8_t* field) const {
  const std::uint16_t raw = Load16(field);
  return static_cast<std::int16_t>(order_ == ByteOrder::kToFile ? raw : Reverse16(raw));
}

std::int32_t FieldSwapper::Value32(const std::uint8_t* field) const {
  const std::uint32_t raw = Load32(field);
  return static_cast<std::int32_t>(order_ == ByteOrder::kToFile ? raw : Reverse32(raw));
}

}  // namespace velm
