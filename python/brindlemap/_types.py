"""The shapes and bounds that the package's modules share."""

# (word, payload, distance): one answer of a query. The payload is the stored word's integer.
Match = tuple[str, int, int]

# Payloads, like node identifiers, are unsigned 32-bit integers.
MAX_PAYLOAD = 2**32 - 1

# The widest distance bound a walk takes: no word lies beyond it.
MAX_DISTANCE = 2**64 - 1
