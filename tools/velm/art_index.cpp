#include "art_index.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string_view>
#include <vector>

#include "database/lzss.h"
#include "database/record.h"
#include "record_walk.h"

namespace velmtool {
namespace {

// Two independent 64-bit digests of the art: the key stays small however large the art
// is, and two different streams share it only by a 128-bit collision.
std::string MakeKey(std::string_view art) {
  std::uint64_t fnv = 14695981039346656037ull;
  for (const char c : art) {
    fnv ^= static_cast<unsigned char>(c);
    fnv *= 1099511628211ull;
  }
  const std::uint64_t other = std::hash<std::string_view>{}(art);
  std::string key;
  key.append(reinterpret_cast<const char*>(&fnv), sizeof fnv);
  key.append(reinterpret_cast<const char*>(&other), sizeof other);
  return key;
}

}  // namespace

ArtIndex ArtIndex::OfGroupFile(const std::filesystem::path& file) {
  ArtIndex index;
  // Only a regular file is read (a folder's read fails, and the stream throws for it).
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return index;
  std::ifstream in(file, std::ios::binary);
  if (!in) return index;
  std::vector<std::uint8_t> data;
  try {
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return index;
  }
  if (data.size() < 4) return index;
  index.count_ = static_cast<std::int32_t>(BigEndian32(data.data()));
  std::uint64_t at = 4;
  std::string art;
  for (std::int32_t i = 0; i < index.count_ && data.size() - at >= kStoredHeaderSize; ++i) {
    const std::uint8_t* bytes = data.data() + at;
    const StoredHeader header = ParseStoredHeader(bytes);
    const std::uint64_t length = static_cast<std::uint32_t>(header.recordLength);
    if (header.recordLength < static_cast<std::int32_t>(kStoredHeaderSize) ||
        length > data.size() - at)
      break;
    at += length;
    if (std::uint64_t{velm::kRecordHeaderSize} + header.thumbnailLength + header.artLength +
            velm::kRecordSlack >
        length)
      continue;
    const std::uint8_t* coded = bytes + velm::kRecordHeaderSize + header.thumbnailLength;
    const std::uint64_t size = velm::LzssDecodedLength(coded, header.artLength);
    art.resize(size);
    velm::LzssDecodeInto(coded, header.artLength, reinterpret_cast<std::uint8_t*>(art.data()),
                         static_cast<std::uint32_t>(size));
    index.numbers_.try_emplace(MakeKey(art), i);
  }
  return index;
}

bool ArtIndex::KeyOfCaptured(velm::os::MemHandle record, std::string* key) {
  const velm::Record* header = velm::RecordHeader(record);
  const std::int32_t length = header->recordLength;
  if (length < static_cast<std::int32_t>(velm::kEmptyRecordLength) ||
      static_cast<std::uint32_t>(length) > velm::os::MemSize(record))
    return false;
  // A copy is converted: the record itself stays as the capture left it.
  velm::os::MemHandle copy = velm::os::MemAlloc(static_cast<std::uint32_t>(length));
  if (!copy) return false;
  std::memcpy(copy, record, static_cast<std::size_t>(length));
  const bool converted = velm::RecordToFileOrder(copy) == 0;
  if (converted) {
    *key = MakeKey({reinterpret_cast<const char*>(copy) + velm::kArtStreamOffset,
                    static_cast<std::size_t>(length) - velm::kEmptyRecordLength});
  }
  velm::os::MemFree(copy);
  return converted;
}

std::optional<std::int32_t> ArtIndex::Find(const std::string& key) const {
  const auto it = numbers_.find(key);
  if (it == numbers_.end()) return std::nullopt;
  return it->second;
}

void ArtIndex::Add(const std::string& key, std::int32_t number) {
  numbers_.try_emplace(key, number);
}

}  // namespace velmtool
