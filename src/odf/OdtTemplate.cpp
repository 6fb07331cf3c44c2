#include "odf/OdtTemplate.h"

#include "base/FieldFormat.h"
#include "base/PendingFile.h"
#include "base/XmlEscape.h"
#include "base/XmlNode.h"
#include "odf/OdtCompiledLanguage.h"
#include "odf/OdtLanguage.h"
#include "odf/TODTProcessor.h"

#include <QHash>
#include <QMutexLocker>

namespace dokrava {

namespace {

const char *const kXmlParts[] = {"content.xml", "styles.xml"};

bool holdsBracket(const QString &value)
{
    return value.contains(QLatin1Char('[')) || value.contains(QLatin1Char(']'));
}

} // namespace

OdtTemplate::OdtTemplate(const QString &path)
    : m_package(path)
{
    TODTProcessor::CheckOdtTemplate(m_package);
    TODTProcessor::PrepareOdtPackage(m_package);
    for (const char *name : kXmlParts) {
        const int i = m_package.indexOf(QLatin1String(name));
        if (i < 0)
            continue;
        Part part = split(i, TODTProcessor::XmlPartText(m_package.data(i)));
        part.name = QLatin1String(name);
        if (OdtTextMayUseLanguage(part.text))
            part.tree = OdtPartTree(part.text, part.name);
        QList<QByteArray> originals;
        for (const Slot &slot : part.holes)
            originals.append(slot.original);
        const auto method = ZipWriter::Method(m_package.method(i));
        part.unfilled = ZipWriter::storedForm(joined(part, originals), method, path);
        if (method == ZipWriter::Deflated)
            part.spliced.emplace(part.literals, path);
        m_parts.append(part);
    }
}

OdtTemplate::Part OdtTemplate::split(int entry, const QString &text)
{
    Part part;
    part.entry = entry;
    part.text = text;
    qsizetype copied = 0;
    // A part is written as UTF-8 with its byte order mark, as the general rules write it.
    QByteArray before("\xEF\xBB\xBF");
    const QList<TPlaceholderSpan> spans = FindPlaceholders(text);
    for (const TPlaceholderSpan &span : spans) {
        part.literals.append(before + QStringView(text).mid(copied, span.open - copied).toUtf8());
        before.clear();
        Slot slot{OdtHole::of(span, QStringView(text).mid(span.open, span.close - span.open + 1).toUtf8())};
        part.holes.append(slot);
        copied = span.close + 1;
    }
    part.literals.append(before + QStringView(text).mid(copied).toUtf8());
    markEnclosed(text, spans, part.holes);
    return part;
}

void OdtTemplate::markEnclosed(const QString &text, const QList<TPlaceholderSpan> &spans, QList<Slot> &holes)
{
    // One pass each way over the text between placeholders: the last bracket before each, the
    // first after it.
    const auto bracketIn = [&text](qsizetype from, qsizetype to, bool last, QChar &found) {
        const QStringView piece = QStringView(text).mid(from, to - from);
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const QChar c = piece.at(last ? piece.size() - 1 - i : i);
            if (c == QLatin1Char('[') || c == QLatin1Char(']')) {
                found = c;
                return;
            }
        }
    };
    QList<bool> openBefore(spans.size());
    QChar bracket;
    for (qsizetype k = 0, from = 0; k < spans.size(); from = spans[k].close + 1, ++k) {
        bracketIn(from, spans[k].open, true, bracket);
        openBefore[k] = bracket == QLatin1Char('[');
    }
    bracket = QChar();
    for (qsizetype k = spans.size() - 1, to = text.size(); k >= 0; to = spans[k].open, --k) {
        bracketIn(spans[k].close + 1, to, false, bracket);
        holes[k].enclosed = openBefore[k] && bracket == QLatin1Char(']');
    }
}

OdtTemplate::Filling OdtTemplate::holeTexts(const Part &part, const Lookup &values)
{
    Filling filling;
    filling.texts.reserve(part.holes.size());
    for (const Slot &slot : part.holes) {
        const std::optional<QString> value = slot.value(values);
        if (!value) {
            filling.texts.append(slot.original);
            continue;
        }
        // A value with brackets may hold placeholders for the pairs after it, and one between
        // brackets makes one with the text around it, which the general rules fill in turn;
        // splitting cannot foresee that.
        if (slot.enclosed || holdsBracket(*value)) {
            filling.general = true;
            return filling;
        }
        filling.any = true;
        filling.texts.append(PlaceholderBytes(*value, slot.inTag) + slot.keptTags);
    }
    return filling;
}

QByteArray OdtTemplate::joined(const Part &part, const QList<QByteArray> &texts)
{
    QByteArray out = part.literals.first();
    out.reserve(part.text.size() * 2);
    for (qsizetype s = 0; s < texts.size(); ++s)
        out += texts[s] + part.literals[s + 1];
    return out;
}

Package OdtTemplate::filled(const TFieldValues &Data) const
{
    return filledGroup(QList<TFieldValues>{Data});
}

namespace {

QStringList fieldNames(const TFieldValues &Data)
{
    QStringList names;
    for (const auto &pair : Data)
        names.append(pair.first);
    return names;
}

} // namespace

OdtTemplate::Lookup OdtTemplate::lookupOf(const TFieldValues &Data)
{
    // The first pair of a name fills it: a later one finds no placeholder left.
    OdtTemplate::Lookup values;
    values.reserve(Data.size());
    for (const auto &pair : Data)
        if (!values.contains(pair.first))
            values.insert(pair.first, &pair.second);
    return values;
}

bool OdtTemplate::usesLanguage(const QStringList &fields) const
{
    return compiledFor(fields)->any;
}

std::shared_ptr<const OdtTemplate::CompiledParts> OdtTemplate::compiledFor(const QStringList &fields) const
{
    QMutexLocker lock(&m_compiledMutex);
    std::shared_ptr<const CompiledParts> &compiled = m_compiled[fields];
    if (!compiled) {
        auto parts = std::make_shared<CompiledParts>();
        for (const Part &part : m_parts) {
            const bool uses = part.tree && OdtTreeUsesLanguage(const_cast<XmlNode *>(part.tree.get()), fields);
            parts->parts.append(uses ? std::make_shared<const OdtCompiledLanguage>(part.tree, part.name, fields,
                                                                                    m_package.path())
                                     : nullptr);
            parts->any = parts->any || uses;
        }
        parts->totals = OdtTotals(placeholderNames(), fields);
        compiled = parts;
    }
    return compiled;
}

std::optional<TTemplateLanguageError> OdtTemplate::languageError(const QStringList &fields) const
{
    for (const Part &part : m_parts)
        if (part.tree)
            if (auto error = OdtLanguageError(const_cast<XmlNode *>(part.tree.get()), part.name, fields))
                return error;
    return std::nullopt;
}

TemplateBlocks::Use OdtTemplate::languageUse(const QStringList &fields) const
{
    const TemplateBlocks blocks(OdtBlockDialect(), fields, int(fields.size()));
    TemplateBlocks::Use use;
    for (const Part &part : m_parts) {
        if (!part.tree) {
            QStringList names;
            for (const Slot &slot : part.holes)
                names.append(slot.name);
            blocks.addGroupFields(names, use.groupFields);
            continue;
        }
        const TemplateBlocks::Use of = blocks.use(const_cast<XmlNode *>(part.tree.get()));
        use.lines = use.lines || of.lines;
        use.numericConditions += of.numericConditions;
        for (const QString &field : of.groupFields)
            if (!use.groupFields.contains(field))
                use.groupFields.append(field);
    }
    return use;
}

QStringList OdtTemplate::placeholderNames() const
{
    QStringList names;
    for (const Part &part : m_parts)
        for (const Slot &slot : part.holes)
            names.append(slot.name);
    return names;
}

Package OdtTemplate::filledGroup(const QList<TFieldValues> &Group) const
{
    if (Group.isEmpty())
        return filledPlain(TFieldValues());
    const std::shared_ptr<const CompiledParts> compiled = compiledFor(fieldNames(Group.first()));
    if (!compiled->any)
        return filledPlain(Group.first());
    if (std::optional<Package> package = filledCompiled(Group, *compiled))
        return std::move(*package);
    return filledWithLanguage(Group);
}

std::optional<Package> OdtTemplate::filledCompiled(const QList<TFieldValues> &Group, const CompiledParts &compiled) const
{
    const TLanguageRecords records = OdtLanguageRecords(Group);
    TFieldValues totals;
    AddOdtTotals(compiled.totals, records, totals);
    const TFieldValues all = Group.first() + totals;
    const Lookup values = lookupOf(all);
    Package package = m_package;
    for (qsizetype k = 0; k < m_parts.size(); ++k) {
        const Part &part = m_parts[k];
        const bool deflated = m_package.method(part.entry) == ZipWriter::Deflated;
        if (compiled.parts[k]) {
            std::optional<SplicedDeflate::Stream> stream = compiled.parts[k]->filled(records, values, deflated);
            if (!stream)
                return std::nullopt;
            if (deflated)
                package.replaceStored(part.entry, stream->deflatedEntry());
            else
                package.replace(part.entry, stream->plain());
            continue;
        }
        const Filling filling = holeTexts(part, values);
        if (filling.general)
            return std::nullopt;
        putFilled(package, part, filling);
    }
    return package;
}

void OdtTemplate::putFilled(Package &package, const Part &part, const Filling &filling)
{
    if (!filling.any) // the same for every document: compressed once
        package.replaceStored(part.entry, part.unfilled);
    else if (part.spliced)
        package.replaceStored(part.entry, part.spliced->join(filling.texts));
    else
        package.replace(part.entry, joined(part, filling.texts));
}

Package OdtTemplate::filledWithLanguage(const QList<TFieldValues> &Group) const
{
    const TLanguageRecords records = OdtLanguageRecords(Group);
    const QStringList &fields = records.fields;
    TFieldValues extra;
    QList<std::optional<QString>> expanded;
    for (const Part &part : m_parts) {
        expanded.append(std::nullopt);
        if (part.tree && OdtTreeUsesLanguage(const_cast<XmlNode *>(part.tree.get()), fields)) {
            const std::unique_ptr<XmlNode> copy = part.tree->clone();
            expanded.last() = ExpandOdtPart(copy.get(), part.name, records, extra);
        }
    }
    AddOdtTotals(placeholderNames(), records, extra);
    const TFieldValues all = Group.first() + extra;
    const Lookup values = lookupOf(all);
    Package package = m_package;
    for (qsizetype k = 0; k < m_parts.size(); ++k) {
        const Part part = expanded[k] ? split(m_parts[k].entry, *expanded[k]) : m_parts[k];
        const Filling filling = holeTexts(part, values);
        if (filling.general)
            package.replace(part.entry, TODTProcessor::XmlPartBytes(ReplaceVariables(part.text, all)));
        else if (expanded[k] || filling.any)
            package.replace(part.entry, joined(part, filling.texts));
        else
            package.replaceStored(part.entry, part.unfilled);
    }
    return package;
}

Package OdtTemplate::filledPlain(const TFieldValues &Data) const
{
    const Lookup values = lookupOf(Data);
    Package package = m_package;
    for (const Part &part : m_parts) {
        const Filling filling = holeTexts(part, values);
        if (filling.general)
            package.replace(part.entry, TODTProcessor::XmlPartBytes(ReplaceVariables(part.text, Data)));
        else
            putFilled(package, part, filling);
    }
    return package;
}

void OdtTemplate::write(const QString &OutputFile, const TFieldValues &Data) const
{
    filled(Data).save(OutputFile);
}

} // namespace dokrava
