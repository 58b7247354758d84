// PieceSums of piece_sums.h: the pieces sorted by where they lie and combined, gaps summed.
#include "serial/piece_sums.h"

#include <algorithm>
#include <functional>
#include <iterator>

#include "serial/crc32.h"

namespace brindlemap::serial {

void PieceSums::add(std::span<const std::uint8_t> piece) {
    const auto first = reinterpret_cast<std::uintptr_t>(body_.data());
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data());
    if (piece.empty() || at < first || at - first > body_.size() ||
        piece.size() > body_.size() - (at - first))
        return;
    if (!pieces_.empty() && pieces_.back().at + pieces_.back().length == at - first) {
        pieces_.back().crc = crc32(piece, pieces_.back().crc);
        pieces_.back().length += piece.size();
        return;
    }
    pieces_.push_back({at - first, piece.size(), crc32(piece)});
}

void PieceSums::take(PieceSums&& other) {
    pieces_.insert(pieces_.end(), std::make_move_iterator(other.pieces_.begin()),
                   std::make_move_iterator(other.pieces_.end()));
    other.pieces_.clear();
}

std::uint32_t PieceSums::total() {
    std::ranges::sort(pieces_, std::less{}, &Piece::at);
    std::uint32_t sum = 0;
    std::size_t summed = 0;  // the bytes before this are in `sum`
    const auto sum_to = [&](std::size_t end) {
        sum = crc32(body_.subspan(summed, end - summed), sum);
        summed = end;
    };
    for (const Piece& piece : pieces_) {
        if (piece.at < summed) {  // overlaps what is summed: its bytes past that read again
            if (piece.at + piece.length > summed) sum_to(piece.at + piece.length);
            continue;
        }
        sum_to(piece.at);
        sum = crc32_combine(sum, piece.crc, piece.length);
        summed = piece.at + piece.length;
    }
    sum_to(body_.size());
    return sum;
}

}  // namespace brindlemap::serial
