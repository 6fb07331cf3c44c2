#pragma once

#include <QStringList>

class QListWidget;
class QListWidgetItem;

// The marks of the field list on the tab "Поля замен": a field that no column of the table fills
// is shown in red, with the column it probably means as its tooltip.

// Notes that the field of item was found in an ".odt" template, whose fields only a column of
// exactly that name fills (Word fields ignore letter case).
void SetFieldFromOdt(QListWidgetItem *item, bool odt = true);
// True when SetFieldFromOdt marked the item.
bool FieldFromOdt(const QListWidgetItem *item);

// Colours every entry of list by the header texts of the table's columns 1.. .
void MarkMissingFields(QListWidget *list, const QStringList &headers);
