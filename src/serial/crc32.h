// The CRC-32 that index files carry (zlib's, gzip's and PNG's: the reflected polynomial
// 0xEDB88320), worked out several times faster than a table can where the processor multiplies
// without carries, since a loader reads every byte of a file through it before trusting any.
#pragma once

#include <cstdint>
#include <span>

namespace brindlemap::serial {

// The CRC-32 of `bytes`, continuing from `crc`, the CRC-32 of the bytes before them (0 for
// none): crc32(b, crc32(a)) is the CRC-32 of a followed by b, as zlib.crc32 gives it.
std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0) noexcept;

// The CRC-32 of a followed by b, from crc32(a), crc32(b) and b's length alone, reading neither:
// so that the parts of a file summed apart, on other threads or while a reader has them in
// cache, make the sum of the whole.
std::uint32_t crc32_combine(std::uint32_t first, std::uint32_t second,
                            std::uint64_t second_length) noexcept;

}  // namespace brindlemap::serial
