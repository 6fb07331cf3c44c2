#pragma once

#include <QStringList>

class QListWidget;
class QListWidgetItem;

// The marks of the field list on the tab "Поля замен": a field that no column of the table fills
// is shown in red, with the column it probably means as its tooltip. A Word template's field is
// filled by a column of its name in any letter case; an ".odt" template's only by a column of
// exactly its name, so the list remembers the forms met in ".odt" templates.

// Notes that form was met in an ".odt" template for the field of item.
void AddOdtFieldForm(QListWidgetItem *item, const QString &form);
// The forms noted for item.
QStringList OdtFieldForms(const QListWidgetItem *item);

// Colours every entry of list by the header texts of the table's columns 1.. ; an entry in red
// shows the spelling that no column fills (an ".odt" spelling when the entry's own has a column).
void MarkMissingFields(QListWidget *list, const QStringList &headers);
