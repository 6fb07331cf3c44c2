#pragma once

#include "DocxFixture.h"
#include "OdtFixture.h"

#include "base/XmlNode.h"
#include "zip/Package.h"

#include <QString>
#include <QStringList>

#include <functional>

using namespace dokrava;

// Small ".odt" and ".docx" templates written from the same lines, and the lines read back from a
// filled document, for the tests of the template language. A line is
//   "P:text"  a paragraph;                 "L:text" a list item (Word: a numbered paragraph);
//   "T"       a table opens, "/T" it ends; "R:a|b"  a row, cells parted by "|", a cell's
//                                                   paragraphs by "//";
//   "H:text"  a header paragraph;          "F:text" a footer paragraph.
// In text, "{" and "}" open and close a piece in other formatting (a span, a bold run), so a
// placeholder or a marker can be split by formatting.
namespace LanguageFixture {

inline QString escaped(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('&'), QLatin1String("&amp;")).replace(QLatin1Char('<'), QLatin1String("&lt;"));
    return s.replace(QLatin1Char('>'), QLatin1String("&gt;"));
}

inline QString odtInline(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('{'))
            out += QStringLiteral("<text:span text:style-name=\"T1\">");
        else if (c == QLatin1Char('}'))
            out += QStringLiteral("</text:span>");
        else
            out += escaped(QString(c));
    }
    return out;
}

inline QString wordInline(const QString &text)
{
    QString out, piece;
    bool bold = false;
    const auto flush = [&] {
        if (!piece.isEmpty())
            out += QStringLiteral("<w:r>") + (bold ? QStringLiteral("<w:rPr><w:b/></w:rPr>") : QString())
                   + QStringLiteral("<w:t xml:space=\"preserve\">") + escaped(piece) + QStringLiteral("</w:t></w:r>");
        piece.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('{') || c == QLatin1Char('}')) {
            flush();
            bold = c == QLatin1Char('{');
        } else {
            piece += c;
        }
    }
    flush();
    return out;
}

struct Markup
{
    std::function<QString(const QString &)> paragraph;
    std::function<QString(const QString &)> listItem; // a whole list of one item
    QString tableOpen, tableClose, rowOpen, rowClose, cellOpen, cellClose;
};

inline QString bodyOf(const QStringList &lines, const Markup &m, bool odt)
{
    QString out;
    bool inList = false;
    for (const QString &line : lines) {
        const bool listItem = line.startsWith(QLatin1String("L:"));
        if (odt && inList && !listItem)
            out += QStringLiteral("</text:list>");
        if (odt && !inList && listItem)
            out += QStringLiteral("<text:list text:style-name=\"L1\">");
        inList = listItem;
        if (line.startsWith(QLatin1String("P:")))
            out += m.paragraph(line.mid(2));
        else if (listItem)
            out += m.listItem(line.mid(2));
        else if (line == QLatin1String("T"))
            out += m.tableOpen;
        else if (line == QLatin1String("/T"))
            out += m.tableClose;
        else if (line.startsWith(QLatin1String("R:"))) {
            out += m.rowOpen;
            for (const QString &cell : line.mid(2).split(QLatin1Char('|'))) {
                out += m.cellOpen;
                for (const QString &p : cell.split(QStringLiteral("//")))
                    out += m.paragraph(p);
                out += m.cellClose;
            }
            out += m.rowClose;
        }
    }
    if (odt && inList)
        out += QStringLiteral("</text:list>");
    return out;
}

inline QStringList linesStarting(const QStringList &lines, const QString &prefix, bool keep)
{
    QStringList out;
    for (const QString &line : lines)
        if (line.startsWith(prefix) == keep)
            out.append(line.mid(keep ? 2 : 0));
    return out;
}

// The lines with the prefix ("H:", "F:") as paragraphs.
inline QString paragraphsOf(const QStringList &lines, const QString &prefix, const Markup &m)
{
    QString out;
    for (const QString &t : linesStarting(lines, prefix, true))
        out += m.paragraph(t);
    return out;
}

inline QStringList bodyLines(const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines)
        if (!line.startsWith(QLatin1String("H:")) && !line.startsWith(QLatin1String("F:")))
            out.append(line);
    return out;
}

inline void writeOdt(const QString &path, const QStringList &lines)
{
    Markup m;
    m.paragraph = [](const QString &t) { return QStringLiteral("<text:p text:style-name=\"P1\">") + odtInline(t) + QStringLiteral("</text:p>"); };
    m.listItem = [](const QString &t) { return QStringLiteral("<text:list-item><text:p>") + odtInline(t) + QStringLiteral("</text:p></text:list-item>"); };
    m.tableOpen = QStringLiteral("<table:table table:name=\"Таблица1\"><table:table-column table:number-columns-repeated=\"3\"/>");
    m.tableClose = QStringLiteral("</table:table>");
    m.rowOpen = QStringLiteral("<table:table-row>");
    m.rowClose = QStringLiteral("</table:table-row>");
    m.cellOpen = QStringLiteral("<table:table-cell office:value-type=\"string\">");
    m.cellClose = QStringLiteral("</table:table-cell>");
    const QString ns = QStringLiteral(
        " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
        " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
        " xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.2\"");
    const QString content = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content") + ns
                            + QStringLiteral("><office:body><office:text>") + bodyOf(bodyLines(lines), m, true)
                            + QStringLiteral("</office:text></office:body></office:document-content>");
    const QString header = paragraphsOf(lines, QStringLiteral("H:"), m), footer = paragraphsOf(lines, QStringLiteral("F:"), m);
    const QString styles = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-styles") + ns
                           + QStringLiteral("><office:master-styles><style:master-page style:name=\"Standard\"><style:header>")
                           + header + QStringLiteral("</style:header><style:footer>") + footer
                           + QStringLiteral("</style:footer></style:master-page></office:master-styles></office:document-styles>");
    OdtFixture::writePackage(path, content.toUtf8(), styles.toUtf8());
}

inline void writeDocx(const QString &path, const QStringList &lines)
{
    Markup m;
    m.paragraph = [](const QString &t) { return QStringLiteral("<w:p>") + wordInline(t) + QStringLiteral("</w:p>"); };
    m.listItem = [](const QString &t) {
        return QStringLiteral("<w:p><w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>")
               + wordInline(t) + QStringLiteral("</w:p>");
    };
    m.tableOpen = QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr>");
    m.tableClose = QStringLiteral("</w:tbl>");
    m.rowOpen = QStringLiteral("<w:tr><w:trPr><w:tblHeader/></w:trPr>");
    m.rowClose = QStringLiteral("</w:tr>");
    m.cellOpen = QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr>");
    m.cellClose = QStringLiteral("</w:tc>");
    const QString header = paragraphsOf(lines, QStringLiteral("H:"), m), footer = paragraphsOf(lines, QStringLiteral("F:"), m);
    DocxFixture::write(path, bodyOf(bodyLines(lines), m, false), header, footer);
}

// ---- Reading a filled document back ----

inline QString textOf(const XmlNode *node, bool odt)
{
    QString out;
    for (int i = 0; i < node->childCount(); ++i) {
        const XmlNode *c = node->child(i);
        if (c->kind() == XmlNode::Text) {
            if (odt || (node->name() == QLatin1String("w:t")))
                out += c->text();
            continue;
        }
        if (c->kind() != XmlNode::Element)
            continue;
        const QString &n = c->name();
        if (n == QLatin1String("text:s"))
            out += QString(qMax(1, c->attribute(QStringLiteral("text:c")).toInt()), QLatin1Char(' '));
        else if (n == QLatin1String("text:tab") || n == QLatin1String("w:tab"))
            out += QLatin1Char('\t');
        else if (n == QLatin1String("text:line-break") || n == QLatin1String("w:br"))
            out += QLatin1Char('\n');
        else if (n != QLatin1String("w:pPr") && n != QLatin1String("w:rPr"))
            out += textOf(c, odt);
    }
    return out;
}

inline bool isParagraph(const XmlNode *n)
{
    return n->kind() == XmlNode::Element
           && (n->name() == QLatin1String("text:p") || n->name() == QLatin1String("text:h") || n->name() == QLatin1String("w:p"));
}

inline bool isNumbered(const XmlNode *p)
{
    for (int i = 0; i < p->childCount(); ++i) {
        const XmlNode *c = p->child(i);
        if (c->kind() == XmlNode::Element && c->name() == QLatin1String("w:pPr"))
            for (int k = 0; k < c->childCount(); ++k)
                if (c->child(k)->name() == QLatin1String("w:numPr"))
                    return true;
    }
    return false;
}

// The lines of a body, a header or a footer: paragraphs, list items, tables and their rows.
// A Word table without rows or a cell without a paragraph gives a line "!…".
inline void readLines(const XmlNode *node, bool odt, const QString &prefix, QStringList &out)
{
    for (int i = 0; i < node->childCount(); ++i) {
        const XmlNode *c = node->child(i);
        if (c->kind() != XmlNode::Element)
            continue;
        const QString &n = c->name();
        if (isParagraph(c)) {
            out.append((isNumbered(c) ? QStringLiteral("L:") : prefix) + textOf(c, odt));
        } else if (n == QLatin1String("text:list")) {
            for (int k = 0; k < c->childCount(); ++k) {
                QStringList texts;
                const XmlNode *item = c->child(k);
                for (int j = 0; j < item->childCount(); ++j)
                    if (isParagraph(item->child(j)))
                        texts.append(textOf(item->child(j), odt));
                out.append(QStringLiteral("L:") + texts.join(QStringLiteral("//")));
            }
        } else if (n == QLatin1String("table:table") || n == QLatin1String("w:tbl")) {
            out.append(QStringLiteral("T"));
            int rows = 0;
            std::function<void(const XmlNode *)> walkRows = [&](const XmlNode *t) {
                for (int k = 0; k < t->childCount(); ++k) {
                    const XmlNode *r = t->child(k);
                    if (r->kind() != XmlNode::Element)
                        continue;
                    if (r->name() != QLatin1String("table:table-row") && r->name() != QLatin1String("w:tr")) {
                        if (r->name().startsWith(QLatin1String("table:table-")) && r->name().endsWith(QLatin1String("rows")))
                            walkRows(r);
                        continue;
                    }
                    ++rows;
                    QStringList cells;
                    for (int j = 0; j < r->childCount(); ++j) {
                        const XmlNode *cell = r->child(j);
                        if (cell->name() != QLatin1String("table:table-cell") && cell->name() != QLatin1String("w:tc"))
                            continue;
                        QStringList texts;
                        for (int q = 0; q < cell->childCount(); ++q)
                            if (isParagraph(cell->child(q)))
                                texts.append(textOf(cell->child(q), odt));
                        if (texts.isEmpty())
                            out.append(QStringLiteral("!a cell without a paragraph"));
                        cells.append(texts.join(QStringLiteral("//")));
                    }
                    out.append(QStringLiteral("R:") + cells.join(QLatin1Char('|')));
                }
            };
            walkRows(c);
            if (rows == 0)
                out.append(QStringLiteral("!a table without rows"));
            out.append(QStringLiteral("/T"));
        } else if (n == QLatin1String("style:header") || n == QLatin1String("style:footer")) {
            readLines(c, odt, n == QLatin1String("style:header") ? QStringLiteral("H:") : QStringLiteral("F:"), out);
        } else if (n != QLatin1String("w:sectPr")) {
            readLines(c, odt, prefix, out);
        }
    }
}

// Every line of a filled document: the body, then the headers, then the footers.
inline QStringList documentLines(const Package &package, bool odt)
{
    QStringList out;
    const auto read = [&](const QString &part, const QString &prefix) {
        const int i = package.indexOf(part);
        if (i < 0)
            return;
        const auto tree = XmlNode::parse(package.data(i), part);
        readLines(tree.get(), odt, prefix, out);
    };
    if (odt) {
        read(QStringLiteral("content.xml"), QStringLiteral("P:"));
        read(QStringLiteral("styles.xml"), QStringLiteral("P:"));
    } else {
        read(QStringLiteral("word/document.xml"), QStringLiteral("P:"));
        read(QStringLiteral("word/header1.xml"), QStringLiteral("H:"));
        read(QStringLiteral("word/footer1.xml"), QStringLiteral("F:"));
    }
    return out;
}

} // namespace LanguageFixture
