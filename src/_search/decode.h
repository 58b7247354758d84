// decode: the bytes of PrefixSearch.to_bytes read back into a trie, a failure being an
// IndexFileError (a ValueError) that writes nothing to standard error.
#pragma once

#include "boundary/signature.h"
#include "_brindlemap/signatures.h"

namespace brindlemap {

namespace search_signatures {

inline constexpr Signature<AsByteString> decode{
    "decode",
    "",
    {"data"},
    "The trie that data (bytes written by PrefixSearch.to_bytes) describes, as from_bytes reads\n"
    "it; bytes that do not decode raise brindlemap.IndexFileError (a ValueError) with its reason\n"
    "(ends_early or undecodable), and nothing is reported on standard error."};

}  // namespace search_signatures

PyRef decode(const AsByteString::Value& data);

}  // namespace brindlemap
