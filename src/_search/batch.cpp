// The batch call: queries converted under the lock, walked without it, answered with it.
#include "_search/batch.h"

#include <atomic>
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

// How often the calling thread takes the lock back to make the answers of the walks finished
// so far and to run signal handlers: Ctrl-C stops a batch within about this long plus one
// poll of each walk.
constexpr std::chrono::milliseconds kWatchPeriod{2};

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
    const std::size_t count = queries.size();
    std::vector<std::vector<MatchRecord>> results(count);
    // Whether results[i] is written: its answer may then be made while other walks go on.
    std::vector<std::atomic<bool>> done(count);
    const auto work = [&](std::size_t i, WalkInterrupt& interrupt) {
        results[i] = k ? k_best(walked, queries[i], max_dist, metric, *k, rank, interrupt)
                       : fuzzy_walk(walked, queries[i], max_dist, metric, limit, interrupt);
        done[i].store(true, std::memory_order_release);
    };
    PyRef answers = result_object(PyList_New(static_cast<Py_ssize_t>(count)));
    WalkInterrupt interrupt = signal_interrupt();
    // With the lock held: the answers of the walks finished, in order, up to the first that
    // is not. Made while the others walk, they add little to the batch's time.
    std::size_t made = 0;
    const auto make_answers = [&] {
        for (; made < count && done[made].load(std::memory_order_acquire); ++made)
            PyList_SET_ITEM(answers.get(), static_cast<Py_ssize_t>(made),
                            match_list(walked, std::move(results[made]), interrupt).release());
    };
    bool completed = false;
    try {
        completed = without_gil([&](ReleasedGil& released) {
            return run_on_threads(
                count, workers, work,
                [&] {
                    return released.with_gil([&] {
                        make_answers();
                        return PyErr_CheckSignals() == 0;
                    });
                },
                kWatchPeriod);
        });
    } catch (const std::system_error& error) {
        throw_error(PyExc_RuntimeError, std::string("search_many: ") + error.what());
    }
    if (!completed) throw_pending();  // what the signal handler raised
    make_answers();
    return answers;
}

}  // namespace brindlemap
