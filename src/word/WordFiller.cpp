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

// The recipes of one field: its placeholder, then each formatted use of it the template makes.
void addFieldRecipes(QList<TWordStepRecipe> &recipes, const QString &field, int index,
                     const QList<TWordFormattedUse> &formatted)
{
    recipes.append({placeholder(field), index, false, {}});
    for (const TWordFormattedUse &use : formatted)
        if (use.field.compare(field, Qt::CaseInsensitive) == 0)
            recipes.append({placeholder(use.name), index, true, FieldFormatChain(use.formats)});
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

TWordStepRecipes WordStepRecipes(const TWordFields &fields, const QList<TWordFormattedUse> &formatted)
{
    TWordStepRecipes recipes;
    for (int c = 0; c < fields.headers.size(); ++c) {
        recipes.fieldStarts.append(int(recipes.main.size()));
        addFieldRecipes(recipes.main, fields.headers[c], c, formatted);
    }
    recipes.fieldStarts.append(int(recipes.main.size()));
    recipes.dataSteps = int(recipes.main.size());
    if (!fields.personal)
        return recipes;
    int index = int(fields.headers.size());
    for (const auto &[name, value] : *fields.personal)
        addFieldRecipes(recipes.main, name, index++, formatted);
    recipes.headersFooters = fields.Colontit;
    return recipes;
}

std::optional<QString> WordStepValue(const TWordStepRecipe &recipe, const QString &fieldValue)
{
    return recipe.formatted ? recipe.formats.apply(fieldValue) : fieldValue;
}

TWordSteps WordFillSteps(const TWordFields &fields, const QList<TWordFormattedUse> &formatted)
{
    const TWordStepRecipes recipes = WordStepRecipes(fields, formatted);
    const int columns = int(fields.headers.size());
    TWordSteps steps;
    qsizetype dataMade = 0; // the steps the data fields' recipes made
    for (int i = 0; i < recipes.main.size(); ++i) {
        const TWordStepRecipe &r = recipes.main[i];
        const QString &value = r.field < columns ? fields.record.value(r.field) : (*fields.personal)[r.field - columns].second;
        if (const std::optional<QString> text = WordStepValue(r, value))
            steps.main.append({r.find, *text});
        if (i < recipes.dataSteps)
            dataMade = steps.main.size();
    }
    if (recipes.headersFooters)
        steps.headersFooters = steps.main.mid(0, dataMade);
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
