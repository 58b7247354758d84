"""brindlemap: approximate word lookup over an immutable character trie."""

from brindlemap._brindlemap import PrefixSearch, from_bytes, from_internal_data

__all__ = ["PrefixSearch", "from_bytes", "from_internal_data"]
