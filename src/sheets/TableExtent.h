#pragma once

namespace dokrava {

// The part of a sheet a load read, or that a save must rewrite: rows 1..rows and columns
// 1..cols (0 when none).
struct TableExtent
{
    int rows = 0;
    int cols = 0;
};

} // namespace dokrava
