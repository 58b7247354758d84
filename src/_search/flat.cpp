// The writers and checked readers of the flat and packed layouts, failures raised as
// IndexFileError.
#include "_search/flat.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <latch>
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
#include "serial/piece_sums.h"
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

// Runs `work`, giving back what stopped it, if anything; unreadable bytes are the caller's
// data, not an internal fault: no report.
template <class Work>
std::exception_ptr quietly(Work&& work) noexcept {
    try {
        UnobservedFailures quiet;
        work();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

// The trie of the buffer `bytes` in `layout`, read in place where it may be, on any thread,
// without the interpreter lock, its bytes summed into `sums` where there are any.
Read read_quietly(const AsReadBuffer::Value& bytes, const Layout& layout,
                  serial::PieceSums* sums) noexcept {
    Read read;
    read.failed = quietly([&] {
        read.trie = std::make_unique<Trie>(layout.read(bytes.bytes(), bytes.backing(), sums));
    });
    return read;
}

// Below this many bytes in each, a trie and its reversed trie are read one after the other: a
// thread of its own would cost more than it saves.
constexpr std::size_t kReadApartFrom = std::size_t{1} << 20;

// The sections of a packed index and the body that holds them, where its checksum is to be
// worked out as they are read.
struct Sections {
    const AsReadBuffer::Value& trie;
    const std::optional<AsReadBuffer::Value>& reversed;
    const std::optional<AsReadBuffer::Value>& tables;
    const AsReadBuffer::Value* body = nullptr;
};

// All that reading the sections found, before any of it is raised: each trie as read, what
// stopped the tables, whether the reversed trie holds the trie's words, and the CRC-32 of the
// body, where there is one.
struct Found {
    Read forward, backward;
    std::optional<RankTables> tables;
    std::exception_ptr tables_failed;
    bool fits = false;
    std::uint32_t crc = 0;
};

// The reversed trie's share of reading the sections, and whether it fits the trie: done by the
// thread started for it or, should the system not have run that thread by then, by the reader
// of the trie once that is done, whichever takes it first. A late thread that finds it taken
// touches nothing but this, which it shares.
struct Backward {
    Read read;
    bool fits = false;
    serial::PieceSums sums;
    std::atomic<bool> taken = false;
    std::latch forward_read{1}, done{1};

    explicit Backward(std::span<const std::uint8_t> body) : sums(body) {}
};

// Reads the reversed trie into `backward`, then, once `forward` is read, checks that it fits.
void read_backward(Backward& backward, const Sections& sections, const Layout& layout,
                   const Read& forward) noexcept {
    serial::PieceSums* const sums = sections.body != nullptr ? &backward.sums : nullptr;
    backward.read = read_quietly(*sections.reversed, layout, sums);
    backward.forward_read.wait();
    if (forward.trie && backward.read.trie) {
        const std::exception_ptr failed = quietly(
            [&] { backward.fits = reversed_fits(*forward.trie, *backward.read.trie); });
        if (failed) backward.read.failed = failed;
        if (sums != nullptr) {
            // Read just now by reversed_fits, and by nothing else.
            const std::span<const std::uint32_t> named =
                backward.read.trie->node_payloads().carried();
            sums->add({reinterpret_cast<const std::uint8_t*>(named.data()), named.size_bytes()});
        }
    }
    backward.done.count_down();
}

// The sections read and checked without the interpreter lock: where both tries are large, the
// reversed one (and whether it fits the trie) on a thread of its own while this one reads the
// trie and its tables; each sums the body's bytes as it has them in cache, and what none read
// is summed at the end.
Found read_sections(const Sections& sections, const Layout& layout) {
    return without_gil([&](ReleasedGil&) {
        Found found;
        const std::span<const std::uint8_t> body =
            sections.body != nullptr ? sections.body->bytes() : std::span<const std::uint8_t>();
        serial::PieceSums sums(body);
        serial::PieceSums* const summed = sections.body != nullptr ? &sums : nullptr;
        const auto backward = std::make_shared<Backward>(body);
        if (sections.reversed && std::min(sections.trie.bytes().size(),
                                          sections.reversed->bytes().size()) >= kReadApartFrom) {
            try {
                std::thread([backward, &sections, &layout, &found] {
                    if (!backward->taken.exchange(true))
                        read_backward(*backward, sections, layout, found.forward);
                }).detach();
            } catch (const std::system_error&) {
                // No thread to be had: this one reads both.
            }
        }
        found.forward = read_quietly(sections.trie, layout, summed);
        backward->forward_read.count_down();
        if (sections.tables && found.forward.trie)
            found.tables_failed = quietly([&] {
                found.tables = serial::read_tables(sections.tables->bytes(),
                                                   found.forward.trie->node_strings().size(),
                                                   sections.tables->backing(), summed);
            });
        if (sections.reversed) {
            if (!backward->taken.exchange(true))
                read_backward(*backward, sections, layout, found.forward);
            backward->done.wait();
            found.backward = std::move(backward->read);
            found.fits = backward->fits;
            sums.take(std::move(backward->sums));
        }
        if (summed != nullptr) found.crc = sums.total();
        return found;
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

// The trie of the sections, both tries in `layout`, with the reversed trie and the tables
// where there are any; refused, in this order, where the trie, its tables or the reversed trie
// is refused, or the reversed trie does not hold the trie's words. `crc`, where given, is set
// to the body's CRC-32.
PyRef from_layout(const Sections& sections, const Layout& layout, std::uint32_t* crc = nullptr) {
    Found found = read_sections(sections, layout);
    std::unique_ptr<Trie> forward = checked(std::move(found.forward), "trie");
    if (found.tables_failed) refuse_read(found.tables_failed, "the trie's tables do not fit it");
    if (found.tables) forward->adopt_tables(std::move(*found.tables));
    if (sections.reversed) {
        std::unique_ptr<Trie> backward = checked(std::move(found.backward), "reversed trie");
        if (!found.fits)
            throw_package_error(PackageError::index_file,
                                "the reversed trie does not hold the trie's words",
                                IndexReason::layout);
        forward->adopt_reversed(std::move(backward));
    }
    if (crc != nullptr) *crc = found.crc;
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
    return from_layout({trie, reversed, std::nullopt}, kFlat);
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
    return from_layout({trie, reversed, tables}, packed_layout(version));
}

PyRef from_packed_summed(const AsReadBuffer::Value& body, const AsReadBuffer::Value& trie,
                         const std::optional<AsReadBuffer::Value>& reversed,
                         const std::optional<AsReadBuffer::Value>& tables,
                         std::uint32_t version) {
    std::uint32_t crc = 0;
    PyRef read = from_layout({trie, reversed, tables, &body}, packed_layout(version), &crc);
    return owned(Py_BuildValue("(Ok)", read.get(), static_cast<unsigned long>(crc)));
}

PyRef packed_tables(const BorrowedTrie& trie) {
    return written_object(trie.trie(), serial::tables_size, serial::write_tables);
}

}  // namespace brindlemap
