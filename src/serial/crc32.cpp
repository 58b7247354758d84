// The CRC-32 of crc32.h: slicing by eight tables, and on x86-64 processors that have it, folding
// 64 bytes at a time by carry-less multiplication (the method of Intel's "Fast CRC Computation
// for Generic Polynomials Using PCLMULQDQ Instruction", its constants for this polynomial), or
// 256 bytes at a time, four 128-bit folds to an instruction, where the processor multiplies
// 512 bits at once. A fold across d bits takes the constants x^(d+32) and x^(d-32) mod P,
// bit-reflected and doubled.
#include "serial/crc32.h"

#include <array>
#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BRINDLEMAP_CRC_FOLDS 1
#endif

namespace brindlemap::serial {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

// tables[k][b]: the CRC of byte b followed by k zero bytes.
constexpr std::array<std::array<std::uint32_t, 256>, 8> make_tables() noexcept {
    std::array<std::array<std::uint32_t, 256>, 8> tables{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        std::uint32_t crc = b;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kPolynomial & (0u - (crc & 1u)));
        tables[0][b] = crc;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t b = 0; b < 256; ++b)
            tables[k][b] = (tables[k - 1][b] >> 8) ^ tables[0][tables[k - 1][b] & 0xFFu];
    return tables;
}

constexpr auto kTables = make_tables();

// The register form: the CRC before its final inversion.
std::uint32_t by_tables(const std::uint8_t* at, std::size_t n, std::uint32_t state) noexcept {
    for (; n >= 8; n -= 8, at += 8) {
        std::uint32_t low, high;
        std::memcpy(&low, at, 4);
        std::memcpy(&high, at + 4, 4);
        low ^= state;
        state = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^
                kTables[5][(low >> 16) & 0xFF] ^ kTables[4][low >> 24] ^
                kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
                kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    }
    for (; n > 0; --n, ++at) state = (state >> 8) ^ kTables[0][(state ^ *at) & 0xFF];
    return state;
}

#ifdef BRINDLEMAP_CRC_FOLDS
#define BRINDLEMAP_FOLDING __attribute__((target("pclmul,sse4.1")))

BRINDLEMAP_FOLDING inline __m128i load(const std::uint8_t* at) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// `x` carried 128 bits on by the constants `k`, and `next` added.
BRINDLEMAP_FOLDING inline __m128i fold(__m128i x, __m128i k, __m128i next) noexcept {
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// The constants of a fold across 512 bits (64 bytes), and across 128.
#define BRINDLEMAP_K512 0x01c6e41596, 0x0154442bd4
#define BRINDLEMAP_K128 0x00ccaa009e, 0x01751997d0

// The folded 128 bits of the first `n` bytes, n a multiple of 16 and at least 64, the state
// added to the first; `at` and `n` move past them, all but the last 16 at most.
BRINDLEMAP_FOLDING __m128i fold_by_128(const std::uint8_t*& at, std::size_t& n,
                                       std::uint32_t state) noexcept {
    const __m128i k1k2 = _mm_set_epi64x(BRINDLEMAP_K512);
    const __m128i k3k4 = _mm_set_epi64x(BRINDLEMAP_K128);
    __m128i x1 = _mm_xor_si128(load(at), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = load(at + 16), x3 = load(at + 32), x4 = load(at + 48);
    at += 64;
    n -= 64;
    for (; n >= 64; n -= 64, at += 64) {
        x1 = fold(x1, k1k2, load(at));
        x2 = fold(x2, k1k2, load(at + 16));
        x3 = fold(x3, k1k2, load(at + 32));
        x4 = fold(x4, k1k2, load(at + 48));
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    return fold(x1, k3k4, x4);
}

#define BRINDLEMAP_WIDE_FOLDING __attribute__((target("avx512f,vpclmulqdq,pclmul,sse4.1")))

BRINDLEMAP_WIDE_FOLDING inline __m512i wide(const std::uint8_t* at) noexcept {
    return _mm512_loadu_si512(reinterpret_cast<const void*>(at));
}

// fold for four lanes of 128 bits at once.
BRINDLEMAP_WIDE_FOLDING inline __m512i fold4(__m512i x, __m512i k, __m512i next) noexcept {
    return _mm512_xor_si512(_mm512_xor_si512(_mm512_clmulepi64_epi128(x, k, 0x00),
                                             _mm512_clmulepi64_epi128(x, k, 0x11)),
                            next);
}

// fold_by_128 for n of at least 256, four zmm registers of four 128-bit lanes each.
BRINDLEMAP_WIDE_FOLDING __m128i fold_by_512(const std::uint8_t*& at, std::size_t& n,
                                            std::uint32_t state) noexcept {
    const __m512i k2048 = _mm512_set_epi64(0x01322d1430, 0x011542778a, 0x01322d1430,
                                           0x011542778a, 0x01322d1430, 0x011542778a,
                                           0x01322d1430, 0x011542778a);
    const __m512i k512 = _mm512_set_epi64(BRINDLEMAP_K512, BRINDLEMAP_K512, BRINDLEMAP_K512,
                                          BRINDLEMAP_K512);
    __m512i z0 = _mm512_xor_si512(wide(at), _mm512_zextsi128_si512(
                                                _mm_cvtsi32_si128(static_cast<int>(state))));
    __m512i z1 = wide(at + 64), z2 = wide(at + 128), z3 = wide(at + 192);
    at += 256;
    n -= 256;
    for (; n >= 256; n -= 256, at += 256) {
        z0 = fold4(z0, k2048, wide(at));
        z1 = fold4(z1, k2048, wide(at + 64));
        z2 = fold4(z2, k2048, wide(at + 128));
        z3 = fold4(z3, k2048, wide(at + 192));
    }
    z0 = fold4(z0, k512, z1);
    z0 = fold4(z0, k512, z2);
    z0 = fold4(z0, k512, z3);
    for (; n >= 64; n -= 64, at += 64) z0 = fold4(z0, k512, wide(at));
    // The four lanes, each carried on to the last: by 384, 256 and 128 bits.
    alignas(64) __m128i lanes[4];
    _mm512_store_si512(reinterpret_cast<void*>(lanes), z0);
    __m128i x = fold(lanes[0], _mm_set_epi64x(0x0174359406, 0x003db1ecdc), lanes[3]);
    x = fold(lanes[1], _mm_set_epi64x(0x015a546366, 0x00f1da05aa), x);
    return fold(lanes[2], _mm_set_epi64x(BRINDLEMAP_K128), x);
}

bool folds_wide() noexcept {
    static const bool can = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("vpclmulqdq") &&
                            __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}

// The register form over `n` bytes, n a multiple of 16 and at least 64.
BRINDLEMAP_FOLDING std::uint32_t by_folding(const std::uint8_t* at, std::size_t n,
                                            std::uint32_t state) noexcept {
    // The reduction of 96 to 64 bits, and Barrett's constants, P and x^64 / P.
    const __m128i k3k4 = _mm_set_epi64x(BRINDLEMAP_K128);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i x1 = n >= 256 && folds_wide() ? fold_by_512(at, n, state) : fold_by_128(at, n, state);
    for (; n >= 16; n -= 16, at += 16) x1 = fold(x1, k3k4, load(at));
    // 128 bits to 64, then Barrett's reduction to 32.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x10), _mm_srli_si128(x1, 8));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00),
                       _mm_srli_si128(x1, 4));
    __m128i x2b = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), barrett, 0x10);
    x2b = _mm_clmulepi64_si128(_mm_and_si128(x2b, low32), barrett, 0x00);
    x1 = _mm_xor_si128(x1, x2b);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool folds() noexcept {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}
#endif

// a times b modulo P, polynomials over GF(2) bit-reflected as the CRC keeps them (x^0 the top
// bit).
constexpr std::uint32_t times(std::uint32_t a, std::uint32_t b) noexcept {
    std::uint32_t product = 0;
    for (std::uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if ((a & bit) != 0) product ^= b;
        b = (b >> 1) ^ (kPolynomial & (0u - (b & 1u)));
    }
    return product;
}

// x^(2^k) mod P for each k that a length's bits ask for: appending n zero bytes multiplies a
// CRC's register by x^(8n), bit k of n by x^(2^(k+3)).
constexpr std::array<std::uint32_t, 67> make_powers() noexcept {
    std::array<std::uint32_t, 67> powers{};
    powers[0] = 1u << 30;  // x^1
    for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = times(powers[k - 1], powers[k - 1]);
    return powers;
}

constexpr auto kPowers = make_powers();

}  // namespace

std::uint32_t crc32_combine(std::uint32_t first, std::uint32_t second,
                            std::uint64_t second_length) noexcept {
    std::uint32_t shift = 1u << 31;  // x^0, times x^(8n) bit by bit of n
    for (std::size_t k = 3; second_length != 0; second_length >>= 1, ++k)
        if ((second_length & 1) != 0) shift = times(kPowers[k], shift);
    return times(shift, first) ^ second;
}

std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) noexcept {
    std::uint32_t state = ~crc;
    const std::uint8_t* at = bytes.data();
    std::size_t n = bytes.size();
#ifdef BRINDLEMAP_CRC_FOLDS
    if (n >= 64 && folds()) {
        const std::size_t blocks = n & ~std::size_t{15};
        state = by_folding(at, blocks, state);
        at += blocks;
        n -= blocks;
    }
#endif
    return ~by_tables(at, n, state);
}

}  // namespace brindlemap::serial
