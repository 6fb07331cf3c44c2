#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace dokrava {

// The cell values of an ".xls" workbook that libfreexl does not report: the stored results of
// formula cells and the truth values and error codes of BOOLERR cells. Reads the compound file
// and its BIFF8 "Workbook" stream itself. Damaged or unexpected input yields fewer values, never
// a crash or an error.
class XlsFormulaCells
{
public:
    // Per worksheet, in workbook order: cell key (row << 32 | column, both from 1) -> text.
    using SheetValues = QHash<quint64, QString>;

    // Reads the values from the bytes of an ".xls" file.
    static QList<SheetValues> read(const QByteArray &file);

    // The "Workbook" (or "Book") stream of a compound file; empty when there is none.
    static QByteArray workbookStream(const QByteArray &file);
};

} // namespace dokrava
