#pragma once

#include "DocxFixture.h"

#include "base/DokravaError.h"

#include "odf/OdtTemplate.h"
#include "odf/TODTProcessor.h"
#include "word/DocxDocument.h"
#include "word/DocxTemplate.h"
#include "word/WordFiller.h"
#include "zip/Package.h"
#include "zip/ZipWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <functional>
#include <optional>
#include <utility>

using namespace dokrava;

// Templates made from a stream of choices (placeholders split by formatting, links whose address
// holds brackets, brackets left open or closed twice, in text, in markup and in values; words of
// the template language, filled for a group of one to three records), filled
// both ways: read once for a run (OdtTemplate, DocxTemplate) and whole per document
// (TODTProcessor, DocxDocument). Shared by the differential test and its fuzz target.
namespace FillPaths {

// Reads choices from bytes; once they run out every choice is the first.
class Choices
{
public:
    explicit Choices(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    int pick(int count) { return m_at < m_bytes.size() ? int(quint8(m_bytes[m_at++])) % count : 0; }
    bool more() const { return m_at < m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

inline const QStringList &names()
{
    static const QStringList list{"ФИО", "B", "ФИО", "B", "Сумма:прописью", "фио", " B ", "1", ""};
    return list;
}

inline const QStringList &values()
{
    static const QStringList list{"Иванов", "Петров", "a & b <c> \"q\"", "  два\tпробела\nстрока", "", "15000",
                                  "ООО Ромашка [филиал", "[B]", "]", "x[", "[ФИО] и [Сумма]", "][", "[1]"};
    return list;
}

// Text pieces, escaped for XML: whole, open and split placeholders, lone brackets.
inline QString textPiece(Choices &c)
{
    const QString name = names()[c.pick(int(names().size()))];
    switch (c.pick(8)) {
    case 0: return QStringLiteral("[") + name + QStringLiteral("]");
    case 1: return QStringLiteral("[") + name;
    case 2: return name + QStringLiteral("]");
    case 3: return QStringLiteral("[");
    case 4: return QStringLiteral("]");
    case 5: return QStringLiteral("Директор: ");
    case 6: return QStringLiteral("[[") + name + QStringLiteral("]]");
    default: return QStringLiteral("&amp;") + name;
    }
}

// A word of the template language: a marker, a line field, a total (unbalanced markers make
// template errors, which both ways must report alike).
inline QString languagePiece(Choices &c)
{
    static const QStringList list{"[если ФИО]", "[если не B]", "[иначе]", "[/если]", "[*B]", "[*Сумма:прописью]",
                                  "[B:итого]", "[если ФИО = петров]", "[*№]", "[если B > 5]"};
    return list[c.pick(int(list.size()))];
}

// An attribute value as written: a link address or a bookmark name with brackets.
inline QString attributeValue(Choices &c)
{
    static const QStringList list{"http://x/?q=[1", "[ФИО]", "[B", "q]", "[Сумма]x", "", "[фио] [1]"};
    return list[c.pick(int(list.size()))];
}

// A placeholder whose brackets lie on both sides of markup: a span or a link opened or closed
// between them, the link's address holding brackets of its own.
inline QString splitPlaceholder(Choices &c)
{
    const QString name = names()[c.pick(int(names().size()))];
    const QString link = QStringLiteral("<text:a xlink:type=\"simple\" xlink:href=\"") + attributeValue(c) + QStringLiteral("\">");
    const QString span = QStringLiteral("<text:span text:style-name=\"T2\">");
    const qsizetype cut = name.size() / 2;
    switch (c.pick(4)) {
    case 0: return QStringLiteral("[") + link + name + QStringLiteral("]</text:a>");
    case 1: return link + QStringLiteral("[") + name + QStringLiteral("</text:a>]");
    case 2: return QStringLiteral("[") + name.left(cut) + span + name.mid(cut) + QStringLiteral("]</text:span>");
    default: return span + QStringLiteral("[") + name.left(cut) + QStringLiteral("</text:span>") + name.mid(cut) + QStringLiteral("]");
    }
}

inline QString odtInline(Choices &c, int depth)
{
    QString out;
    const int count = 1 + c.pick(5);
    for (int i = 0; i < count; ++i) {
        switch (depth > 3 ? 0 : c.pick(10)) {
        case 0: out += textPiece(c); break;
        case 9: out += languagePiece(c); break;
        case 1: out += QStringLiteral("<text:span text:style-name=\"T1\">") + odtInline(c, depth + 1) + QStringLiteral("</text:span>"); break;
        case 2:
            out += QStringLiteral("<text:a xlink:type=\"simple\" xlink:href=\"") + attributeValue(c) + QStringLiteral("\">")
                   + odtInline(c, depth + 1) + QStringLiteral("</text:a>");
            break;
        case 3: out += QStringLiteral("<text:bookmark text:name=\"") + attributeValue(c) + QStringLiteral("\"/>"); break;
        case 4: out += c.pick(2) ? QStringLiteral("<text:s/>") : QStringLiteral("<text:tab/>"); break;
        case 5: out += QStringLiteral("<text:soft-page-break/>"); break;
        case 6: out += QStringLiteral("<!-- [B] -->"); break;
        default: out += splitPlaceholder(c); break;
        }
    }
    return out;
}

inline QByteArray odtPart(Choices &c, const char *root, const char *body)
{
    QString paragraphs;
    const int count = 1 + c.pick(4);
    for (int i = 0; i < count; ++i) {
        const char *tag = c.pick(3) == 0 ? "text:h" : "text:p";
        paragraphs += QStringLiteral("<%1 text:style-name=\"%2\">").arg(QLatin1String(tag), attributeValue(c))
                      + odtInline(c, 0) + QStringLiteral("</%1>").arg(QLatin1String(tag));
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:%1 "
                          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                          "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><office:%2>%3</office:%2></office:%1>")
        .arg(QLatin1String(root), QLatin1String(body), paragraphs)
        .toUtf8();
}

// Pairs for some of the names, in a chosen order, a name now and then twice.
inline TFieldValues fieldValues(Choices &c)
{
    TFieldValues data;
    const int count = c.pick(int(names().size()) + 1);
    for (int i = 0; i < count; ++i)
        data.append({names()[c.pick(int(names().size()))], values()[c.pick(int(values().size()))]});
    return data;
}

// A group of one to three records of the same names: a document of a template with lines.
inline QList<TFieldValues> fieldGroup(Choices &c)
{
    QList<TFieldValues> group{fieldValues(c)};
    for (int more = c.pick(3); more > 0; --more) {
        TFieldValues next = group.first();
        for (auto &pair : next)
            pair.second = values()[c.pick(int(values().size()))];
        group.append(next);
    }
    return group;
}

inline void writeOdt(const QString &path, Choices &c)
{
    ZipWriter zip(path);
    zip.addData(QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text", ZipWriter::Stored);
    zip.addData(QStringLiteral("content.xml"), odtPart(c, "document-content", "body"), ZipWriter::Deflated);
    zip.addData(QStringLiteral("styles.xml"), odtPart(c, "document-styles", "master-styles"),
                c.pick(2) ? ZipWriter::Deflated : ZipWriter::Stored);
    zip.close();
}

inline QString wordRun(const QString &text, bool bold)
{
    return QStringLiteral("<w:r>") + (bold ? QStringLiteral("<w:rPr><w:b/></w:rPr>") : QString())
           + QStringLiteral("<w:t xml:space=\"preserve\">") + text + QStringLiteral("</w:t></w:r>");
}

inline QString wordInline(Choices &c, int depth)
{
    QString out;
    const int count = 1 + c.pick(5);
    for (int i = 0; i < count; ++i) {
        switch (depth > 2 ? 0 : c.pick(8)) {
        case 0: out += wordRun(textPiece(c), c.pick(2)); break;
        case 7: out += wordRun(languagePiece(c), c.pick(2)); break;
        case 1: out += QStringLiteral("<w:hyperlink r:id=\"rId9\">") + wordInline(c, depth + 1) + QStringLiteral("</w:hyperlink>"); break;
        case 2: out += QStringLiteral("<w:proofErr w:type=\"spellStart\"/>"); break;
        case 3: out += QStringLiteral("<w:bookmarkStart w:id=\"0\" w:name=\"") + attributeValue(c) + QStringLiteral("\"/>"); break;
        case 4: out += QStringLiteral("<w:r><w:tab/></w:r>"); break;
        case 5:
            out += QStringLiteral("<w:fldSimple w:instr=\"") + attributeValue(c) + QStringLiteral("\">") + wordInline(c, depth + 1)
                   + QStringLiteral("</w:fldSimple>");
            break;
        default: out += QStringLiteral("<w:r><w:instrText>[B]</w:instrText></w:r>"); break;
        }
    }
    return out;
}

inline QString wordParagraphs(Choices &c)
{
    QString out;
    const int count = 1 + c.pick(4);
    for (int i = 0; i < count; ++i) {
        const QString p = QStringLiteral("<w:p>") + wordInline(c, 0) + QStringLiteral("</w:p>");
        out += c.pick(4) == 0 ? QStringLiteral("<w:tbl><w:tr><w:tc>") + p + QStringLiteral("</w:tc></w:tr></w:tbl>") : p;
    }
    return out;
}

inline TWordFields wordFields(Choices &c)
{
    TWordFields fields;
    const QList<TFieldValues> group = fieldGroup(c);
    for (const auto &[name, value] : group.first()) {
        fields.headers.append(name);
        fields.record.append(value);
    }
    if (group.size() > 1)
        for (const TFieldValues &data : group) {
            QStringList record;
            for (const auto &pair : data)
                record.append(pair.second);
            fields.group.append(record);
        }
    if (c.pick(2))
        fields.personal = QList<std::pair<QString, QString>>{{names()[c.pick(int(names().size()))],
                                                              values()[c.pick(int(values().size()))]}};
    fields.Colontit = c.pick(2);
    return fields;
}

// Empty when both packages hold the same entries, in order, with the same methods and contents.
inline QString packageDifference(const Package &a, const Package &b)
{
    if (a.count() != b.count())
        return QStringLiteral("entries: %1 against %2").arg(a.count()).arg(b.count());
    for (int i = 0; i < a.count(); ++i) {
        if (a.name(i) != b.name(i) || a.method(i) != b.method(i))
            return QStringLiteral("entry %1: %2 against %3").arg(i).arg(a.name(i), b.name(i));
        if (a.data(i) != b.data(i))
            return a.name(i) + QStringLiteral(":\n") + QString::fromUtf8(a.data(i)) + QStringLiteral("\nagainst\n")
                   + QString::fromUtf8(b.data(i));
    }
    return QString();
}

// Empty when every part of package that the fill may have changed is well-formed XML.
inline QString malformedPart(const Package &package, const QStringList &parts)
{
    for (const QString &part : parts) {
        const int i = package.indexOf(part, Qt::CaseInsensitive);
        if (i < 0)
            continue;
        QXmlStreamReader xml(package.data(i));
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            return part + QStringLiteral(" is no well-formed XML: ") + xml.errorString() + QStringLiteral("\n")
                   + QString::fromUtf8(package.data(i));
    }
    return QString();
}

// The message a fill throws, or empty when it succeeds.
template <typename Fill>
QString failureOf(Fill fill)
{
    try {
        fill();
    } catch (const DokravaError &e) {
        return e.message();
    }
    return QString();
}

// Compares a template filled both ways: empty when both fail alike, or give the same document
// whose parts are well-formed.
inline QString bothWays(const QString &wholeError, const std::function<Package()> &whole, const QString &compiledError,
                        const std::optional<Package> &compiled, const QStringList &parts)
{
    if (wholeError != compiledError)
        return QStringLiteral("errors: «%1» against «%2»").arg(compiledError, wholeError);
    if (!compiled)
        return QString();
    const Package wholePackage = whole();
    const QString difference = packageDifference(*compiled, wholePackage);
    return difference.isEmpty() ? malformedPart(wholePackage, parts) : difference;
}

// Fills a template made from the choices both ways; empty when both give the same, well-formed
// document. folder holds the files.
inline QString odtDifference(const QString &folder, Choices &c)
{
    const QString templ = folder + QStringLiteral("/t.odt"), perDocument = folder + QStringLiteral("/one.odt");
    writeOdt(templ, c);
    const QList<TFieldValues> group = fieldGroup(c);
    const QString wholeError = failureOf([&] { TODTProcessor().ProcessODTGroup(templ, perDocument, group); });
    std::optional<Package> compiled;
    const QString compiledError = failureOf([&] { compiled = OdtTemplate(templ).filledGroup(group); });
    return bothWays(wholeError, [&] { return Package(perDocument); }, compiledError, compiled,
                    {QStringLiteral("content.xml"), QStringLiteral("styles.xml")});
}

inline QString wordDifference(const QString &folder, Choices &c)
{
    const QString templ = folder + QStringLiteral("/t.docx");
    DocxFixture::write(templ, wordParagraphs(c), wordParagraphs(c), wordParagraphs(c));
    const TWordFields fields = wordFields(c);
    DocxDocument doc(templ);
    std::optional<Package> whole, compiled;
    const QString wholeError = failureOf([&] {
        FillWordDocument(doc, TReplaceOptions{true}, fields);
        whole = doc.edited();
    });
    const QString compiledError = failureOf([&] { compiled = DocxTemplate(templ).filled(fields); });
    return bothWays(wholeError, [&] { return *whole; }, compiledError, compiled,
                    QStringList{doc.mainPart()} + doc.headerParts() + doc.footerParts());
}

} // namespace FillPaths
