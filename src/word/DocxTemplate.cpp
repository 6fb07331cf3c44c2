#include "word/DocxTemplate.h"

#include "base/TemplateLanguage.h"
#include "word/DocxDocument.h"
#include "word/WordLanguage.h"
#include "word/WordText.h"
#include "base/XmlNode.h"

#include <algorithm>

namespace dokrava {

namespace {

// Never part of a well-formed part's text, so it can mark where a paragraph was cut out.
const QChar kMark(0xFFFF);
const QByteArray kMarkBytes = QString(kMark).toUtf8();

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

bool DocxTemplate::usesLanguage(const TWordFields &fields) const
{
    return m_document && WordUsesLanguage(*m_document, fields);
}

std::optional<TTemplateLanguageError> DocxTemplate::languageError(const TWordFields &fields) const
{
    return m_document ? WordLanguageError(*m_document, fields) : std::nullopt;
}

TemplateBlocks::Use DocxTemplate::languageUse(const TWordFields &fields) const
{
    return m_document ? WordLanguageUse(*m_document, fields) : TemplateBlocks::Use();
}

Package DocxTemplate::filled(const TWordFields &fields) const
{
    if (usesLanguage(fields)) {
        const std::unique_ptr<DocxDocument> doc = m_document->copy();
        FillWordDocument(*doc, TReplaceOptions{true}, fields);
        return doc->edited();
    }
    if (m_whole) {
        DocxDocument doc(m_path);
        FillWordDocument(doc, TReplaceOptions{true}, fields);
        return doc.edited();
    }
    const TWordSteps wordSteps = WordFillSteps(fields, m_bracketed);
    const auto prepared = [](const QList<TWordStep> &steps) {
        QList<TWordReplacement> out;
        for (const TWordStep &step : steps)
            out.append(PrepareWordReplacement(step.find, step.value));
        return out;
    };
    const QList<TWordReplacement> main = prepared(wordSteps.main), data = prepared(wordSteps.headersFooters);
    Package package = m_package;
    for (const Part &part : m_parts) {
        if (part.holes.empty() || (!part.main && data.isEmpty()))
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
        for (qsizetype k = 0; k < texts->size(); ++k)
            bytes += texts->at(k) + part.literals[k + 1];
        package.replace(entry, bytes);
    }
    return package;
}

void DocxTemplate::write(const QString &path, const TWordFields &fields) const
{
    filled(fields).save(path);
}

} // namespace dokrava
