#include "base/TextGrid.h"

#include <algorithm>

TTextGrid::TTextGrid(QList<QStringList> rows) : m_rows(std::move(rows))
{
    for (const QStringList &r : m_rows)
        m_colCount = std::max(m_colCount, int(r.size()));
    for (QStringList &r : m_rows)
        while (r.size() < m_colCount)
            r.append(QString());
}

TTextGrid::TTextGrid(int cols, int rows)
    : m_rows(std::max(rows, 0), QStringList(std::max(cols, 0), QString())), m_colCount(std::max(cols, 0))
{
}

TTextGrid TTextGrid::fromTable(const QStringList &headers, const QList<QStringList> &records)
{
    const int cols = std::max(2, int(headers.size()) + 1);
    QList<QStringList> rows(std::max(2, int(records.size()) + 1), QStringList(cols, QString()));
    for (int k = 0; k < headers.size(); ++k)
        rows[0][k + 1] = headers[k];
    for (int j = 0; j < records.size(); ++j)
        for (int k = 0; k < headers.size() && k < records[j].size(); ++k)
            rows[j + 1][k + 1] = records[j][k];
    return TTextGrid(std::move(rows));
}

QString TTextGrid::cell(int col, int row) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_colCount)
        return QString();
    return m_rows[row][col];
}

void TTextGrid::setCell(int col, int row, const QString &text)
{
    if (row >= 0 && row < rowCount() && col >= 0 && col < m_colCount)
        m_rows[row][col] = text;
}

QStringList TTextGrid::record(int row) const
{
    if (row < 0 || row >= rowCount())
        return QStringList();
    return m_rows[row].mid(1);
}
