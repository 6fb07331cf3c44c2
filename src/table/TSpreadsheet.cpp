#include "table/TSpreadsheet.h"

#include "shell/DokravaError.h"
#include "table/CsvWorkbook.h"
#include "table/XlsWorkbook.h"
#include "table/XlsxWorkbook.h"

#include <QFileInfo>

TSpreadsheet::~TSpreadsheet() = default;

void TSpreadsheet::setActiveSheet(int index)
{
    const QStringList names = sheetNames();
    if (index < 0 || index >= names.size())
        throw DokravaError(QStringLiteral("В книге \"%1\" нет листа с номером %2")
                               .arg(QFileInfo(m_path).fileName())
                               .arg(index + 1));
    if (m_loaded && index == m_active)
        return; // already active: its cells, edits included, stay as they are
    m_cells.clear();
    m_modified = false;
    m_loaded = false;
    m_active = index;
    loadSheet(index);
    m_loaded = true;
}

bool TSpreadsheet::hasValue(int row, int col) const
{
    return m_cells.contains(key(row, col));
}

QString TSpreadsheet::cellText(int row, int col) const
{
    return m_cells.value(key(row, col));
}

void TSpreadsheet::clearActiveSheet()
{
    m_cells.clear();
    m_modified = true;
}

void TSpreadsheet::setCellText(int row, int col, const QString &text)
{
    if (row < 1 || col < 1)
        return;
    m_cells.insert(key(row, col), text);
    m_modified = true;
}

void TSpreadsheet::close()
{
    m_cells.clear();
    m_modified = false;
    m_loaded = false;
    m_active = 0;
    m_path.clear();
}

std::unique_ptr<TSpreadsheet> CreateSpreadsheet(const QString &path, const QString &converterPath)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xlsx"))
        return std::make_unique<XlsxWorkbook>();
    if (ext == QLatin1String("xls"))
        return std::make_unique<XlsWorkbook>(converterPath);
    if (ext == QLatin1String("csv"))
        return std::make_unique<CsvWorkbook>();
    throw DokravaError(QStringLiteral("Формат файла \"%1\" не поддерживается. Поддерживаются таблицы "
                                      ".xls, .xlsx, .ods и .csv")
                           .arg(QFileInfo(path).fileName()));
}

std::unique_ptr<TSpreadsheet> OpenSpreadsheet(const QString &path, const QString &converterPath)
{
    std::unique_ptr<TSpreadsheet> book = CreateSpreadsheet(path, converterPath);
    book->open(path);
    return book;
}
