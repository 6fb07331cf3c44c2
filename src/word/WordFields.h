#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace dokrava {

// What one Word document is filled with.
struct TWordFields
{
    QStringList headers;   // header texts of the grid columns 1.., empty ones included
    QStringList record;    // the record's cells of the same columns
    // The personal fields (name, value) of "replace.ini"; present only when that file exists,
    // which also allows the data fields in headers and footers.
    std::optional<QList<std::pair<QString, QString>>> personal;
    bool Colontit = false; // also fill the data fields in headers and footers
    // The records of the document's group, the first one's cells being record; empty for one
    // record. Only a template with lines ("[*Поле]") takes more than one (see WordLanguage.h).
    QList<QStringList> group;
};

} // namespace dokrava
