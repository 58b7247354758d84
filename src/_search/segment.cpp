// segment: the tables viewed in place, the programme run with the interpreter lock given up.
#include "_search/segment.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "boundary/error.h"
#include "boundary/signals.h"
#include "prefix/utf8.h"

namespace brindlemap {

double AsReal::convert(PyObject* object) {
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) throw_pending();
    return value;
}

PyRef segment(const BorrowedTrie& trie, std::string_view text, const AsWordText::Value& allowed,
              const AsNumbers::Value& totals, std::uint64_t total, const AsNumbers::Value& pairs,
              const AsNumbers::Value& pair_counts, std::uint64_t mass, double smoothing,
              double unknown_first, double unknown_per_letter, std::uint64_t longest,
              std::uint32_t max_edits, double per_edit, const AsNumbers::Value& others,
              const AsWordText::Value& demoted, std::uint64_t demoted_count) {
    const std::vector<char32_t> characters = utf8::decode_all(text);
    if (characters.size() > 0xFFFFFFFFu)
        throw_error(PyExc_ValueError, "a text of more than 4294967295 characters");
    const std::string_view mask = allowed.text();
    const std::string_view demoted_bits = demoted.text();
    const SegmentModel model{totals.view(),        pairs.view(),
                             pair_counts.view(),   std::max<std::uint64_t>(total, 1),
                             std::max<std::uint64_t>(mass, 1), smoothing,
                             unknown_first,        unknown_per_letter,
                             per_edit,
                             std::span<const unsigned char>(
                                 reinterpret_cast<const unsigned char*>(demoted_bits.data()),
                                 demoted_bits.size()),
                             demoted_count};
    // A word may be longer than its stretch by the letters an edit leaves out.
    const std::size_t reach = static_cast<std::size_t>(
        std::min<std::uint64_t>(longest, std::uint64_t{characters.size()} + max_edits));
    std::vector<SegmentPiece> pieces = walk_without_gil([&](WalkInterrupt& interrupt) {
        return segment_pieces(
            trie.trie(), characters,
            std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(mask.data()),
                                           mask.size()),
            model, others.view(), reach, max_edits, interrupt);
    });
    return py_list(pieces.size(), [&](std::size_t i) {
        const SegmentPiece& piece = pieces[i];
        PyRef word = piece.word < 0 ? PyRef::borrow(Py_None)
                                    : py_u32(static_cast<std::uint32_t>(piece.word));
        return py_tuple(py_u32(piece.start), std::move(word), py_u32(piece.edits));
    });
}

}  // namespace brindlemap
