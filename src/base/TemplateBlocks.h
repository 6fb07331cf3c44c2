#pragma once

#include "base/BlockDialect.h"
#include "base/LanguageRecords.h"
#include "base/TemplateLanguage.h"
#include "base/TemplateLanguageError.h"
#include "base/TemplateLanguageFailure.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace dokrava {

class XmlNode;

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
