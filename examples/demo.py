"""Builds the trie of the words car, cat and dog from its arrays and walks it."""

from brindlemap import from_internal_data

# Nodes numbered level by level: root, c, d, ca, do, car, cat, dog.
trie = from_internal_data(
    [0, 2, 3, 4, 6, 7, 7, 7],
    ["", "c", "d", "a", "o", "r", "t", "g"],
    [None, None, None, None, None, 10, 11, 12],
    [1, 2, 3, 4, 5, 6, 7],
)


def show(node, text):
    print(f"node {node} {text or '(root)'!r}: payload {trie.get_payload(node)}")
    for character, child in trie.get_children(node):
        show(child, text + character)


show(0, "")
