#pragma once

#include "base/FieldFormat.h"
#include "word/WordFields.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace dokrava {

class DocxDocument;

// The replace options of the Word filler; the run passes "replace all" alone.
struct TReplaceOptions
{
    bool replaceAll = true;
};

// One find-and-replace of the Word filler.
struct TWordStep
{
    QString find;  // "[name]", letter case ignored
    QString value;
};

// The replacements of one document, in order: those of the main text, and those of headers and
// footers (empty unless personal fields are present and Colontit is on). A bracketed name of the
// template in the form "field:format" that is no column's or personal field's whole name gets its
// own step right after the field's, with the value in the format (none when it does not fit); when
// the text before the last ":" is no field either, it is read again ("field:format:format").
struct TWordSteps
{
    QList<TWordStep> main;
    QList<TWordStep> headersFooters;
};
TWordSteps WordFillSteps(const TWordFields &fields, const QStringList &bracketedNames);

// A bracketed name of the template that asks for a field in a format.
struct TWordFormattedUse
{
    QString name;
    QString field;
    QStringList formats;
};
// The formatted uses of the bracketed names for the fields' names (not their values): worked
// out once, they spare WordFillSteps reading every name for each document.
QList<TWordFormattedUse> WordFormattedUses(const TWordFields &fields, const QStringList &bracketedNames);
TWordSteps WordFillSteps(const TWordFields &fields, const QList<TWordFormattedUse> &formatted);

// How one step of TWordSteps::main is made from a document's values: the value of a field (an
// index into the columns' values, then the personal fields'), as it stands or in formats; a
// formatted step whose value does not fit the formats is left out.
struct TWordStepRecipe
{
    QString find;
    int field = 0;
    bool formatted = false;
    FieldFormatChain formats;
};
// The recipes of TWordSteps::main for fields of these names, worked out once for many documents.
struct TWordStepRecipes
{
    QList<TWordStepRecipe> main;
    int dataSteps = 0;                 // main's first recipes: the data fields'
    bool headersFooters = false;       // headers and footers take the data fields' steps
    QList<int> fieldStarts;            // where each data field's recipes begin, then their end
};
TWordStepRecipes WordStepRecipes(const TWordFields &fields, const QList<TWordFormattedUse> &formatted);
// The value a recipe gives for a document's values, nothing when it is left out.
std::optional<QString> WordStepValue(const TWordStepRecipe &recipe, const QString &fieldValue);

// Fills the document in the order Word was driven (after the template language, when the
// template uses it, expanded the document for the fields' group): the data fields of the main text in column
// order, then the personal fields, then (personal fields present and Colontit on) the data fields
// of headers and footers; personal fields never reach headers and footers.
void FillWordDocument(DocxDocument &doc, TReplaceOptions options, const TWordFields &fields);

// True when the file is a ZIP package (a .docx written under any name).
bool IsZipPackage(const QString &path);

} // namespace dokrava
