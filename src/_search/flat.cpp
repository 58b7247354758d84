// The writers and checked readers of the flat and packed layouts, failures raised as
// IndexFileError.
#include "_search/flat.h"

#include <memory>
#include <optional>
#include <string>

#include "boundary/error.h"
#include "boundary/package_errors.h"
#include "boundary/signals.h"
#include "prefix/failure.h"
#include "prefix/trie/reversed_words.h"
#include "serial/layouts.h"

namespace brindlemap {
namespace {

using serial::kFlat, serial::kPacked, serial::Layout;

PyRef layout_object(const Trie& trie, const Layout& layout) {
    const std::size_t size = layout.size(trie);
    PyRef bytes = result_object(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
    layout.write(trie, {out, size});
    return bytes;
}

PyRef reversed_object(const BorrowedTrie& trie, const Layout& layout) {
    const Trie* reversed = walk_without_gil(
        [&](WalkInterrupt& interrupt) { return trie.trie().reversed(interrupt); });
    if (reversed == nullptr) return PyRef::borrow(Py_None);
    return layout_object(*reversed, layout);
}

// The trie of `bytes`, which must pass the shape check; `what` names it in the messages.
std::unique_ptr<Trie> read_checked(std::span<const std::uint8_t> bytes, const Layout& layout,
                                   const char* what) {
    std::unique_ptr<Trie> trie;
    try {
        // Unreadable bytes are the caller's data, not an internal fault: no report.
        UnobservedFailures quiet;
        trie = std::make_unique<Trie>(layout.read(bytes));
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

// The trie of the bytes `trie` with the reversed trie of the bytes `reversed`, if any, both
// in `layout`.
PyRef from_layout(const AsReadBuffer::Value& trie,
                  const std::optional<AsReadBuffer::Value>& reversed, const Layout& layout) {
    std::unique_ptr<Trie> forward = read_checked(trie.bytes(), layout, "trie");
    if (reversed) {
        std::unique_ptr<Trie> backward = read_checked(reversed->bytes(), layout, "reversed trie");
        if (!reversed_fits(*forward, *backward))
            throw_package_error(PackageError::index_file,
                                "the reversed trie does not hold the trie's words",
                                IndexReason::layout);
        forward->adopt_reversed(std::move(backward));
    }
    return make_prefix_search(std::move(*forward));
}

}  // namespace

AsReadBuffer::Value::Value(PyObject* object) {
    if (!buffer_.take(object, PyBUF_C_CONTIGUOUS)) throw_pending();
}

PyRef flat(const BorrowedTrie& trie) {
    return layout_object(trie.trie(), kFlat);
}

PyRef flat_reversed(const BorrowedTrie& trie) {
    return reversed_object(trie, kFlat);
}

PyRef from_flat(const AsReadBuffer::Value& trie, const std::optional<AsReadBuffer::Value>& reversed) {
    return from_layout(trie, reversed, kFlat);
}

PyRef packed(const BorrowedTrie& trie) {
    return layout_object(trie.trie(), kPacked);
}

PyRef packed_reversed(const BorrowedTrie& trie) {
    return reversed_object(trie, kPacked);
}

PyRef from_packed(const AsReadBuffer::Value& trie,
                  const std::optional<AsReadBuffer::Value>& reversed) {
    return from_layout(trie, reversed, kPacked);
}

}  // namespace brindlemap
