// decode: the byte decoder of from_bytes, its failures raised as IndexFileError with their
// reason.
#include "_search/decode.h"

#include <optional>
#include <string>

#include "boundary/package_errors.h"
#include "_brindlemap/prefix_search.h"
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
        // Any failure is the bytes' doing here; only ending early is told apart, since a
        // prefix of an index's bytes fails for that reason alone.
        throw_package_error(
            PackageError::index_file, "undecodable trie bytes: " + std::string(failure.detail()),
            failure.kind() == FailureKind::bytes_end_early ? IndexReason::ends_early
                                                          : IndexReason::undecodable);
    }
    return make_prefix_search(std::move(*trie));
}

}  // namespace brindlemap
