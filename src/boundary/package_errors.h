// The package's own exception types (brindlemap.errors), raised from native code by kind, so
// that callers tell failures apart by type and reason, never by reading a message. The Python
// side hands the types and the reasons over once, as it imports (register_package_errors).
#pragma once

#include <Python.h>

#include <array>
#include <string>
#include <string_view>

namespace brindlemap {

enum class PackageError {
    malformed_trie,  // MalformedTrieError: arrays that are not those of a well-formed trie
    index_file,      // IndexFileError: bytes that are not those of an index
};

// Why bytes are not an index, of those that native code finds; each is a value of
// brindlemap.errors.IndexFileReason, by the name kIndexReasonNames gives it.
enum class IndexReason {
    ends_early,   // trie bytes that end before the trie does
    undecodable,  // trie bytes that no writer makes
    malformed,    // a trie that fails the shape check
    layout,       // sections or tables that do not fit together
};
inline constexpr std::array<std::string_view, 4> kIndexReasonNames = {
    "ends_early", "undecodable", "malformed", "layout"};

// Throws the error value of `type` with `message` (and, for an IndexFileError, `reason`); the
// interpreter lock must be held.
[[noreturn]] void throw_package_error(PackageError type, const std::string& message,
                                      IndexReason reason = IndexReason::undecodable);

// Keeps MalformedTrieError, IndexFileError and the IndexFileReason member of each IndexReason
// (`reasons`, in the order of kIndexReasonNames) for the process; TypeError for anything else.
void register_package_errors(PyObject* malformed_trie, PyObject* index_file, PyObject* reasons);

}  // namespace brindlemap
