#pragma once

namespace kx {

// The marker a column title shows: none, a down arrow (largest first) or an
// up arrow (smallest first).
enum class SortMarker { None, Down, Up };

}  // namespace kx
