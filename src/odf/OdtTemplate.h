#pragma once

#include "base/FieldFormat.h"
#include "base/TemplateBlocks.h"
#include "odf/OdtHole.h"
#include "odf/OdtText.h"
#include "zip/Package.h"
#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace dokrava {

class OdtCompiledLanguage;
class XmlNode;

// An ".odt" template read once and kept split for a whole run: the parts that hold placeholders
// ("content.xml", "styles.xml") become literal UTF-8 pieces with a slot for each placeholder, so
// a document costs escaping its values, joining the pieces and compressing the two parts. The
// result is the document TODTProcessor::ProcessODTTemplate writes for the same data. Const
// members may be used from several threads at once.
class OdtTemplate
{
public:
    // Reads, checks (TODTProcessor::CheckOdtTemplate) and splits the template; throws DokravaError
    // as filling it would.
    explicit OdtTemplate(const QString &path);

    // The filled package for Data (pairs and formats applied as ReplaceVariables applies them),
    // to be written.
    Package filled(const TFieldValues &Data) const;

    // The filled package for a group of records (see OdtLanguage.h): the first gives the plain
    // fields, every one a line. Throws DokravaError on a template error of the language.
    Package filledGroup(const QList<TFieldValues> &Group) const;

    // True when the template holds a word of the language that is no field of these (lines,
    // blocks): its documents are made of groups of records.
    bool usesLanguage(const QStringList &fields) const;

    // The first template error of the language for these fields.
    std::optional<TTemplateLanguageError> languageError(const QStringList &fields) const;

    // What grouping needs of the template for these fields (see TemplateBlocks::Use).
    TemplateBlocks::Use languageUse(const QStringList &fields) const;

    // The placeholder names of the template's parts, in order.
    QStringList placeholderNames() const;

    // Writes the document for Data to OutputFile, replaced only once complete.
    void write(const QString &OutputFile, const TFieldValues &Data) const;

private:
    struct Slot : OdtHole
    {
        // The nearest brackets around it, other placeholders taken away, are "[" and "]": a value
        // put in makes a new placeholder of the text around it.
        bool enclosed = false;
    };
    struct Part
    {
        int entry = -1;
        QString name;
        std::shared_ptr<const XmlNode> tree; // when the part may hold words of the language
        QString text;              // the whole part, for values that need the general rules
        QList<QByteArray> literals; // one more than holes: the text before, between and after them
        QList<Slot> holes;
        ZipReader::StoredEntry unfilled; // the part when no value fills it, as stored
        std::optional<SplicedDeflate> spliced; // the literals compressed, for a deflated part
    };
    // What goes into the holes of a part for one document.
    struct Filling
    {
        QList<QByteArray> texts; // one per hole
        bool any = false;        // a value went in
        bool general = false;    // a value needs the general rules: the texts are not set
    };
    static Part split(int entry, const QString &text);
    static void markEnclosed(const QString &text, const QList<TPlaceholderSpan> &spans, QList<Slot> &holes);
    using Lookup = OdtHole::Lookup;
    static Lookup lookupOf(const TFieldValues &Data);
    static Filling holeTexts(const Part &part, const Lookup &values);
    static QByteArray joined(const Part &part, const QList<QByteArray> &texts);
    // Puts a part filled by the quick rules into the package.
    static void putFilled(Package &package, const Part &part, const Filling &filling);
    Package filledPlain(const TFieldValues &Data) const;
    Package filledWithLanguage(const QList<TFieldValues> &Group) const;
    // The parts that use the language compiled for a run's fields, one (or nothing) per part.
    struct CompiledParts
    {
        QList<std::shared_ptr<const OdtCompiledLanguage>> parts;
        QList<TemplateBlocks::Total> totals; // the placeholder names that may be totals
        bool any = false;   // a part uses the language
    };
    std::shared_ptr<const CompiledParts> compiledFor(const QStringList &fields) const;
    // The document from the compiled parts; nothing when the group needs them expanded whole.
    std::optional<Package> filledCompiled(const QList<TFieldValues> &Group, const CompiledParts &compiled) const;

    Package m_package;
    QList<Part> m_parts;
    mutable QMutex m_compiledMutex;
    mutable std::map<QStringList, std::shared_ptr<const CompiledParts>> m_compiled; // by the run's fields
};

} // namespace dokrava
