// Host status codes. Four-character codes are 32-bit values with the first character
// in the most significant byte ('STOP' is 0x53544F50).
#pragma once

#include <cstdint>

#include "host/types.h"

namespace host {

constexpr Err FourCC(char a, char b, char c, char d) {
  return static_cast<Err>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                          (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                          (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                          static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr Err kNoErr = 0;
// Quiet cancellation: never shown to the user.
constexpr Err kStopErr = FourCC('S', 'T', 'O', 'P');
// Not enough memory (the classic numeric code).
constexpr Err kOutOfMemoryErr = -108;
// Memory error of the host's memory suites.
constexpr Err kMemoryErr = 271;
// A layer is locked or hidden.
constexpr Err kLockedLayerErr = FourCC('S', 'E', 'G', 'M');
// A path has too many anchor points.
constexpr Err kTooManyPointsErr = FourCC('N', 'E', 'S', 'S');
// The selection is not valid for the operation.
constexpr Err kBadSelectionErr = FourCC('!', 's', 'e', 'l');
// A parameter the host rejects.
constexpr Err kBadParameterErr = FourCC('P', 'A', 'R', 'M');
// A suite that the host does not offer (at that version).
constexpr Err kSuiteNotFoundErr = FourCC('S', '!', 'F', 'D');
// An operation the host does not implement.
constexpr Err kUnimplementedErr = FourCC('!', 'I', 'M', 'P');
// A named object that does not exist.
constexpr Err kNotFoundErr = FourCC('!', 'F', 'N', 'D');
// Generic failure injected or reported by the host.
constexpr Err kHostFailureErr = FourCC('F', 'A', 'I', 'L');

}  // namespace host
