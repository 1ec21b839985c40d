#include "database/stream_image.h"

#include <gtest/gtest.h>

#include <cstring>

#include "database/record.h"
#include "platform/memory.h"

namespace velmtest {

ObjectImage::ObjectImage(std::uint32_t size, std::mt19937& rng) : bytes(size) {
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(rng());
}

void ObjectImage::Set16(std::uint32_t offset, std::int16_t value) {
  std::memcpy(&bytes.at(offset + 1) - 1, &value, 2);
}

void ObjectImage::Set32(std::uint32_t offset, std::int32_t value) {
  std::memcpy(&bytes.at(offset + 3) - 3, &value, 4);
}

void ObjectImage::Num16(std::uint32_t offset, int count) {
  for (int i = 0; i < count; ++i)
    fields.push_back({offset + 2u * i, 2});
}

void ObjectImage::Num32(std::uint32_t offset, int count) {
  for (int i = 0; i < count; ++i)
    fields.push_back({offset + 4u * i, 4});
}

void ObjectImage::Header(std::int32_t type) {
  Set32(0, type);
  Set32(4, static_cast<std::int32_t>(bytes.size()));
  Num32(0, 4);   // type, length, blend mode, opacity
  Num16(16, 4);  // isolated, knockout, alpha is shape, reserved
}

void ObjectImage::Color(std::uint32_t offset, std::int16_t kind) {
  Set16(offset, kind);
  Num16(offset, 2);
  switch (kind) {
    case 0:  // gray
      Num32(offset + 4);
      break;
    case 1:  // process
      Num32(offset + 4, 4);
      break;
    case 2:  // pattern
      Num32(offset + 4, 6);
      Num16(offset + 28, 2);
      Num32(offset + 32, 9);
      break;
    case 4:  // gradient
      Num32(offset + 4, 15);
      break;
    case 5:  // RGB
      Num32(offset + 4, 3);
      break;
    default:  // custom colour, none: no payload
      break;
  }
}

void ObjectImage::PathStyle(std::uint32_t offset, std::int16_t fillKind, std::int16_t strokeKind) {
  Num16(offset, 2);
  Color(offset + 4, fillKind);
  Num16(offset + 72, 2);
  Color(offset + 76, strokeKind);
  Num16(offset + 144, 2);
  Num32(offset + 148);
  Num16(offset + 152, 2);
  Num32(offset + 156, 7);
  Num16(offset + 184, 2);
  Num32(offset + 188);
  Num16(offset + 192, 4);
  Num32(offset + 200);
}

void ObjectImage::GradientBlock(std::uint32_t offset) {
  static const std::int16_t kStopKinds[3] = {0, 1, 5};
  Num16(offset, 2);
  for (std::uint32_t i = 0; i < 32; ++i) {
    const std::uint32_t stop = offset + 4 + 76 * i;
    Num32(stop, 2);
    Color(stop + 8, kStopKinds[i % 3]);
  }
}

void ObjectImage::Segment(std::uint32_t offset) {
  Num32(offset, 6);
  Num16(offset + 24, 2);
}

void ObjectImage::TextRun(std::uint32_t offset) {
  PathStyle(offset, 5, 1);
  const std::uint32_t character = offset + 204;
  Num32(character, 10);
  Num16(character + 40, 10);
  Num32(character + 60);
  Num16(character + 64, 8);
  Num16(offset + 284 + 256, 14);  // font values after the 256-byte name
  const std::uint32_t paragraph = offset + 568;
  Num32(paragraph, 4);
  Num16(paragraph + 16, 2);
  Num32(paragraph + 20, 2);
  Num16(paragraph + 28, 4);
  Num32(paragraph + 36, 2);
  Num16(paragraph + 44, 2);
  Num32(paragraph + 48);
  Num16(paragraph + 52, 2);
  Num32(paragraph + 56);
  const std::uint32_t tabs = offset + 628;
  Num32(tabs, 2);
  for (std::uint32_t i = 0; i < 15; ++i) {
    Num16(tabs + 8 + 8 * i);  // kind; the two bytes after it are not numbers
    Num32(tabs + 12 + 8 * i);
  }
  Num32(offset + 756);
  GradientBlock(offset + 760);
  GradientBlock(offset + 760 + 2436);
  // 5632 … 5887: the run's text, bytes.
}

ObjectImage PathObjectImage(std::mt19937& rng, int segments) {
  ObjectImage image(5104 + 28 * segments, rng);
  image.Header(2);
  image.PathStyle(24, 4, 2);
  image.GradientBlock(228);
  image.GradientBlock(2664);
  image.Num16(5100);
  image.Set16(5102, static_cast<std::int16_t>(segments));
  image.Num16(5102);
  for (int i = 0; i < segments; ++i)
    image.Segment(5104 + 28 * i);
  return image;
}

ObjectImage TextObjectImage(std::mt19937& rng, int runs, const std::vector<int>& pathSegments) {
  std::uint32_t tableLength = 0;
  for (int s : pathSegments)
    tableLength += 28 * (s + 1);
  const std::uint32_t tableOffset = 40 + 5888 * runs;
  ObjectImage image(tableOffset + tableLength, rng);
  image.Header(4);
  image.Num16(24, 2);
  image.Set32(28, static_cast<std::int32_t>(tableOffset));
  image.Set32(32, static_cast<std::int32_t>(tableLength));
  image.Num32(28, 2);
  image.Set16(36, static_cast<std::int16_t>(pathSegments.size()));
  image.Set16(38, static_cast<std::int16_t>(runs));
  image.Num16(36, 2);
  for (int i = 0; i < runs; ++i)
    image.TextRun(40 + 5888 * i);
  std::uint32_t at = tableOffset;
  for (int s : pathSegments) {
    image.Num32(at, 6);
    image.Num16(at + 24);
    image.Set16(at + 26, static_cast<std::int16_t>(s));
    image.Num16(at + 26);
    for (int i = 0; i < s; ++i)
      image.Segment(at + 28 + 28 * i);
    at += 28 * (s + 1);
  }
  return image;
}

ObjectImage RasterObjectImage(std::mt19937& rng, int tiles) {
  ObjectImage image(92 + 4096 * tiles, rng);
  image.Header(9);
  image.Num16(24, 2);
  image.Num16(28, 4);
  image.Num32(36);
  image.Num16(40, 4);
  image.Num32(48, 10);
  image.Set32(88, tiles);
  image.Num32(88);
  return image;
}

ObjectImage MeshObjectImage(std::mt19937& rng, const std::vector<std::vector<int>>& vertices) {
  static const std::int16_t kVertexKinds[4] = {0, 1, 3, 5};
  auto leadsFor = [](int points) { return points % 2; };
  std::uint32_t size = 40;
  for (const auto& segments : vertices) {
    size += 84;
    for (int points : segments)
      size += 24 + 8 * (leadsFor(points) + points);
  }
  ObjectImage image(size, rng);
  image.Header(11);
  image.Num32(24, 3);
  image.Set32(36, static_cast<std::int32_t>(vertices.size()));
  image.Num32(36);
  std::uint32_t at = 40;
  for (std::size_t v = 0; v < vertices.size(); ++v) {
    std::uint32_t vertexLength = 84;
    for (int points : vertices[v])
      vertexLength += 24 + 8 * (leadsFor(points) + points);
    image.Set32(at, static_cast<std::int32_t>(vertexLength));
    image.Num32(at);
    image.Color(at + 4, kVertexKinds[v % 4]);
    image.Num32(at + 72, 2);
    image.Set32(at + 80, static_cast<std::int32_t>(vertices[v].size()));
    image.Num32(at + 80);
    std::uint32_t segment = at + 84;
    for (int points : vertices[v]) {
      const int leads = leadsFor(points);
      image.Set32(segment, 24 + 8 * (leads + points));
      image.Num32(segment, 3);  // length, tangent
      image.Num16(segment + 12, 2);
      image.Set32(segment + 16, leads);
      image.Set32(segment + 20, points);
      image.Num32(segment + 16, 2);
      image.Num32(segment + 24, 2 * (leads + points));
      segment += 24 + 8 * (leads + points);
    }
    at += vertexLength;
  }
  return image;
}

ObjectImage MarkerObjectImage(const char* text) {
  std::mt19937 unused;
  ObjectImage image(27 + static_cast<std::uint32_t>(std::strlen(text)), unused);
  std::fill(image.bytes.begin(), image.bytes.end(), 0);
  image.Header(7);
  std::memcpy(image.bytes.data() + 24, text, std::strlen(text));
  return image;
}

void AppendObject(velm::os::MemHandle& record, const ObjectImage& object) {
  const auto length = static_cast<std::uint32_t>(velm::RecordHeader(record)->recordLength);
  const auto size = static_cast<std::uint32_t>(object.bytes.size());
  ASSERT_TRUE(velm::GrowBlock(record, length + size, velm::kRecordGranule));
  std::memcpy(record + length - velm::kRecordSlack, object.bytes.data(), size);
  velm::Record* header = velm::RecordHeader(record);
  header->recordLength = static_cast<std::int32_t>(length + size);
  header->objectCount += 1;
}

void ExpectConverted(const ObjectImage& image, const std::uint8_t* after) {
  const std::vector<std::uint8_t>& before = image.bytes;
  std::vector<int> owner(before.size(), -1);
  for (std::size_t f = 0; f < image.fields.size(); ++f) {
    const NumericField& field = image.fields[f];
    ASSERT_LE(field.offset + field.width, before.size()) << "field at " << field.offset;
    for (int k = 0; k < field.width; ++k) {
      ASSERT_EQ(owner[field.offset + k], -1) << "fields overlap at " << field.offset + k;
      owner[field.offset + k] = static_cast<int>(f);
    }
  }
  int failures = 0;
  for (std::size_t i = 0; i < before.size() && failures < 10; ++i) {
    std::uint8_t expected = before[i];
    if (owner[i] >= 0) {
      const NumericField& field = image.fields[owner[i]];
      const std::uint32_t k = static_cast<std::uint32_t>(i) - field.offset;
      expected = before[field.offset + field.width - 1 - k];
    }
    if (after[i] != expected) {
      ++failures;
      ADD_FAILURE() << "byte " << i << (owner[i] >= 0 ? " (numeric field)" : " (not a number)")
                    << ": expected " << int{expected} << ", got " << int{after[i]};
    }
  }
}

}  // namespace velmtest
