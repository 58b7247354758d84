// The CRC-32 of an index's body worked out a piece at a time, in any order, as its readers pass
// over its parts: each piece summed while the reader that checked it still has it in cache,
// rather than all of it read again from memory, and what no reader took summed at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brindlemap::serial {

// How many bytes a pass goes over between the pieces it sums: few enough that they are still in
// the first-level cache.
inline constexpr std::size_t kSumEvery = std::size_t{32} << 10;

class PieceSums {
  public:
    explicit PieceSums(std::span<const std::uint8_t> body) noexcept : body_(body) {}

    // Sums `piece`, where it lies within the body (anything else is left to `total`); a piece
    // that goes on from the one before is summed on from it.
    void add(std::span<const std::uint8_t> piece);
    // Takes the pieces that `other`, of the same body (another thread's), summed.
    void take(PieceSums&& other);
    // The CRC-32 of the whole body: the pieces put in their places, and whatever they leave
    // out, or sum twice, summed here.
    std::uint32_t total();

  private:
    struct Piece {
        std::size_t at, length;
        std::uint32_t crc;
    };

    std::span<const std::uint8_t> body_;
    std::vector<Piece> pieces_;
};

}  // namespace brindlemap::serial
