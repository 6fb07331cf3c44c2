#pragma once

#include "office/PdfConverter.h"
#include "word/WordFiller.h"

#include <QString>
#include <QStringList>

#include <functional>

// Everything one Word document is filled from besides its paths.
struct TWordFillData
{
    QStringList headers;          // header texts of the grid columns 1.., empty ones included
    QStringList record;           // the record's cells of the same columns
    QString personalFieldsFile;   // "replace.ini"; its existence also allows headers and footers
    bool Colontit = false;        // also fill the data fields in headers and footers
    QString converter;            // the office suite's converter; empty when none was found
    int waitMs = kConversionWaitMs;
    std::function<void(const QString &)> notice; // plain notices ("Файл шаблона не найден.")
    // Turns a ".doc" template into a ".docx" and returns its path. When empty, every document
    // converts its template anew; the run passes one that converts each template once.
    std::function<QString(const QString &)> legacyConverted;
    // PDF wanted: only write the filled ".docx" beside the output (ConvertLater), the caller
    // converts it.
    bool convertLater = false;
};

// What became of one Word document.
enum class TWordFillResult {
    TemplateMissing, // notice shown, nothing written
    TemplateBroken,  // not a Word document (no package with its main text): nothing written
    Written,         // the output file exists
    PdfFailed,       // the PDF could not be made; the filled .docx is kept beside it
    KeptAsDocx,      // PDF wanted but no converter: the filled .docx is kept beside it
    ConvertLater     // PDF wanted, convertLater set: the filled .docx waits beside it for conversion
};

// Fills one ".docx"/".doc" template into outputPath: data fields in column order, then personal
// fields, then (replace.ini present and Colontit on) the data fields in headers and footers.
// A ".pdf" output path asks for a PDF made by the converter; ".doc" templates need the
// converter both ways.
// Throws DokravaError when the run must end.
TWordFillResult FillWordTemplate(const QString &templatePath, TReplaceOptions options,
                                 const QString &outputPath, const TWordFillData &data);

// True when the Word template at path is in the legacy format: not a ZIP package and not named ".docx".
bool IsLegacyWordFile(const QString &path);

// True for the output extensions (lower case) a legacy template's document is converted to.
bool IsLegacyWordOutput(const QString &suffix);

// The converter's name for the legacy format of an output extension ("doc:MS Word 97", "rtf").
QString LegacyWordFormat(const QString &suffix);

// Converts a legacy Word file into a .docx in folder; throws DokravaError without a converter
// ("Для шаблонов .doc нужен LibreOffice") or when the conversion fails.
QString ConvertToDocx(const QString &path, const QString &folder, const QString &converter,
                      int waitMs = kConversionWaitMs);
