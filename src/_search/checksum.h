// crc32: the checksum of index files, for the reader that checks every byte of one before
// trusting it.
#pragma once

#include <Python.h>

#include "boundary/binder.h"
#include "boundary/py_ref.h"
#include "boundary/signature.h"
#include "_search/flat.h"

namespace brindlemap {

namespace search_signatures {

inline constexpr Signature<AsReadBuffer, AsU32> crc32{
    "crc32",
    "",
    {"data", optional("value", defaults::integer(0))},
    "zlib.crc32(data, value): the CRC-32 of the buffer `data`, continuing from `value`, several\n"
    "times faster where the processor multiplies without carries; the interpreter lock is given\n"
    "up over large buffers."};

}  // namespace search_signatures

PyRef crc32(const AsReadBuffer::Value& data, std::uint32_t value);

}  // namespace brindlemap
