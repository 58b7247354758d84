// Making a payload array compact: the values of the nodes that carry one, and their ranks.
#include "prefix/trie/node_arrays.h"

namespace brindlemap {

PayloadArray::PayloadArray(std::span<const std::uint32_t> values,
                           std::vector<std::uint64_t> present)
    : size_(values.size()), present_(std::move(present)) {
    rank();
    carried_.reserve(ranks_.empty() ? 0 : ranks_.back() + static_cast<std::size_t>(
                                                               std::popcount(present_.back())));
    for (std::size_t w = 0; w < present_.size(); ++w)
        for (std::uint64_t bits = present_[w]; bits != 0; bits &= bits - 1)
            carried_.push_back(values[64 * w + static_cast<std::size_t>(std::countr_zero(bits))]);
}

PayloadArray PayloadArray::of_carried(std::size_t n, std::vector<std::uint64_t> present,
                                      std::vector<std::uint32_t> carried) {
    PayloadArray array;
    array.size_ = n;
    array.present_ = std::move(present);
    array.carried_ = std::move(carried);
    array.rank();
    return array;
}

void PayloadArray::rank() {
    ranks_.resize(present_.size());
    std::uint32_t seen = 0;
    for (std::size_t w = 0; w < present_.size(); ++w) {
        ranks_[w] = seen;
        seen += static_cast<std::uint32_t>(std::popcount(present_[w]));
    }
}

}  // namespace brindlemap
