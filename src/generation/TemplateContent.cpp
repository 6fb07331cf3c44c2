#include "generation/TemplateContent.h"

#include "base/DokravaError.h"
#include "generation/FieldMatch.h"
#include "odf/OdtText.h"
#include "odf/TODTProcessor.h"
#include "word/DocxDocument.h"
#include "zip/Package.h"

#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>

namespace dokrava {

namespace {

const QString kTextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

bool isBlank(QChar c)
{
    return c.unicode() <= 32 || c.unicode() == 0xFFFF || c.isSpace();
}

// Tabs, line ends and the Word text's stand-in for them as spaces.
QString shownText(QString text)
{
    for (QChar &c : text)
        if (c.unicode() == 0xFFFF || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

// The paragraphs (text:p, text:h) of an OpenDocument part, each on its own (a paragraph inside a
// note or a frame is one of its own); text:s, text:tab and text:line-break as spaces; deleted
// text of tracked changes left out.
void appendOdfParagraphs(const QString &xml, const QString &partName, QStringList &out)
{
    QXmlStreamReader reader(xml);
    QList<QString> open; // the paragraphs being read, innermost last
    int skipped = 0;     // depth inside text:tracked-changes
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            const bool text = reader.namespaceUri() == kTextNs;
            const QStringView name = reader.name();
            if (skipped > 0 || (text && name == QLatin1String("tracked-changes"))) {
                ++skipped;
            } else if (text && (name == QLatin1String("p") || name == QLatin1String("h"))) {
                open.append(QString());
            } else if (text && !open.isEmpty()) {
                if (name == QLatin1String("s")) {
                    bool ok = false;
                    const int count = reader.attributes().value(kTextNs, QStringLiteral("c")).toInt(&ok);
                    open.last() += QString(ok && count > 0 ? std::min(count, 1000) : 1, QLatin1Char(' '));
                } else if (name == QLatin1String("tab") || name == QLatin1String("line-break")) {
                    open.last() += QLatin1Char(' ');
                }
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skipped > 0) {
                --skipped;
            } else if (reader.namespaceUri() == kTextNs
                       && (reader.name() == QLatin1String("p") || reader.name() == QLatin1String("h"))
                       && !open.isEmpty()) {
                out.append(shownText(open.takeLast()));
            }
            break;
        case QXmlStreamReader::Characters:
            if (skipped == 0 && !open.isEmpty())
                open.last() += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        throw DokravaError(QStringLiteral("часть %1 повреждена (строка %2: %3)")
                               .arg(partName)
                               .arg(reader.lineNumber())
                               .arg(reader.errorString()));
}

// Names of one Word paragraph: each "]" closes the last "[" before it since the previous "]".
void appendWordNames(const QString &paragraph, QStringList &names, QSet<QString> &seen)
{
    qsizetype open = -1;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        const QChar c = paragraph.at(i);
        if (c == QLatin1Char('[')) {
            open = i;
        } else if (c == QLatin1Char(']') && open >= 0) {
            const QString name = paragraph.mid(open + 1, i - open - 1);
            open = -1;
            // "[]" and blanks alone are no field: told about as a bracket problem.
            if (std::all_of(name.cbegin(), name.cend(), isBlank))
                continue;
            const QString folded = FoldedName(name);
            if (!seen.contains(folded)) {
                seen.insert(folded);
                names.append(name);
            }
        }
    }
}

} // namespace

TTemplateContent ReadOdtTemplateContent(const QString &path)
{
    Package package(path);
    TODTProcessor::CheckOdtTemplate(package);
    TODTProcessor::PrepareOdtPackage(package);
    if (package.indexOf(QStringLiteral("content.xml")) < 0)
        throw DokravaError(QStringLiteral("в пакете нет части content.xml, это не документ OpenDocument"));
    TTemplateContent content;
    QStringList names;
    for (const QString &part : {QStringLiteral("content.xml"), QStringLiteral("styles.xml")}) {
        const int i = package.indexOf(part);
        if (i < 0)
            continue;
        const QString xml = TODTProcessor::XmlPartText(package.data(i));
        CollectVariables(xml, names);
        appendOdfParagraphs(xml, part, content.paragraphs);
    }
    QSet<QString> seen;
    for (const QString &name : names) {
        if (!seen.contains(name)) {
            seen.insert(name);
            content.bodyFields.append(name);
        }
    }
    return content;
}

TTemplateContent ReadWordTemplateContent(const QString &path)
{
    DocxDocument doc(path);
    TTemplateContent content;
    QSet<QString> bodySeen;
    for (const QString &p : doc.paragraphTexts(doc.mainPart())) {
        appendWordNames(p, content.bodyFields, bodySeen);
        content.paragraphs.append(shownText(p));
    }
    QSet<QString> headerSeen;
    for (const QString &part : doc.headerParts() + doc.footerParts()) {
        for (const QString &p : doc.paragraphTexts(part)) {
            appendWordNames(p, content.headerFooterFields, headerSeen);
            content.paragraphs.append(shownText(p));
        }
    }
    return content;
}

QString TextAround(const QString &text, qsizetype position, int length)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text.at(from).isSpace())
        ++from;
    while (to > from && text.at(to - 1).isSpace())
        --to;
    const QStringView trimmed = QStringView(text).mid(from, to - from);
    if (trimmed.size() <= length)
        return trimmed.toString();
    const qsizetype at = std::clamp<qsizetype>(position - from, 0, trimmed.size() - 1);
    qsizetype start = std::clamp<qsizetype>(at - length / 2, 0, trimmed.size() - length);
    qsizetype end = start + length;
    // The marks of the cuts take the place of one character each.
    const bool cutStart = start > 0;
    const bool cutEnd = end < trimmed.size();
    start += cutStart ? 1 : 0;
    end -= cutEnd ? 1 : 0;
    return (cutStart ? QString(QChar(0x2026)) : QString()) + trimmed.mid(start, end - start).toString()
           + (cutEnd ? QString(QChar(0x2026)) : QString());
}

} // namespace dokrava
