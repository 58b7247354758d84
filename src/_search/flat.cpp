// The flat layout's writers and its checked reader, failures raised as IndexFileError.
#include "_search/flat.h"

#include <memory>
#include <optional>
#include <string>

#include "boundary/error.h"
#include "boundary/package_errors.h"
#include "boundary/signals.h"
#include "prefix/failure.h"
#include "prefix/trie/reversed_words.h"
#include "serial/flat.h"

namespace brindlemap {
namespace {

PyRef flat_object(const Trie& trie) {
    const std::size_t size = serial::flat_size(trie);
    PyRef bytes = result_object(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
    serial::write_flat(trie, {out, size});
    return bytes;
}

// The trie of `bytes`, which must pass the shape check; `what` names it in the messages.
std::unique_ptr<Trie> read_checked(std::span<const std::uint8_t> bytes, const char* what) {
    std::unique_ptr<Trie> trie;
    try {
        // Unreadable bytes are the caller's data, not an internal fault: no report.
        UnobservedFailures quiet;
        trie = std::make_unique<Trie>(serial::read_flat(bytes));
    } catch (const InternalFailure& failure) {
        throw_package_error(PackageError::index_file,
                            std::string("the ") + what + " is not laid out as a trie: " +
                                std::string(failure.detail()),
                            IndexReason::layout);
    }
    if (!trie->shape())
        throw_package_error(PackageError::index_file,
                            std::string("malformed trie: the ") + what +
                                " is not a well-formed tree",
                            IndexReason::malformed);
    return trie;
}

}  // namespace

AsReadBuffer::Value::Value(PyObject* object) {
    if (PyObject_GetBuffer(object, &view_, PyBUF_C_CONTIGUOUS) < 0) throw_pending();
    held_ = true;
}

PyRef flat(const BorrowedTrie& trie) {
    return flat_object(trie.trie());
}

PyRef flat_reversed(const BorrowedTrie& trie) {
    const Trie* reversed = walk_without_gil(
        [&](WalkInterrupt& interrupt) { return trie.trie().reversed(interrupt); });
    if (reversed == nullptr) return PyRef::borrow(Py_None);
    return flat_object(*reversed);
}

PyRef from_flat(const AsReadBuffer::Value& trie, const std::optional<AsReadBuffer::Value>& reversed) {
    std::unique_ptr<Trie> forward = read_checked(trie.bytes(), "trie");
    if (reversed) {
        std::unique_ptr<Trie> backward = read_checked(reversed->bytes(), "reversed trie");
        if (!reversed_fits(*forward, *backward))
            throw_package_error(PackageError::index_file,
                                "the reversed trie does not hold the trie's words",
                                IndexReason::layout);
        forward->adopt_reversed(std::move(backward));
    }
    return make_prefix_search(std::move(*forward));
}

}  // namespace brindlemap
