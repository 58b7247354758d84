// A trie's shifts (where each node's run of children begins) stored as the lines of one-byte
// offsets they are kept in, so that a reader checks them where they lie rather than adding up
// runs of children into fresh memory.
#pragma once

#include <cstddef>
#include <string_view>

#include "prefix/trie/node_arrays.h"
#include "serial/vouched.h"

namespace brindlemap::serial {

// `shifts` in lines of one-byte offsets from each line's first value, the values of a line
// that spans more than a byte kept whole: as the reader of runs of children makes them.
OffsetArray shift_lines(const OffsetArray& shifts);

// Checks `shifts`, lines of one-byte offsets as read_offset_lines gives them, as those of a
// trie of `nodes` nodes: refused, in the name of `layout`, where they do not start at 0, fall,
// pass the last node, or a line of offsets does not start at its base. Node i's run of
// children is then shifts[i] + 1 to shifts[i + 1] (to the last node for the last), and
// `shape` learns whether each parent's children follow it and each run of two or more rises.
void check_shift_lines(const OffsetArray& shifts, std::size_t nodes, Vouched& shape,
                       std::string_view layout);

}  // namespace brindlemap::serial
