// The PrefixSearch class: its instance record, its type object, the one way instances are made
// and the shared borrow every method takes for the length of a call.
#pragma once

#include <Python.h>

#include <atomic>
#include <cstdint>
#include <utility>

#include "boundary/py_ref.h"
#include "prefix/trie/trie.h"

namespace brindlemap {

struct PrefixSearchObject {
    PyObject_HEAD Trie trie;
    // The calls in progress on the instance, each holding a shared borrow. No call borrows
    // exclusively: the trie is never changed.
    std::atomic<std::int64_t> borrow_flag;
};

// Created on first need and kept for the life of the process. A failure to create it is the
// RuntimeError "An error occurred while initializing class PrefixSearch".
PyTypeObject* prefix_search_type();

// A new instance owning `trie`.
PyRef make_prefix_search(Trie&& trie);

// A method's receiver, or a function's trie argument, checked to be a PrefixSearch and
// borrowed, with a reference held, until the end of the call, on every path.
class BorrowedTrie {
  public:
    explicit BorrowedTrie(PyObject* self);
    ~BorrowedTrie();
    BorrowedTrie(BorrowedTrie&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    BorrowedTrie(const BorrowedTrie&) = delete;
    BorrowedTrie& operator=(const BorrowedTrie&) = delete;
    BorrowedTrie& operator=(BorrowedTrie&&) = delete;

    const Trie& trie() const noexcept { return object_->trie; }

  private:
    PrefixSearchObject* object_;
};

}  // namespace brindlemap
