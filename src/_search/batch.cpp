// The batch call: queries converted under the lock, walked without it, answered with it.
#include "_search/batch.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "boundary/error.h"
#include "boundary/released_gil.h"
#include "boundary/signals.h"
#include "_brindlemap/results.h"
#include "prefix/matcher/best_walk.h"
#include "prefix/matcher/fast_walk.h"
#include "prefix/matcher/parallel_run.h"
#include "prefix/matcher/split_walk.h"
#include "prefix/utf8.h"

namespace brindlemap {
namespace {

// More threads than this only add contention: a larger request is taken as this many.
constexpr std::uint64_t kMostThreads = 256;

// How often the calling thread takes the lock back to run signal handlers: Ctrl-C stops a
// batch within about this long plus one poll of each walk.
constexpr std::chrono::milliseconds kSignalPeriod{20};

constexpr Metric kSearchMetric = metric_named(search_signatures::search.default_of("metric").text);
constexpr Metric kSuggestMetric =
    metric_named(search_signatures::suggest.default_of("metric").text);

}  // namespace

AsQueryList::Value AsQueryList::convert(PyObject* object) {
    if (PyUnicode_Check(object))
        throw_error(PyExc_TypeError,
                    "a str is one query, not a sequence of them: pass [word] for one query");
    // Any other iterable is read once into a list, as a generator can only be.
    PyRef list = PyList_CheckExact(object) || PyTuple_CheckExact(object)
                     ? PyRef::borrow(object)
                     : owned(PySequence_List(object));
    Value queries;
    extract_sequence(
        list.get(), [&](std::size_t hint) { reserve_hint(queries, hint); },
        [&](PyObject* item) { queries.push_back(utf8::decode_all(text_view(item))); });
    return queries;
}

PyRef search_many(const BorrowedTrie& trie, const std::vector<std::vector<char32_t>>& queries,
                  std::uint64_t max_dist, std::optional<Metric> chosen,
                  std::optional<std::uint64_t> limit, std::optional<std::uint64_t> k, Rank rank,
                  std::optional<std::uint64_t> threads) {
    if (limit && k)
        throw_error(PyExc_ValueError,
                    "limit and k exclude each other: limit cuts a search in "
                    "walk order, k asks for the k best");
    if (threads && *threads == 0) throw_error(PyExc_ValueError, "threads must be at least 1");
    // Unless chosen, each query's metric is that of the call it stands for.
    const Metric metric = chosen.value_or(k ? kSuggestMetric : kSearchMetric);
    const Trie& walked = trie.trie();
    const std::size_t workers = static_cast<std::size_t>(std::min<std::uint64_t>(
        threads ? *threads : std::max(1u, std::thread::hardware_concurrency()), kMostThreads));
    std::vector<std::vector<MatchRecord>> results(queries.size());
    const auto work = [&](std::size_t i, WalkInterrupt& interrupt) {
        results[i] = k ? k_best(walked, queries[i], max_dist, metric, *k, rank, interrupt)
                       : fuzzy_walk(walked, queries[i], max_dist, metric, limit, interrupt);
    };
    bool completed = false;
    try {
        completed = without_gil([&](ReleasedGil& released) {
            return run_on_threads(
                queries.size(), workers, work,
                [&] { return released.with_gil([] { return PyErr_CheckSignals() == 0; }); },
                kSignalPeriod);
        });
    } catch (const std::system_error& error) {
        throw_error(PyExc_RuntimeError, std::string("search_many: ") + error.what());
    }
    if (!completed) throw_pending();  // what the signal handler raised
    WalkInterrupt interrupt = signal_interrupt();
    return py_list(queries.size(), [&](std::size_t i) {
        return match_list(walked, std::move(results[i]), interrupt);
    });
}

}  // namespace brindlemap
