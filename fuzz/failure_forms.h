// The internal-failure messages a fuzz target may end in, and the abort that reports a finding.
#pragma once

#include <string_view>

namespace brindlemap::fuzz {

// A decode failure of a serialized trie, in one of its documented forms.
bool is_decode_failure(std::string_view message);

// A failed index or presence check, or the walk's refusal of child links that are no tree.
bool is_walk_failure(std::string_view message);

// Prints what went wrong and aborts, so that libFuzzer keeps the input as a crash.
[[noreturn]] void finding(std::string_view what, std::string_view detail = {});

}  // namespace brindlemap::fuzz
