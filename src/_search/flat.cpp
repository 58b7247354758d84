// The writers and checked readers of the flat and packed layouts, failures raised as
// IndexFileError.
#include "_search/flat.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "boundary/error.h"
#include "boundary/package_errors.h"
#include "boundary/released_gil.h"
#include "boundary/signals.h"
#include "prefix/failure.h"
#include "prefix/trie/reversed_words.h"
#include "serial/layouts.h"
#include "serial/tables.h"

namespace brindlemap {
namespace {

using serial::kFlat, serial::kPacked, serial::kPackedRuns, serial::Layout;

// The packed layout of index files of format `version`; ValueError for a format that has none.
const Layout& packed_layout(std::uint32_t version) {
    if (version == 4) return kPackedRuns;
    if (version != 5) throw_error(PyExc_ValueError, "version must be 4 or 5");
    return kPacked;
}

// The bytes that `write` writes of `trie`, `size(trie)` of them.
PyRef written_object(const Trie& trie, std::size_t (*size)(const Trie&),
                     void (*write)(const Trie&, std::span<std::uint8_t>)) {
    const std::size_t length = size(trie);
    PyRef bytes =
        result_object(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(length)));
    auto* out = reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(bytes.get()));
    write(trie, {out, length});
    return bytes;
}

PyRef layout_object(const Trie& trie, const Layout& layout) {
    return written_object(trie, layout.size, layout.write);
}

PyRef reversed_object(const BorrowedTrie& trie, const Layout& layout) {
    const Trie* reversed = walk_without_gil(
        [&](WalkInterrupt& interrupt) { return trie.trie().reversed(interrupt); });
    if (reversed == nullptr) return PyRef::borrow(Py_None);
    return layout_object(*reversed, layout);
}

// A trie read from its bytes, or what stopped the reader.
struct Read {
    std::unique_ptr<Trie> trie;
    std::exception_ptr failed;
};

// The trie of the buffer `bytes` in `layout`, read in place where it may be, on any thread,
// without the interpreter lock.
Read read_quietly(const AsReadBuffer::Value& bytes, const Layout& layout) noexcept {
    Read read;
    try {
        // Unreadable bytes are the caller's data, not an internal fault: no report.
        UnobservedFailures quiet;
        read.trie = std::make_unique<Trie>(layout.read(bytes.bytes(), bytes.backing()));
    } catch (...) {
        read.failed = std::current_exception();
    }
    return read;
}

// Below this many bytes in each, a trie and its reversed trie are read one after the other: a
// thread of its own would cost more than it saves.
constexpr std::size_t kReadApartFrom = std::size_t{1} << 20;

// The trie and the reversed trie of their bytes, the two read side by side where both are
// large, with the interpreter lock given up.
std::pair<Read, Read> read_both(const AsReadBuffer::Value& trie,
                                const std::optional<AsReadBuffer::Value>& reversed,
                                const Layout& layout) {
    return without_gil([&](ReleasedGil&) {
        std::pair<Read, Read> read;
        std::thread apart;
        if (reversed &&
            std::min(trie.bytes().size(), reversed->bytes().size()) >= kReadApartFrom) {
            try {
                apart = std::thread([&] { read.second = read_quietly(*reversed, layout); });
            } catch (const std::system_error&) {
                // No thread to be had: read them in turn.
            }
        }
        read.first = read_quietly(trie, layout);
        if (apart.joinable()) {
            apart.join();
        } else if (reversed) {
            read.second = read_quietly(*reversed, layout);
        }
        return read;
    });
}

// `failed`, what stopped a reader, raised as an IndexFileError of reason layout: `what`, then
// the reader's reason.
[[noreturn]] void refuse_read(const std::exception_ptr& failed, const std::string& what) {
    try {
        std::rethrow_exception(failed);
    } catch (const InternalFailure& failure) {
        throw_package_error(PackageError::index_file, what + ": " + std::string(failure.detail()),
                            IndexReason::layout);
    }
}

// The trie that `read` made, which must pass the shape check; `what` names it in the messages.
std::unique_ptr<Trie> checked(Read read, const char* what) {
    if (read.failed)
        refuse_read(read.failed, std::string("the ") + what + " is not laid out as a trie");
    if (!read.trie->shape())
        throw_package_error(PackageError::index_file,
                            std::string("malformed trie: the ") + what +
                                " is not a well-formed tree",
                            IndexReason::malformed);
    return std::move(read.trie);
}

// The trie of the bytes `trie` with the reversed trie of the bytes `reversed` and the tables of
// the bytes `tables`, if any, both tries in `layout`.
PyRef from_layout(const AsReadBuffer::Value& trie,
                  const std::optional<AsReadBuffer::Value>& reversed, const Layout& layout,
                  const std::optional<AsReadBuffer::Value>& tables = std::nullopt) {
    auto [forward_read, backward_read] = read_both(trie, reversed, layout);
    std::unique_ptr<Trie> forward = checked(std::move(forward_read), "trie");
    if (tables) {
        const std::exception_ptr failed = without_gil([&](ReleasedGil&) {
            try {
                // Unreadable bytes are the caller's data, not an internal fault: no report.
                UnobservedFailures quiet;
                forward->adopt_tables(serial::read_tables(
                    tables->bytes(), forward->node_strings().size(), tables->backing()));
                return std::exception_ptr();
            } catch (...) {
                return std::current_exception();
            }
        });
        if (failed) refuse_read(failed, "the trie's tables do not fit it");
    }
    if (reversed) {
        std::unique_ptr<Trie> backward = checked(std::move(backward_read), "reversed trie");
        const bool fits = without_gil(
            [&](ReleasedGil&) { return reversed_fits(*forward, *backward); });
        if (!fits)
            throw_package_error(PackageError::index_file,
                                "the reversed trie does not hold the trie's words",
                                IndexReason::layout);
        forward->adopt_reversed(std::move(backward));
    }
    return make_prefix_search(std::move(*forward));
}

}  // namespace

namespace {

// Releases a held buffer with the interpreter lock, whichever thread lets go of it last.
struct ReleasedWithLock {
    void operator()(HeldBuffer* held) const noexcept {
        const PyGILState_STATE state = PyGILState_Ensure();
        delete held;
        PyGILState_Release(state);
    }
};

}  // namespace

AsReadBuffer::Value::Value(PyObject* object)
    : buffer_(new HeldBuffer, ReleasedWithLock{}) {
    if (!buffer_->take(object, PyBUF_C_CONTIGUOUS)) throw_pending();
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

PyRef packed(const BorrowedTrie& trie, std::uint32_t version) {
    return layout_object(trie.trie(), packed_layout(version));
}

PyRef packed_reversed(const BorrowedTrie& trie, std::uint32_t version) {
    return reversed_object(trie, packed_layout(version));
}

PyRef from_packed(const AsReadBuffer::Value& trie,
                  const std::optional<AsReadBuffer::Value>& reversed,
                  const std::optional<AsReadBuffer::Value>& tables, std::uint32_t version) {
    return from_layout(trie, reversed, packed_layout(version), tables);
}

PyRef packed_tables(const BorrowedTrie& trie) {
    return written_object(trie.trie(), serial::tables_size, serial::write_tables);
}

}  // namespace brindlemap
