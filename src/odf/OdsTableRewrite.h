#pragma once

#include <QString>

namespace dokrava {

class TTextGrid;

// One text cell of a spreadsheet table: the text escaped, characters XML forbids dropped, a
// carriage return kept as a character reference.
QString OdsTextCell(const QString &text);

// Replaces the rows of the first table of a spreadsheet's "content.xml" by the grid: its header
// row and records, fields in the grid's column order, every value a text cell; the marker column
// is not written. Everything else stays byte for byte: the table's start tag and column
// definitions, the other tables, styles. The columns the table reader leaves out keep their
// place and their cells in every row: those without a field name up to the last named one, and
// those beyond it that hold a value. The grid's fields fill the named columns from the left, then
// free columns to the right. Rows beyond the grid are kept only where such columns hold a value.
// Throws DokravaError when the text is not well-formed or holds no table.
QString RewriteFirstTable(const QString &contentXml, const TTextGrid &grid);

} // namespace dokrava
