#include "word/DocxTemplate.h"

#include "base/TemplateLanguage.h"
#include "word/DocxDocument.h"
#include "word/WordCompiledLanguage.h"
#include "word/WordLanguage.h"
#include "word/WordText.h"
#include "base/XmlNode.h"

#include <QMutexLocker>

#include <algorithm>

namespace dokrava {

namespace {

// Never part of a well-formed part's text, so it can mark where a paragraph was cut out.
const QChar kMark(0xFFFF);
const QByteArray kMarkBytes = QString(kMark).toUtf8();

// The names of the personal fields, which with the columns' tell what a template compiles to.
QStringList personalNames(const TWordFields &fields)
{
    QStringList names;
    if (fields.personal)
        for (const auto &[name, value] : *fields.personal)
            names.append(name);
    return names;
}

} // namespace

DocxTemplate::DocxTemplate(const QString &path)
    : m_path(path)
{
    DocxDocument doc(path);
    m_package = doc.packageForSaving();
    m_bracketed = doc.bracketedFields();
    // Taken before the parts are split; bracketedFields() has parsed every part.
    if (std::any_of(m_bracketed.cbegin(), m_bracketed.cend(), MayBeLanguageToken))
        m_document = doc.copy();
    Part main;
    main.name = doc.mainPart();
    main.main = true;
    m_whole = !split(doc.partTree(main.name), main);
    m_parts.push_back(std::move(main));
    const QStringList others = doc.headerParts() + doc.footerParts();
    for (const QString &name : others) {
        // A part filled both as main text and as header would interleave the two orders.
        if (name.compare(doc.mainPart(), Qt::CaseInsensitive) == 0)
            m_whole = true;
        const auto known = std::find_if(m_parts.begin(), m_parts.end(),
                                        [&name](const Part &p) { return !p.main && p.name == name; });
        if (known != m_parts.end()) {
            ++known->listed;
            continue;
        }
        Part part;
        part.name = name;
        m_whole = !split(doc.partTree(name), part) || m_whole;
        m_parts.push_back(std::move(part));
    }
    for (Part &part : m_parts) {
        const int entry = m_package.indexOf(part.name, Qt::CaseInsensitive);
        if (!m_whole && !part.holes.empty() && entry >= 0 && m_package.method(entry) == ZipWriter::Deflated)
            part.spliced.emplace(part.literals, path);
    }
}

DocxTemplate::~DocxTemplate() = default;

bool DocxTemplate::split(XmlNode *document, Part &part)
{
    if (!document)
        return true;
    const QList<XmlNode *> paragraphs = ParagraphsWithBrackets(document);
    for (XmlNode *p : paragraphs) {
        XmlNode *parent = p->parent();
        const int at = p->indexInParent();
        Slot slot;
        slot.holder = std::make_unique<XmlNode>(XmlNode::Element, QStringLiteral("w:body"));
        slot.holder->append(parent->take(at));
        slot.folded = FoldedSearchText(slot.holder.get());
        QString text;
        slot.holder->child(0)->writeTo(text);
        slot.bytes = text.toUtf8();
        auto mark = std::make_unique<XmlNode>(XmlNode::Text);
        mark->setText(kMark);
        parent->insert(at, std::move(mark));
        part.holes.push_back(std::move(slot));
    }
    const QByteArray written = document->serialize();
    qsizetype from = 0;
    for (qsizetype at = written.indexOf(kMarkBytes); at >= 0; at = written.indexOf(kMarkBytes, from)) {
        part.literals.append(written.mid(from, at - from));
        from = at + kMarkBytes.size();
    }
    part.literals.append(written.mid(from));
    return part.literals.size() == qsizetype(part.holes.size()) + 1;
}

std::optional<QList<QByteArray>> DocxTemplate::filledHoles(const Part &part,
                                                            const QList<TWordReplacement> &steps) const
{
    QList<QByteArray> texts;
    bool changed = false;
    for (const Slot &slot : part.holes) {
        std::unique_ptr<XmlNode> work;
        for (const TWordReplacement &step : steps) {
            // Until a value goes in, the paragraph is the template's: its text tells at once
            // whether the search can find anything.
            if (!work && !slot.folded.contains(step.foldedFind))
                continue;
            if (!work)
                work = slot.holder->clone();
            changed = ReplaceInWordPart(work.get(), step) > 0 || changed;
        }
        if (!work) {
            texts.append(slot.bytes);
            continue;
        }
        QString text;
        work->child(0)->writeTo(text);
        texts.append(text.toUtf8());
    }
    // A part nothing was put into stays as the template stored it.
    if (!changed)
        return std::nullopt;
    return texts;
}

// How a document's replacements are made, for the totals it has.
struct DocxTemplate::Plans
{
    QList<TWordFormattedUse> formatted;
    WordCompiledLanguage::StepPlan main, data;
};

struct DocxTemplate::Compiled
{
    bool fits = true; // false when every document is filled from a copy of the template
    bool any = false; // a part the fields fill uses the language
    std::unique_ptr<TemplateBlocks> blocks;
    QList<TemplateBlocks::Total> totals; // the template's names that are totals
    std::vector<std::shared_ptr<const WordCompiledLanguage>> parts; // per part, when it uses the language
    bool headersFooters = false; // a header or footer among them
    mutable QMutex mutex;
    mutable std::map<QStringList, std::shared_ptr<const Plans>> plans; // by the totals' names
};

std::shared_ptr<const DocxTemplate::Compiled> DocxTemplate::compiledFor(const TWordFields &fields) const
{
    const QStringList personal = personalNames(fields);
    const bool headersFooters = fields.personal && fields.Colontit;
    QMutexLocker lock(&m_compiledMutex);
    std::shared_ptr<const Compiled> &known = m_compiled[{fields.headers, personal, headersFooters}];
    if (known)
        return known;
    auto c = std::make_shared<Compiled>();
    const QStringList names = WordLanguageFields(fields);
    const int columns = int(fields.headers.size());
    c->blocks = std::make_unique<TemplateBlocks>(WordBlockDialect(), names, columns);
    c->totals = c->blocks->totalsOf(m_bracketed);
    // A name with a bracket finds text the pieces cannot foresee.
    c->fits = !m_whole && std::none_of(names.cbegin(), names.cend(), [](const QString &name) {
        return name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'));
    });
    const QStringList filledParts = m_document ? WordLanguageParts(*m_document, fields) : QStringList();
    for (const Part &part : m_parts) {
        std::shared_ptr<const WordCompiledLanguage> language;
        XmlNode *tree = filledParts.contains(part.name, Qt::CaseInsensitive) ? m_document->partTree(part.name) : nullptr;
        if (tree && c->blocks->uses(tree)) {
            language = std::make_shared<const WordCompiledLanguage>(std::shared_ptr<const XmlNode>(tree->clone()),
                                                                    part.main, names, columns, m_path);
            c->any = true;
            c->headersFooters = c->headersFooters || !part.main;
            // A header named twice is filled twice over.
            c->fits = c->fits && (part.main || part.listed == 1);
        }
        c->parts.push_back(language);
    }
    known = c;
    return known;
}

bool DocxTemplate::usesLanguage(const TWordFields &fields) const
{
    return m_document && compiledFor(fields)->any;
}

std::optional<TTemplateLanguageError> DocxTemplate::languageError(const TWordFields &fields) const
{
    return m_document ? WordLanguageError(*m_document, fields) : std::nullopt;
}

TemplateBlocks::Use DocxTemplate::languageUse(const TWordFields &fields) const
{
    return m_document ? WordLanguageUse(*m_document, fields) : TemplateBlocks::Use();
}

std::shared_ptr<const DocxTemplate::Plans>
DocxTemplate::plansFor(const Compiled &compiled, const TWordFields &fields, const QList<QPair<QString, QString>> &totals) const
{
    QStringList names;
    for (const auto &[name, value] : totals)
        names.append(name);
    QMutexLocker lock(&compiled.mutex);
    std::shared_ptr<const Plans> &known = compiled.plans[names];
    if (known)
        return known;
    // The fields as ExpandWordLanguage gives them: the columns, the totals after them; the
    // lines' fields go between, each copy's for its own paragraphs.
    const TWordFields expanded = WordFieldsWith(fields, totals);
    auto made = std::make_shared<Plans>();
    made->formatted = WordFormattedUses(expanded, m_bracketed);
    const TWordStepRecipes recipes = WordStepRecipes(expanded, made->formatted);
    const int columnSteps = recipes.fieldStarts.value(fields.headers.size());
    made->main = WordCompiledLanguage::planOf(recipes.main, int(recipes.main.size()), columnSteps);
    if (recipes.headersFooters)
        made->data = WordCompiledLanguage::planOf(recipes.main, recipes.dataSteps, columnSteps);
    known = made;
    return known;
}

bool DocxTemplate::splitPartsFilled(const std::vector<bool> &skipped, bool headersFooters) const
{
    for (size_t k = 0; k < m_parts.size(); ++k)
        if (!skipped[k] && !m_parts[k].holes.empty() && (m_parts[k].main || headersFooters))
            return true;
    return false;
}

std::optional<Package> DocxTemplate::filledCompiled(const TWordFields &fields, const Compiled &compiled) const
{
    if (!compiled.fits)
        return std::nullopt;
    const TLanguageRecords records = WordLanguageRecords(fields);
    QList<QPair<QString, QString>> totals;
    TemplateBlocks::addTotals(compiled.totals, records, totals);
    const std::shared_ptr<const Plans> plans = plansFor(compiled, fields, totals);
    // The values the recipes read: the columns', the totals', the personal fields'.
    const QStringList &first = records.records.first();
    const qsizetype columns = fields.headers.size();
    QStringList values = first.mid(0, columns);
    values.reserve(first.size() + totals.size());
    for (const auto &[name, value] : totals)
        values.append(value);
    values.append(first.mid(columns));
    const WordCompiledLanguage::Steps main = WordCompiledLanguage::stepsOf(plans->main, values);
    const WordCompiledLanguage::Steps data = compiled.headersFooters ? WordCompiledLanguage::stepsOf(plans->data, values)
                                                                     : WordCompiledLanguage::Steps();
    Package package = m_package;
    std::vector<bool> compiledParts;
    for (size_t k = 0; k < m_parts.size(); ++k) {
        compiledParts.push_back(compiled.parts[k] != nullptr);
        if (!compiled.parts[k])
            continue;
        const int entry = package.indexOf(m_parts[k].name, Qt::CaseInsensitive);
        const bool deflated = package.method(entry) == ZipWriter::Deflated;
        std::optional<SplicedDeflate::Stream> stream =
            compiled.parts[k]->filled(records, m_parts[k].main ? main : data, deflated);
        if (!stream)
            return std::nullopt;
        if (deflated)
            package.replaceStored(entry, stream->deflatedEntry());
        else
            package.replace(entry, stream->plain());
    }
    // Most templates with lines fill nothing outside the parts compiled.
    if (splitPartsFilled(compiledParts, fields.personal && fields.Colontit))
        fillSplitParts(package, WordFillSteps(WordFieldsWith(fields, totals), plans->formatted), compiledParts);
    return package;
}

Package DocxTemplate::filled(const TWordFields &fields) const
{
    if (m_document) {
        const std::shared_ptr<const Compiled> compiled = compiledFor(fields);
        if (compiled->any) {
            if (std::optional<Package> package = filledCompiled(fields, *compiled))
                return std::move(*package);
            const std::unique_ptr<DocxDocument> doc = m_document->copy();
            FillWordDocument(*doc, TReplaceOptions{true}, fields);
            return doc->edited();
        }
    }
    if (m_whole) {
        DocxDocument doc(m_path);
        FillWordDocument(doc, TReplaceOptions{true}, fields);
        return doc.edited();
    }
    Package package = m_package;
    fillSplitParts(package, WordFillSteps(fields, *formattedUses(fields)), std::vector<bool>(m_parts.size(), false));
    return package;
}

std::shared_ptr<const QList<TWordFormattedUse>> DocxTemplate::formattedUses(const TWordFields &fields) const
{
    const QStringList personal = personalNames(fields);
    QMutexLocker lock(&m_compiledMutex);
    std::shared_ptr<const QList<TWordFormattedUse>> &known = m_formatted[{fields.headers, personal}];
    // Worked out once per run: reading every name of the template for each document cost more
    // than filling its paragraphs.
    if (!known)
        known = std::make_shared<const QList<TWordFormattedUse>>(WordFormattedUses(fields, m_bracketed));
    return known;
}

void DocxTemplate::fillSplitParts(Package &package, const TWordSteps &wordSteps, const std::vector<bool> &skipped) const
{
    const auto prepared = [](const QList<TWordStep> &steps) {
        QList<TWordReplacement> out;
        for (const TWordStep &step : steps)
            out.append(PrepareWordReplacement(step.find, step.value));
        return out;
    };
    const QList<TWordReplacement> main = prepared(wordSteps.main), data = prepared(wordSteps.headersFooters);
    for (size_t k = 0; k < m_parts.size(); ++k) {
        const Part &part = m_parts[k];
        if (skipped[k] || part.holes.empty() || (!part.main && data.isEmpty()))
            continue;
        QList<TWordReplacement> steps;
        for (const TWordReplacement &step : part.main ? main : data)
            for (int i = 0; i < (part.main ? 1 : part.listed); ++i)
                steps.append(step);
        const std::optional<QList<QByteArray>> texts = filledHoles(part, steps);
        if (!texts)
            continue;
        const int entry = package.indexOf(part.name, Qt::CaseInsensitive);
        if (part.spliced) {
            package.replaceStored(entry, part.spliced->join(*texts));
            continue;
        }
        QByteArray bytes = part.literals.first();
        for (qsizetype h = 0; h < texts->size(); ++h)
            bytes += texts->at(h) + part.literals[h + 1];
        package.replace(entry, bytes);
    }
}

void DocxTemplate::write(const QString &path, const TWordFields &fields) const
{
    filled(fields).save(path);
}

} // namespace dokrava
