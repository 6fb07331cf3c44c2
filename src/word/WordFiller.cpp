#include "word/WordFiller.h"

#include "word/DocxDocument.h"
#include "word/WordLanguage.h"

#include "base/FieldFormat.h"

#include <QFile>
#include <QSet>

namespace dokrava {

namespace {

QString placeholder(const QString &name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

// The steps of one field: its placeholder, then each formatted use of it the template makes.
void addFieldSteps(QList<TWordStep> &steps, const QString &field, const QString &value,
                   const QList<TWordFormattedUse> &formatted)
{
    steps.append({placeholder(field), value});
    for (const TWordFormattedUse &use : formatted) {
        if (use.field.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        if (const std::optional<QString> text = ApplyFieldFormats(use.formats, value))
            steps.append({placeholder(use.name), *text});
    }
}

} // namespace

QList<TWordFormattedUse> WordFormattedUses(const TWordFields &fields, const QStringList &bracketedNames)
{
    QSet<QString> whole; // names that are fields as they stand, letter case folded
    for (const QString &h : fields.headers)
        whole.insert(h.toCaseFolded());
    if (fields.personal)
        for (const auto &[name, value] : *fields.personal)
            whole.insert(name.toCaseFolded());
    QList<TWordFormattedUse> formatted;
    for (const QString &name : bracketedNames) {
        if (whole.contains(name.toCaseFolded()))
            continue;
        // The first reading whose field exists is meant: "ФИО:родительный" as a column wins over
        // "ФИО" in the format "родительный".
        for (const FieldFormatReading &reading : FieldFormatReadings(name)) {
            if (whole.contains(reading.field.toCaseFolded())) {
                formatted.append({name, reading.field, reading.formats});
                break;
            }
        }
    }
    return formatted;
}

TWordSteps WordFillSteps(const TWordFields &fields, const QStringList &bracketedNames)
{
    return WordFillSteps(fields, WordFormattedUses(fields, bracketedNames));
}

TWordSteps WordFillSteps(const TWordFields &fields, const QList<TWordFormattedUse> &formatted)
{
    TWordSteps steps;
    QList<TWordStep> data;
    for (int c = 0; c < fields.headers.size(); ++c) {
        steps.fieldStarts.append(int(data.size()));
        addFieldSteps(data, fields.headers[c], fields.record.value(c), formatted);
    }
    steps.fieldStarts.append(int(data.size()));
    steps.main = data;
    if (!fields.personal)
        return steps;
    for (const auto &[name, value] : *fields.personal)
        addFieldSteps(steps.main, name, value, formatted);
    if (fields.Colontit)
        steps.headersFooters = data;
    return steps;
}

void FillWordDocument(DocxDocument &doc, TReplaceOptions options, const TWordFields &fields)
{
    const TWordFields expanded = WordUsesLanguage(doc, fields) ? ExpandWordLanguage(doc, fields) : fields;
    const TWordSteps steps = WordFillSteps(expanded, doc.bracketedFields());
    for (const TWordStep &step : steps.main)
        doc.replaceInMainText(step.find, step.value, options.replaceAll);
    for (const TWordStep &step : steps.headersFooters)
        doc.replaceInHeadersFooters(step.find, step.value);
}

bool IsZipPackage(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("PK\x03\x04", 4);
}

} // namespace dokrava
