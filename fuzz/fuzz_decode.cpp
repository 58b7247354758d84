// libFuzzer target: any byte string decodes to a trie that survives a round trip through the
// writer, or ends in one of the documented decode failures.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "failure_forms.h"
#include "prefix/failure.h"
#include "serial/decode.h"
#include "serial/encode.h"

using namespace brindlemap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<Trie> trie;
    try {
        trie = serial::decode_trie({data, size});
    } catch (const InternalFailure& failure) {
        if (!fuzz::is_decode_failure(failure.message()))
            fuzz::finding("undocumented decode failure", failure.message());
        return 0;
    } catch (const std::exception& error) {
        fuzz::finding("decoding threw something other than an internal failure", error.what());
    }

    std::vector<std::uint8_t> written(serial::encoded_size(*trie));
    serial::encode_trie(*trie, written);
    // The writer takes the shortest form of everything and the reader ignores what follows the
    // fourth block, so writing never needs more bytes than reading consumed.
    if (written.size() > size)
        fuzz::finding("the trie's bytes are longer than the input it was read from",
                      std::to_string(written.size()) + " > " + std::to_string(size));
    try {
        if (!(serial::decode_trie(written) == *trie))
            fuzz::finding("a written trie reads back as another trie");
    } catch (const InternalFailure& failure) {
        fuzz::finding("a written trie does not read back", failure.message());
    }
    return 0;
}
