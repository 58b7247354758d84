// crc32 of checksum.h, over the bytes of any buffer.
#include "_search/checksum.h"

#include "boundary/error.h"
#include "boundary/released_gil.h"
#include "serial/crc32.h"

namespace brindlemap {
namespace {

// From this many bytes on, other threads may run while the sum is worked out.
constexpr std::size_t kWithoutLockFrom = std::size_t{1} << 20;

}  // namespace

PyRef crc32(const AsReadBuffer::Value& data, std::uint32_t value) {
    const std::span<const std::uint8_t> bytes = data.bytes();
    const std::uint32_t sum =
        bytes.size() < kWithoutLockFrom
            ? serial::crc32(bytes, value)
            : without_gil([&](ReleasedGil&) { return serial::crc32(bytes, value); });
    return result_object(PyLong_FromUnsignedLong(sum));
}

}  // namespace brindlemap
