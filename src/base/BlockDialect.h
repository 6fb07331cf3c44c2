#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace dokrava {

// How one document format writes what the template language works on: paragraphs, tables and
// their rows and cells, lists, and the text of a paragraph.
struct TBlockDialect
{
    QStringList paragraphs; // elements that are paragraphs ("text:p", "text:h"; "w:p")
    QString table;          // "table:table"; "w:tbl"
    QStringList rows;       // "table:table-row"; "w:tr"
    QStringList cells;      // "table:table-cell", "table:covered-table-cell"; "w:tc"
    QString listItem;       // "text:list-item"; empty where list items are paragraphs
    QString list;           // "text:list"
    QStringList frames;     // elements whose paragraphs stand apart from the text around them (text boxes)
    QString textHolder;     // the element whose text nodes are text ("w:t"); empty: every text node
    QStringList stops;      // elements that stand in the text as a character no name holds (tabs, breaks)
    QStringList objects;    // elements that are content by themselves (pictures, frames)
    QStringList skipped;    // elements whose text is not the paragraph's (field codes, deleted text)
    Qt::CaseSensitivity fieldCase = Qt::CaseSensitive; // how a bracket text is matched to a field name
    // Attributes that must be unique in a document: copies of a line take new values.
    struct UniqueId
    {
        QString element;   // empty: any element
        QString attribute;
        enum Kind { Name, Number, Hex } kind = Name;
        QString family;    // numbers of one family are counted together (a bookmark's start and end)
    };
    QList<UniqueId> uniqueIds;
    bool trimsNames = false; // the filler reads "[ Поле ]" as "[Поле]"
};

} // namespace dokrava
