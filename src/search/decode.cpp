// decode: the byte decoder of from_bytes, its failures turned into ValueError.
#include "search/decode.h"

#include <optional>
#include <string>

#include "boundary/error.h"
#include "lib/prefix_search.h"
#include "prefix/failure.h"
#include "serial/decode.h"

namespace brindlemap {

PyRef decode(const AsByteString::Value& data) {
    std::optional<Trie> trie;
    try {
        // Undecodable bytes are the caller's data, not an internal fault: no report.
        UnobservedFailures quiet;
        trie.emplace(serial::decode_trie(data.bytes()));
    } catch (const InternalFailure& failure) {
        std::string_view reason = failure.message();
        if (reason.starts_with(kUnwrapErrPrefix)) reason.remove_prefix(kUnwrapErrPrefix.size());
        throw_error(PyExc_ValueError, "undecodable trie bytes: " + std::string(reason));
    }
    return make_prefix_search(std::move(*trie));
}

}  // namespace brindlemap
