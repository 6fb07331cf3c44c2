#pragma once

#include "sheets/TSpreadsheet.h"
#include "sheets/XlsFormulaCells.h"

namespace dokrava {

// An ".xls" workbook (Excel 97-2003). Read with libfreexl, formula results and truth values by
// XlsFormulaCells. Saved through the office suite's converter: the workbook is converted to
// ".xlsx" in a scratch folder, the cleared and written cells of its active sheet rewritten there,
// and the result converted back to ".xls" and moved over the file. Without a converter the save
// fails with a clear message and the file stays untouched.
class XlsWorkbook : public TSpreadsheet
{
public:
    // converter: the office suite's conversion; may be empty.
    explicit XlsWorkbook(TFileConverter converter = {});
    ~XlsWorkbook() override;

    void open(const QString &path) override;
    QStringList sheetNames() const override;
    void save() override;
    void close() override;

protected:
    void loadSheet(int index) override;

private:
    // Converts input into outDir; a failed, cut-short or overlong conversion throws a message that
    // names the workbook and says it stayed as it was.
    QString convertOrKeep(const QString &input, const QString &outDir, const QString &target) const;
    // Moves the saved book xls over the file, libfreexl reading what is there afterwards (the
    // saved book, or the old one when the move failed, which throws).
    void replaceFileWith(const QString &xls);

    TFileConverter m_converter;
    const void *m_handle = nullptr;
    QStringList m_names;
    QList<XlsFormulaCells::SheetValues> m_formulaCells; // what libfreexl leaves out, per sheet
};

} // namespace dokrava
