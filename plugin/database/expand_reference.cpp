#include "database/expand_reference.h"

#include <cstring>

#include "database/lzss.h"
#include "database/record.h"
#include "platform/memory.h"

namespace velm {

std::int32_t ExpandRecordThroughTemporaryBlocks(os::MemHandle& record, bool withArt) {
  if (!record || os::MemSize(record) < kRecordHeaderSize) return -1;
  const Record* header = RecordHeader(record);
  const std::uint32_t codedThumbnail = header->thumbnailLength;
  const std::uint32_t codedArt = withArt ? header->artLength : 0;
  if (codedThumbnail == 0) return -1;  // already expanded
  if (std::uint64_t{kRecordHeaderSize} + codedThumbnail + codedArt > os::MemSize(record)) {
    return -1;
  }

  os::MemHandle thumbnail = nullptr;
  os::MemHandle art = nullptr;
  const std::int64_t thumbnailLength =
      LzssDecode(record + kRecordHeaderSize, codedThumbnail, thumbnail, kListGranule);
  std::int64_t artLength = 0;
  if (thumbnailLength >= 0 && withArt) {
    artLength =
        LzssDecode(record + kRecordHeaderSize + codedThumbnail, codedArt, art, kRecordGranule);
  }
  const std::int64_t total = kEmptyRecordLength + artLength;
  const bool done = thumbnailLength >= 0 && artLength >= 0 && total <= 0x7FFFFFFF &&
                    GrowBlock(record, static_cast<std::uint32_t>(total), kRecordGranule);
  if (done) {
    // A thumbnail that does not expand to exactly its size is cut to it or padded with
    // zeros: the picture may be wrong, but the record's art stays readable.
    const std::size_t kept = thumbnailLength < kThumbnailSize
                                 ? static_cast<std::size_t>(thumbnailLength)
                                 : std::size_t{kThumbnailSize};
    if (kept > 0) std::memcpy(record + kThumbnailOffset, thumbnail, kept);
    std::memset(record + kThumbnailOffset + kept, 0, kThumbnailSize - kept);
    if (artLength > 0) {
      std::memcpy(record + kArtStreamOffset, art, static_cast<std::size_t>(artLength));
    }
    record[kArtStreamOffset + artLength] = 0;  // slack
    record[kArtStreamOffset + artLength + 1] = 0;
    Record* expanded = RecordHeader(record);
    expanded->thumbnailLength = 0;
    expanded->artLength = 0;
    expanded->recordLength = static_cast<std::int32_t>(total);
  }
  ReleaseBlock(thumbnail);
  ReleaseBlock(art);
  return done ? 0 : -1;
}

}  // namespace velm
