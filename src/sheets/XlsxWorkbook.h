#pragma once

#include "sheets/TSpreadsheet.h"

#include <QList>

namespace dokrava {

class ZipReader;

// An ".xlsx" workbook read and written by our own code over the ZIP layer: shared and inline
// strings, number formats (dates told from numbers), cached formula values. Saving rewrites only
// the cleared and written cells of the active sheet (every written cell an inline text cell with
// the text number format "@", XlsxSheetCells::rewrite) and keeps every other cell and part of the
// package; the calculation chain, which would go stale, is dropped and the workbook asks for a
// full recalculation when it is next opened.
class XlsxWorkbook : public TSpreadsheet
{
public:
    void open(const QString &path) override;
    QStringList sheetNames() const override;
    void save() override;
    void close() override;

    // Resolves the "_xHHHH_" escapes by which workbooks store characters XML cannot hold.
    static QString decodeEscapes(const QString &text);
    // Escapes control characters (and a literal "_xHHHH_") the same way for writing.
    static QString encodeEscapes(const QString &text);
    // Column letters for a column counted from 1: 1 -> "A", 27 -> "AA".
    static QString columnName(int col);
    // Kind of a number format code: 0 number, 1 date (or date and time), 2 time of day only.
    static int formatKind(int numFmtId, const QString &code);

protected:
    void loadSheet(int index) override;

private:
    struct Sheet
    {
        QString name;
        QString part;       // package path of the sheet part, "" when missing
        bool worksheet = true;
    };
    struct Parts;

    void readPackage(ZipReader &zip, Parts &parts) const;
    void readSharedStrings(ZipReader &zip, const QString &part);
    void readStyles(ZipReader &zip, const QString &part);
    QString valueText(const QString &type, int style, const QString &v, bool hasV,
                      const QString &inlineText, bool hasInline) const;
    QByteArray newSheetPart(ZipReader &zip, int textStyle, QStringList &tableRelIds) const;

    QList<Sheet> m_sheets;
    QStringList m_shared;
    QList<int> m_xfKind; // per cell style: formatKind()
    bool m_date1904 = false;
};

} // namespace dokrava
