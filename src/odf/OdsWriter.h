#pragma once

#include <QString>

namespace dokrava {

class TTextGrid;

// Writes the grid to an ".ods" data file. A new file, or one in the layout this writer makes
// ("mimetype" stored and first, "content.xml", "META-INF/manifest.xml"), gets that layout: one
// sheet "Sheet1", every cell a text cell, row 0 and column 0 included. Any other spreadsheet
// keeps every entry, sheet, style and column width: only the rows of its first table are
// replaced (RewriteFirstTable). The target is replaced only once the new file is complete; a
// file that is no spreadsheet package is left alone. Returns true; failures throw DokravaError.
bool SaveGridToODS(const TTextGrid &Grid, const QString &TargetFile);

} // namespace dokrava
