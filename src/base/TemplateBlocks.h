#pragma once

#include "base/DokravaError.h"
#include "base/TemplateLanguage.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace dokrava {

class XmlNode;

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

// A template error of the language: the message and the paragraph it was found in.
struct TTemplateLanguageError
{
    QString message;   // "не закрыт блок [если Телефон]"
    QString paragraph; // the paragraph's text
};

// The error a template of the language throws when filled: its message names the error alone
// ("не закрыт блок [если Телефон]"), for the caller to name the template.
class TemplateLanguageFailure : public DokravaError
{
public:
    using DokravaError::DokravaError;
};

// The records one document is made of and the fields they hold.
struct TLanguageRecords
{
    QStringList fields;         // names of the values of a record: the columns, then personal fields
    int columns = 0;            // how many of fields are columns (only they make lines)
    QList<QStringList> records; // the group's records in order, values in the order of fields; one at least
};

// The template language over one part of a document held as a tree: blocks "[если …]…[иначе]…
// [/если]" decided and removed without a trace, paragraphs and table rows holding "[*Поле]"
// repeated once per record of the group, totals "[Поле:итого]" summed. What it leaves are
// placeholders the format's own filler fills: the plain fields from the first record, and the
// pairs expand() gives (line fields under names no column can have, totals).
class TemplateBlocks
{
public:
    TemplateBlocks(const TBlockDialect &dialect, const QStringList &fields, int columns);

    // True when the part holds a word of the language that is no field's name.
    bool uses(XmlNode *root) const;

    // The first template error of the part; linesAllowed is false for headers and footers.
    std::optional<TTemplateLanguageError> firstError(XmlNode *root, bool linesAllowed) const;

    // Expands the part for the records; a template error throws TemplateLanguageFailure.
    // Pairs (placeholder name, value) of line fields are appended to extra, each name once.
    void expand(XmlNode *root, bool linesAllowed, const TLanguageRecords &records,
                QList<QPair<QString, QString>> &extra) const;

    // What grouping needs of a part: the columns its documents agree on (plain fields and
    // conditions outside lines; fields used only in totals aside) and whether it has lines.
    struct Use
    {
        QStringList groupFields;
        bool lines = false;
        // Conditions that compare numbers ("[если Сумма > 0]"), each once, by their marker's text.
        QList<QPair<QString, TLanguageToken>> numericConditions;
    };
    Use use(XmlNode *root) const;

    // The columns plain placeholder names stand for (a total's field aside), added to fields once.
    void addGroupFields(const QStringList &plainNames, QStringList &fields) const;

    // Appends to extra the totals "[Поле:итого]" (formats after it kept) of the placeholder names
    // a document holds, summed over the records: the pair's name is what the filler reads as a
    // field, its value the sum written as the format "сумма" writes it.
    void addTotals(const QStringList &names, const TLanguageRecords &records, QList<QPair<QString, QString>> &extra) const;

private:
    bool isField(const QString &name) const;
    // The value of a line field ("Цена:сумма", "№") for the record at index k.
    std::optional<QString> lineValue(const QString &field, const TLanguageRecords &records, int k) const;
    void expandLine(XmlNode *copy, const TLanguageRecords &records, int k, QList<QPair<QString, QString>> &extra) const;

    const TBlockDialect &m_dialect;
    QStringList m_fields;
    int m_columns;
};

} // namespace dokrava
