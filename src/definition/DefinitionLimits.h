// How much one definition may ask of a search. Every found font is tried for every target and
// set, and the real definitions hold a few targets and sets each; these bounds leave them
// ample room while a crafted one can no longer make the search list a font a million times.
#pragma once

#include <cstddef>

namespace fu {

inline constexpr size_t kMaxDefinitionTargets = 1000;
inline constexpr size_t kMaxDefinitionSets = 100;

} // namespace fu
