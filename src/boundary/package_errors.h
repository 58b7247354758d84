// The package's own exception types (brindlemap.errors), raised from native code by kind, so
// that callers tell failures apart by type and reason, never by reading a message.
#pragma once

#include <string>
#include <string_view>

namespace brindlemap {

enum class PackageError {
    malformed_trie,  // MalformedTrieError: arrays that are not those of a well-formed trie
    index_file,      // IndexFileError: bytes that are not those of an index
};

// Throws the error value of `type` with `message` (and, for an IndexFileError, `reason`, one
// of brindlemap.errors.IndexFileReason); the interpreter lock must be held.
[[noreturn]] void throw_package_error(PackageError type, const std::string& message,
                                      std::string_view reason = {});

}  // namespace brindlemap
