#pragma once

#include "base/TextRow.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace dokrava {

// Assembles rows cell by cell in buffers that are reused from row to row, so that a reader
// making a million rows allocates each row once and nothing per cell.
class TTextRowBuilder
{
public:
    // Appends one cell to the row being built.
    void append(QStringView text);
    // Number of cells appended since the last take().
    int size() const { return int(m_ends.size()); }
    // The row built so far, exactly as large as it needs to be; the builder starts a new row.
    TTextRow take();

private:
    QString m_text;
    QList<quint32> m_ends;
};

} // namespace dokrava
