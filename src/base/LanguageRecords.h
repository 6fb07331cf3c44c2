#pragma once

#include <QList>
#include <QStringList>

namespace dokrava {

// The records one document is made of and the fields they hold.
struct TLanguageRecords
{
    QStringList fields;         // names of the values of a record: the columns, then personal fields
    int columns = 0;            // how many of fields are columns (only they make lines)
    QList<QStringList> records; // the group's records in order, values in the order of fields; one at least
};

} // namespace dokrava
