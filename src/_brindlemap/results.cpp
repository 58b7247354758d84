// Shaping match records into Python tuples.
#include "_brindlemap/results.h"

#include <string>
#include <utility>

#include "boundary/convert.h"

namespace brindlemap {

PyRef match_tuple(std::string_view text, std::optional<std::uint32_t> payload,
                  std::uint64_t distance) {
    return py_tuple(py_text(text), py_optional_u32(payload), py_u64(distance));
}

PyRef match_list(const Trie& trie, std::vector<MatchRecord> records, WalkInterrupt& interrupt) {
    std::vector<std::optional<std::uint32_t>> payloads;
    payloads.reserve(records.size());
    for (const MatchRecord& record : records) payloads.push_back(trie.get_payload(record.node));
    return py_list(records.size(), [&](std::size_t i) {
        interrupt.charge(records[i].text.size() + 1);
        return match_tuple(records[i].text, payloads[i], records[i].distance);
    });
}

}  // namespace brindlemap
