#pragma once

#include "base/TemplateBlocks.h"
#include "word/WordFiller.h"
#include "word/WordText.h"
#include "zip/Package.h"
#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

namespace dokrava {

class DocxDocument;
class XmlNode;

// A ".docx" template read once and kept split for a whole run: each part that may be filled (the
// main text, headers, footers) becomes literal UTF-8 pieces around the paragraphs that hold a
// "[", and only those paragraphs are filled per document, in the order FillWordDocument fills
// the whole document. The result is the document DocxDocument gives for the same fields, with
// every replace option at "all". Const members may be used from several threads at once.
class DocxTemplate
{
public:
    // Reads and splits the template; throws DokravaError when it is not a Word document.
    explicit DocxTemplate(const QString &path);
    ~DocxTemplate();

    DocxTemplate(const DocxTemplate &) = delete;
    DocxTemplate &operator=(const DocxTemplate &) = delete;

    // The filled package for fields, to be written.
    Package filled(const TWordFields &fields) const;

    // Writes the document for fields to path, replaced only once complete.
    void write(const QString &path, const TWordFields &fields) const;

    // True when the parts the fields fill hold a word of the language that is no field's name
    // (see WordLanguage.h): documents are then made of groups of records.
    bool usesLanguage(const TWordFields &fields) const;

    // The first template error of the language for these fields.
    std::optional<TTemplateLanguageError> languageError(const TWordFields &fields) const;

    // What grouping needs of the template for these fields (see TemplateBlocks::Use); nothing
    // when it holds no word of the language.
    TemplateBlocks::Use languageUse(const TWordFields &fields) const;

private:
    struct Slot
    {
        std::unique_ptr<XmlNode> holder; // an element whose only child is the paragraph
        QString folded;                  // its text as the search sees it
        QByteArray bytes;                // the paragraph as written when nothing fills it
    };
    struct Part
    {
        QString name;
        bool main = false;
        int listed = 1; // times a header or footer is named: it is filled once per naming
        QList<QByteArray> literals; // one more than holes
        std::vector<Slot> holes;
        std::optional<SplicedDeflate> spliced; // the literals compressed, for a deflated part
    };
    bool split(XmlNode *document, Part &part);
    // The paragraphs of a part as the steps fill them, or nothing when no value went in.
    std::optional<QList<QByteArray>> filledHoles(const Part &part, const QList<TWordReplacement> &steps) const;
    // Fills into package the parts split (those without the language) by the steps of the main
    // text and of headers and footers.
    void fillSplitParts(Package &package, const TWordSteps &wordSteps, const std::vector<bool> &skipped) const;

    // The template compiled for a run's fields: the parts that use the language (see
    // WordCompiledLanguage), the others filled as split.
    struct Compiled;
    std::shared_ptr<const Compiled> compiledFor(const TWordFields &fields) const;
    // The document of the fields' group from the compiled parts; nothing when it needs the
    // template expanded whole.
    std::optional<Package> filledCompiled(const TWordFields &fields, const Compiled &compiled) const;
    // How the replacements of a document with these totals are made, worked out once.
    struct Plans;
    std::shared_ptr<const Plans> plansFor(const Compiled &compiled, const TWordFields &fields,
                                                         const QList<QPair<QString, QString>> &totals) const;
    // True when a part left out of skipped holds a paragraph the steps may fill.
    bool splitPartsFilled(const std::vector<bool> &skipped, bool headersFooters) const;

    QString m_path;
    Package m_package;
    QStringList m_bracketed; // the names between brackets, for fields with a format
    std::vector<Part> m_parts;
    // Set when the template cannot be split faithfully; each document is then filled whole.
    bool m_whole = false;
    // The template parsed whole, when its text may hold words of the language: the documents
    // that use it are filled from copies of it.
    std::unique_ptr<DocxDocument> m_document;
    mutable QMutex m_compiledMutex;
    // By columns, personal fields' names, and whether headers and footers are filled.
    mutable std::map<std::tuple<QStringList, QStringList, bool>, std::shared_ptr<const Compiled>> m_compiled;
    // The formatted uses of the template's names for the fields' names (see WordFormattedUses):
    // columns' and personal fields' names.
    std::shared_ptr<const QList<TWordFormattedUse>> formattedUses(const TWordFields &fields) const;
    mutable std::map<std::pair<QStringList, QStringList>, std::shared_ptr<const QList<TWordFormattedUse>>> m_formatted;
};

} // namespace dokrava
