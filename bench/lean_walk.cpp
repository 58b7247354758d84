// A bench-only CPython extension: the leanest walk we could write over the same four trie
// arrays, the yardstick that brindlemap's fuzzy_match is measured against.
//
// Depth-indexed rows in one reused buffer, a recursive pre-order walk, no per-node state and
// no allocation per node; the same child order as brindlemap (the child carrying the query's
// next character first, then stored order) and the same results as tuples.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kNoPayload = 0xFFFFFFFFu;  // the bench's payloads are line numbers

struct LeanTrie {
    std::vector<std::uint32_t> shifts, chars, payloads, children;
    std::uint32_t max_depth = 0;
};

struct Query {
    const LeanTrie* trie;
    std::vector<std::uint32_t> q;
    std::uint32_t width, max_dist;
    Py_ssize_t limit;  // -1: none
    std::vector<std::uint32_t> rows;
    std::vector<Py_UCS4> path;
    PyObject* out;  // list, or null when only counting
    std::uint64_t visits = 0;
    bool failed = false;

    bool full() const { return limit >= 0 && out && PyList_GET_SIZE(out) >= limit; }

    // Visits `node` at `depth` (> 0): its row from the parent's, acceptance, then its children.
    void visit(std::uint32_t node, std::uint32_t depth) {
        ++visits;
        const std::uint32_t c = trie->chars[node];
        path[depth - 1] = c;
        const std::uint32_t* up = &rows[(depth - 1) * width];
        std::uint32_t* row = &rows[depth * width];
        std::uint32_t left = up[0] + 1, least = left;
        row[0] = left;
        for (std::uint32_t i = 1; i < width; ++i) {
            left = std::min(std::min(up[i], left) + 1, up[i - 1] + (q[i - 1] != c));
            row[i] = left;
            least = std::min(least, left);
        }
        const std::uint32_t d = row[width - 1];
        if (out && d <= max_dist && trie->payloads[node] != kNoPayload && !full()) {
            PyObject* t = Py_BuildValue(
                "(NkI)", PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, path.data(), depth),
                static_cast<unsigned long>(trie->payloads[node]), d);
            if (!t || PyList_Append(out, t) < 0) failed = true;
            Py_XDECREF(t);
        }
        if (least <= max_dist && !full()) children(node, depth);
    }

    void children(std::uint32_t node, std::uint32_t depth) {
        const std::uint32_t s = trie->shifts[node];
        const std::uint32_t e = node + 1 < trie->shifts.size()
                                    ? trie->shifts[node + 1]
                                    : static_cast<std::uint32_t>(trie->children.size());
        std::uint32_t first = e;
        if (depth < q.size())
            for (std::uint32_t p = s; p < e; ++p)
                if (trie->chars[trie->children[p]] == q[depth]) first = p;
        if (first != e) visit(trie->children[first], depth + 1);
        for (std::uint32_t p = s; p < e && !failed; ++p)
            if (p != first) visit(trie->children[p], depth + 1);
    }
};

void free_trie(PyObject* capsule) {
    delete static_cast<LeanTrie*>(PyCapsule_GetPointer(capsule, "lean_trie"));
}

bool u32_list(PyObject* list, std::vector<std::uint32_t>& out, bool none_ok) {
    if (!PyList_Check(list)) {
        PyErr_SetString(PyExc_TypeError, "lists expected");
        return false;
    }
    out.resize(PyList_GET_SIZE(list));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(list); ++i) {
        PyObject* item = PyList_GET_ITEM(list, i);
        if (none_ok && item == Py_None) {
            out[i] = kNoPayload;
            continue;
        }
        out[i] = static_cast<std::uint32_t>(PyLong_AsUnsignedLong(item));
    }
    return !PyErr_Occurred();
}

// load(shifts, strings, payloads, children) -> capsule
PyObject* load(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 4) return PyErr_Format(PyExc_TypeError, "load takes 4 lists");
    auto* t = new LeanTrie;
    std::vector<std::uint32_t> depth;
    if (!u32_list(args[0], t->shifts, false) || !u32_list(args[2], t->payloads, true) ||
        !u32_list(args[3], t->children, false) || !PyList_Check(args[1])) {
        delete t;
        return nullptr;
    }
    t->chars.resize(PyList_GET_SIZE(args[1]));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(args[1]); ++i) {
        PyObject* s = PyList_GET_ITEM(args[1], i);
        t->chars[i] = PyUnicode_GET_LENGTH(s) ? PyUnicode_READ_CHAR(s, 0) : kNoPayload;
    }
    depth.assign(t->shifts.size(), 0);  // level-by-level numbering: parents come first
    for (std::size_t n = 0; n < t->shifts.size(); ++n) {
        const std::size_t e = n + 1 < t->shifts.size() ? t->shifts[n + 1] : t->children.size();
        for (std::size_t p = t->shifts[n]; p < e; ++p) depth[t->children[p]] = depth[n] + 1;
        t->max_depth = std::max(t->max_depth, depth[n]);
    }
    return PyCapsule_New(t, "lean_trie", free_trie);
}

bool prepare(Query& query, PyObject* capsule, PyObject* text, PyObject* max_dist) {
    query.trie = static_cast<const LeanTrie*>(PyCapsule_GetPointer(capsule, "lean_trie"));
    if (!query.trie || !PyUnicode_Check(text)) return false;
    const Py_ssize_t n = PyUnicode_GET_LENGTH(text);
    query.q.resize(n);
    for (Py_ssize_t i = 0; i < n; ++i) query.q[i] = PyUnicode_READ_CHAR(text, i);
    query.width = static_cast<std::uint32_t>(n + 1);
    query.max_dist = static_cast<std::uint32_t>(PyLong_AsUnsignedLong(max_dist));
    if (PyErr_Occurred()) return false;
    const std::uint32_t depths =
        std::min<std::uint32_t>(query.trie->max_depth,
                                static_cast<std::uint32_t>(n) + query.max_dist + 1) +
        1;
    query.rows.assign(static_cast<std::size_t>(depths) * query.width, 0);
    query.path.assign(depths, 0);
    for (std::uint32_t i = 0; i < query.width; ++i) query.rows[i] = i;
    return true;
}

// fuzzy(trie, query, max_dist, limit) -> [(text, payload, distance), ...]
PyObject* fuzzy(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 4) return PyErr_Format(PyExc_TypeError, "fuzzy takes 4 arguments");
    Query query;
    if (!prepare(query, args[0], args[1], args[2])) return nullptr;
    query.limit = args[3] == Py_None ? -1 : PyLong_AsSsize_t(args[3]);
    query.out = PyList_New(0);
    if (!query.out) return nullptr;
    query.visits = 1;
    if (!query.full()) query.children(0, 0);
    if (query.failed) {
        Py_DECREF(query.out);
        return nullptr;
    }
    return query.out;
}

// visits(trie, query, max_dist) -> the number of nodes whose row the walk computes, root included
PyObject* visits(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 3) return PyErr_Format(PyExc_TypeError, "visits takes 3 arguments");
    Query query;
    if (!prepare(query, args[0], args[1], args[2])) return nullptr;
    query.limit = -1;
    query.out = nullptr;
    query.visits = 1;
    query.children(0, 0);
    return PyLong_FromUnsignedLongLong(query.visits);
}

PyMethodDef methods[] = {
    {"load", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(load)), METH_FASTCALL,
     nullptr},
    {"fuzzy", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fuzzy)), METH_FASTCALL,
     nullptr},
    {"visits", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(visits)), METH_FASTCALL,
     nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module = {
    PyModuleDef_HEAD_INIT, "_lean_walk", nullptr, -1, methods, nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__lean_walk() {
    return PyModule_Create(&module);
}
