#include "sheets/XlsxWorkbook.h"

#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/XmlEdit.h"
#include "sheets/CellText.h"
#include "sheets/XlsxSheetCells.h"
#include "zip/ZipReader.h"
#include "zip/ZipWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>

namespace dokrava {

namespace {

using XlsxSheetCells::kMaxCols;
using XlsxSheetCells::kMaxRows;

struct Rel
{
    QString id;
    QString type;
    QString target; // resolved package path
    XmlEdit::Element element;
};

QString fileLabel(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString partFolder(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsPathFor(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return partFolder(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

QString resolveTarget(const QString &folder, QString target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList out = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &seg : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (seg == QLatin1String(".."))
            out.isEmpty() ? void() : out.removeLast();
        else if (seg != QLatin1String("."))
            out << seg;
    }
    return out.join(QLatin1Char('/'));
}

int entryIndex(const ZipReader &zip, const QString &name)
{
    int i = zip.indexOf(name);
    if (i >= 0)
        return i;
    // Part names are compared without regard to case.
    for (int k = 0; k < zip.count(); ++k)
        if (zip.name(k).compare(name, Qt::CaseInsensitive) == 0)
            return k;
    return -1;
}

QByteArray readEntry(ZipReader &zip, const QString &name, bool *found = nullptr)
{
    const int i = entryIndex(zip, name);
    if (found)
        *found = i >= 0;
    return i < 0 ? QByteArray() : zip.data(i);
}

QList<Rel> parseRels(const QString &xml, const QString &sourcePart)
{
    QList<Rel> rels;
    const XmlEdit ed(xml, relsPathFor(sourcePart));
    for (const XmlEdit::Element &e : ed.find(QStringLiteral("Relationship"))) {
        Rel r;
        r.id = XmlEdit::attribute(e.attributes, QStringLiteral("Id"));
        r.type = XmlEdit::attribute(e.attributes, QStringLiteral("Type"));
        const QString target = XmlEdit::attribute(e.attributes, QStringLiteral("Target"));
        const bool external = XmlEdit::attribute(e.attributes, QStringLiteral("TargetMode"))
                              == QLatin1String("External");
        r.target = external ? target : resolveTarget(partFolder(sourcePart), target);
        r.element = e;
        rels << r;
    }
    return rels;
}

bool typeIs(const QString &relType, const char *last)
{
    return relType.endsWith(QLatin1Char('/') + QLatin1String(last));
}

// The relationship id attribute of <sheet>: r:id in the transitional or the strict namespace.
QString relId(const QXmlStreamAttributes &attrs)
{
    for (const QXmlStreamAttribute &a : attrs)
        if (a.name() == QLatin1String("id") && a.namespaceUri().toString().contains(QLatin1String("relationships")))
            return a.value().toString();
    return QString();
}

// Text of an <si> or <is>: its own <t>, or the <t> of its runs; phonetic runs are left out.
QString readStringItem(QXmlStreamReader &xml)
{
    QString text;
    int skipDepth = 0;
    int depth = 1;
    while (!xml.atEnd() && depth > 0) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (skipDepth == 0 && (xml.name() == QLatin1String("rPh") || xml.name() == QLatin1String("phoneticPr")))
                skipDepth = depth;
            else if (skipDepth == 0 && xml.name() == QLatin1String("t"))
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements), --depth;
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == skipDepth)
                skipDepth = 0;
            --depth;
        }
    }
    return XlsxWorkbook::decodeEscapes(text);
}

// The <v> and <is> of a <c>, read up to its end tag.
void readCellContent(QXmlStreamReader &xml, QString *v, bool *hasV, QString *inlineText, bool *hasInline)
{
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("c"))
            return;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("v")) {
            *v = xml.readElementText();
            *hasV = true;
        } else if (xml.name() == QLatin1String("is")) {
            *inlineText = readStringItem(xml);
            *hasInline = true;
        } else {
            xml.skipCurrentElement();
        }
    }
}

QString damaged(const QString &path, const QString &why)
{
    return QStringLiteral("Файл \"%1\" повреждён или не является книгой Excel (.xlsx): %2")
        .arg(fileLabel(path), why);
}

} // namespace

struct XlsxWorkbook::Parts
{
    QString workbook;
    QString styles;
    QString shared;
    QString calcChain;
    QList<Rel> workbookRels;
    QString workbookXml;
};

// ---- reading -------------------------------------------------------------------------------

void XlsxWorkbook::readPackage(ZipReader &zip, Parts &parts) const
{
    bool found = false;
    const QString rootRels = XmlEdit::decode(readEntry(zip, QStringLiteral("_rels/.rels"), &found));
    if (found) {
        for (const Rel &r : parseRels(rootRels, QString()))
            if (typeIs(r.type, "officeDocument"))
                parts.workbook = r.target;
    }
    if (parts.workbook.isEmpty())
        parts.workbook = QStringLiteral("xl/workbook.xml");
    parts.workbookXml = XmlEdit::decode(readEntry(zip, parts.workbook, &found));
    if (!found)
        throw DokravaError(damaged(m_path, QStringLiteral("нет части книги ") + parts.workbook));
    parts.workbookRels = parseRels(XmlEdit::decode(readEntry(zip, relsPathFor(parts.workbook))), parts.workbook);
    for (const Rel &r : std::as_const(parts.workbookRels)) {
        if (typeIs(r.type, "styles"))
            parts.styles = r.target;
        else if (typeIs(r.type, "sharedStrings"))
            parts.shared = r.target;
        else if (typeIs(r.type, "calcChain"))
            parts.calcChain = r.target;
    }
}

void XlsxWorkbook::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(fileLabel(path)));
    close();
    m_path = path;
    try {
        ZipReader zip(path);
        Parts parts;
        readPackage(zip, parts);
        const XmlEdit wb(parts.workbookXml, parts.workbook);
        const XmlEdit::Element pr = wb.first(QStringLiteral("workbookPr"));
        if (pr.start >= 0) {
            const QString v = XmlEdit::attribute(pr.attributes, QStringLiteral("date1904"));
            m_date1904 = v == QLatin1String("1") || v == QLatin1String("true");
        }
        for (const XmlEdit::Element &e : wb.find(QStringLiteral("sheet"))) {
            Sheet s;
            s.name = XmlEdit::attribute(e.attributes, QStringLiteral("name"));
            const QString id = relId(e.attributes);
            for (const Rel &r : std::as_const(parts.workbookRels))
                if (r.id == id) {
                    s.part = r.target;
                    s.worksheet = typeIs(r.type, "worksheet");
                }
            m_sheets << s;
        }
        if (m_sheets.isEmpty())
            throw DokravaError(damaged(path, QStringLiteral("в книге нет листов")));
        if (!parts.shared.isEmpty())
            readSharedStrings(zip, parts.shared);
        if (!parts.styles.isEmpty())
            readStyles(zip, parts.styles);
    } catch (...) {
        close();
        throw;
    }
    m_path = path;
    setActiveSheet(0);
}

void XlsxWorkbook::readSharedStrings(ZipReader &zip, const QString &part)
{
    QXmlStreamReader xml(readEntry(zip, part));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            m_shared << readStringItem(xml);
    }
    if (xml.hasError())
        throw DokravaError(damaged(m_path, part + QStringLiteral(": ") + xml.errorString()));
}

void XlsxWorkbook::readStyles(ZipReader &zip, const QString &part)
{
    const XmlEdit styles(XmlEdit::decode(readEntry(zip, part)), part);
    QHash<int, QString> codes;
    for (const XmlEdit::Element &e : styles.find(QStringLiteral("numFmt")))
        codes.insert(XmlEdit::attribute(e.attributes, QStringLiteral("numFmtId")).toInt(),
                     XmlEdit::attribute(e.attributes, QStringLiteral("formatCode")));
    const XmlEdit::Element cellXfs = styles.first(QStringLiteral("cellXfs"));
    if (cellXfs.start < 0)
        return;
    for (const XmlEdit::Element &e : styles.find(QStringLiteral("xf"))) {
        if (e.start < cellXfs.start || e.end > cellXfs.end || e.depth != cellXfs.depth + 1)
            continue;
        const int id = XmlEdit::attribute(e.attributes, QStringLiteral("numFmtId")).toInt();
        m_xfKind << formatKind(id, codes.value(id));
    }
}

int XlsxWorkbook::formatKind(int id, const QString &code)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return 1;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return 2;
    if (code.isEmpty())
        return 0;
    // Only the letters that stand for date parts count: quoted text, escaped characters and
    // bracketed colours or locales are left out; the first section decides.
    QString letters;
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar ch = code[i];
        if (quoted) {
            quoted = ch != QLatin1Char('"');
        } else if (bracket) {
            bracket = ch != QLatin1Char(']');
            if (ch == QLatin1Char('h') || ch == QLatin1Char('H'))
                letters += QLatin1Char('h'); // [h]:mm elapsed time
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char('[')) {
            bracket = true;
        } else if (ch == QLatin1Char('\\') || ch == QLatin1Char('_') || ch == QLatin1Char('*')) {
            ++i;
        } else if (ch == QLatin1Char(';')) {
            break;
        } else {
            letters += ch.toLower();
        }
    }
    if (letters.contains(QLatin1Char('d')) || letters.contains(QLatin1Char('y')))
        return 1;
    if (letters.contains(QLatin1Char('h')) || letters.contains(QLatin1Char('s')))
        return 2;
    return letters.contains(QLatin1Char('m')) ? 1 : 0;
}

QString XlsxWorkbook::valueText(const QString &type, int style, const QString &v, bool hasV,
                                const QString &inlineText, bool hasInline) const
{
    if (type == QLatin1String("inlineStr"))
        return hasInline ? inlineText : decodeEscapes(v);
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int i = v.trimmed().toInt(&ok);
        if (!ok || i < 0 || i >= m_shared.size())
            throw DokravaError(damaged(m_path, QStringLiteral("ссылка на несуществующую строку")));
        return m_shared[i];
    }
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return decodeEscapes(v);
    if (type == QLatin1String("b"))
        return CellText::boolean(v.trimmed() == QLatin1String("1") || v.trimmed() == QLatin1String("true"));
    if (type == QLatin1String("d"))
        return CellText::isoDate(v);
    Q_UNUSED(hasV);
    bool ok = false;
    const double d = v.trimmed().toDouble(&ok);
    if (!ok)
        return v;
    const int kind = style >= 0 && style < m_xfKind.size() ? m_xfKind[style] : 0;
    if (kind == 0)
        return CellText::number(d);
    return CellText::serialDate(d, m_date1904, kind == 2);
}

void XlsxWorkbook::loadSheet(int index)
{
    const Sheet &sheet = m_sheets[index];
    if (!sheet.worksheet || sheet.part.isEmpty())
        return; // a chart sheet has no cells
    ZipReader zip(m_path);
    QXmlStreamReader xml(readEntry(zip, sheet.part));
    int row = 0;
    int col = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const int r = xml.attributes().value(QLatin1String("r")).toInt();
            row = r > 0 ? r : row + 1;
            col = 0;
        } else if (xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes a = xml.attributes();
            int r = row, c = col + 1;
            if (a.hasAttribute(QLatin1String("r")) && !XlsxSheetCells::parseCellRef(a.value(QLatin1String("r")), &r, &c))
                throw DokravaError(damaged(m_path, QStringLiteral("неверная ссылка на ячейку")));
            row = std::max(row, r);
            col = c;
            const QString type = a.value(QLatin1String("t")).toString();
            const int style = a.hasAttribute(QLatin1String("s")) ? a.value(QLatin1String("s")).toInt() : 0;
            QString v, inlineText;
            bool hasV = false, hasInline = false;
            readCellContent(xml, &v, &hasV, &inlineText, &hasInline);
            const bool hasValue = type == QLatin1String("inlineStr") ? (hasInline || hasV)
                                                                       : (hasV && !(v.isEmpty() && type != QLatin1String("str")));
            if (hasValue && r >= 1 && c >= 1)
                cells().insert(key(r, c), valueText(type, style, v, hasV, inlineText, hasInline));
        }
    }
    if (xml.hasError())
        throw DokravaError(damaged(m_path, sheet.part + QStringLiteral(": ") + xml.errorString()));
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const Sheet &s : m_sheets)
        names << s.name;
    return names;
}

void XlsxWorkbook::close()
{
    m_sheets.clear();
    m_shared.clear();
    m_xfKind.clear();
    m_date1904 = false;
    TSpreadsheet::close();
}

// ---- escapes and names ---------------------------------------------------------------------

QString XlsxWorkbook::decodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x')
            && text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QString XlsxWorkbook::encodeEscapes(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const bool control = ch.unicode() < 0x20 && ch != QLatin1Char('\t') && ch != QLatin1Char('\n');
        const bool forbidden = ch.unicode() == 0xFFFE || ch.unicode() == 0xFFFF;
        bool literalEscape = false;
        if (ch == QLatin1Char('_') && i + 6 < text.size() && text[i + 1] == QLatin1Char('x')
            && text[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            (void)QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
            literalEscape = ok;
        }
        if (control || forbidden || literalEscape)
            out += QStringLiteral("_x%1_").arg(ch.unicode(), 4, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("_X"), QLatin1String("_x"));
        else
            out += ch;
    }
    return out;
}

QString XlsxWorkbook::columnName(int col)
{
    QString name;
    while (col > 0) {
        const int rem = (col - 1) % 26;
        name.prepend(QChar(char16_t('A' + rem)));
        col = (col - 1) / 26;
    }
    return name;
}

// ---- saving --------------------------------------------------------------------------------

namespace {

const char kMinimalStyles[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

bool zeroOrAbsent(const QXmlStreamAttributes &a, const char *name)
{
    const QString v = XmlEdit::attribute(a, QLatin1String(name));
    return v.isEmpty() || v == QLatin1String("0");
}

// Finds or appends the cell format "text, default font, no fill, no border"; returns its index.
int ensureTextStyle(QString &stylesXml, const QString &part)
{
    XmlEdit ed(stylesXml, part);
    const XmlEdit::Element cellXfs = ed.first(QStringLiteral("cellXfs"));
    QList<XmlEdit::Element> xfs;
    for (const XmlEdit::Element &e : ed.find(QStringLiteral("xf")))
        if (cellXfs.start >= 0 && e.start > cellXfs.start && e.end <= cellXfs.end && e.depth == cellXfs.depth + 1)
            xfs << e;
    for (int i = 0; i < xfs.size(); ++i) {
        const auto &a = xfs[i].attributes;
        if (XmlEdit::attribute(a, QStringLiteral("numFmtId")) == QLatin1String("49") && zeroOrAbsent(a, "fontId")
            && zeroOrAbsent(a, "fillId") && zeroOrAbsent(a, "borderId") && xfs[i].isEmpty())
            return i;
    }
    const QString prefix = cellXfs.start >= 0 ? cellXfs.prefix() : QString();
    const QString xf = QStringLiteral("<%1xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
                                      "applyNumberFormat=\"1\"/>").arg(prefix);
    if (cellXfs.start < 0)
        throw DokravaError(QStringLiteral("Повреждена часть \"%1\" книги: нет списка форматов ячеек").arg(part));
    if (cellXfs.isEmpty()) {
        ed.replace(cellXfs, QStringLiteral("<%1cellXfs count=\"1\">%2</%1cellXfs>").arg(prefix, xf));
    } else {
        const qsizetype endTag = stylesXml.lastIndexOf(QLatin1String("</"), cellXfs.end - 1);
        ed.insert(endTag, xf);
        ed.setAttribute(cellXfs, QStringLiteral("count"), QString::number(xfs.size() + 1));
    }
    stylesXml = ed.apply();
    return int(xfs.size());
}

QString removeRelationships(const QString &xml, const QString &part, const QSet<QString> &ids)
{
    XmlEdit ed(xml, part);
    for (const XmlEdit::Element &e : ed.find(QStringLiteral("Relationship")))
        if (ids.contains(XmlEdit::attribute(e.attributes, QStringLiteral("Id"))))
            ed.remove(e);
    return ed.apply();
}

// Drops the content-type overrides of removed parts and adds those of new ones.
QString updateContentTypes(const QString &xml, const QSet<QString> &removed, const QString &addPart,
                           const QString &addType)
{
    XmlEdit ed(xml, QStringLiteral("[Content_Types].xml"));
    for (const XmlEdit::Element &e : ed.find(QStringLiteral("Override"))) {
        const QString name = XmlEdit::attribute(e.attributes, QStringLiteral("PartName"));
        if (removed.contains(name.mid(1).toLower()))
            ed.remove(e);
    }
    if (!addPart.isEmpty()) {
        const XmlEdit::Element root = ed.first(QStringLiteral("Types"));
        const qsizetype endTag = xml.lastIndexOf(QLatin1String("</"), root.end - 1);
        ed.insert(endTag, QStringLiteral("<Override PartName=\"/%1\" ContentType=\"%2\"/>").arg(addPart, addType));
    }
    return ed.apply();
}

// Asks for a full recalculation when the workbook is next opened: formulas elsewhere may refer
// to the rewritten sheet, and their stored results would otherwise be stale.
QString requestRecalculation(const QString &xml, const QString &part)
{
    XmlEdit ed(xml, part);
    const XmlEdit::Element calcPr = ed.first(QStringLiteral("calcPr"));
    if (calcPr.start >= 0) {
        ed.setAttribute(calcPr, QStringLiteral("fullCalcOnLoad"), QStringLiteral("1"));
        return ed.apply();
    }
    // calcPr follows these in the workbook's element order.
    XmlEdit::Element after;
    after.start = -1;
    for (const char *name : {"sheets", "functionGroups", "externalReferences", "definedNames"}) {
        const XmlEdit::Element e = ed.first(QLatin1String(name));
        if (e.start >= 0 && e.depth == 1)
            after = e;
    }
    if (after.start < 0)
        return xml;
    ed.insert(after.end, QStringLiteral("<%1calcPr fullCalcOnLoad=\"1\"/>").arg(after.prefix()));
    return ed.apply();
}

// The cell format index for written cells: found or added in the styles part, which is created
// (with its relationship) when the workbook has none.
int prepareTextStyle(ZipReader &zip, const QString &workbook, const QString &stylesPart, QString &workbookRels,
                     QHash<QString, QByteArray> &replaced, QString &addedPart)
{
    if (!stylesPart.isEmpty() && entryIndex(zip, stylesPart) >= 0) {
        QString styles = XmlEdit::decode(readEntry(zip, stylesPart));
        const int index = ensureTextStyle(styles, stylesPart);
        replaced.insert(stylesPart.toLower(), styles.toUtf8());
        return index;
    }
    addedPart = partFolder(workbook) + QStringLiteral("styles.xml");
    replaced.insert(addedPart.toLower(), QByteArray(kMinimalStyles));
    XmlEdit ed(workbookRels, relsPathFor(workbook));
    const XmlEdit::Element root = ed.first(QStringLiteral("Relationships"));
    ed.insert(workbookRels.lastIndexOf(QLatin1String("</"), root.end - 1),
              QStringLiteral("<Relationship Id=\"rIdDokravaStyles\" Type=\"http://schemas.openxmlformats.org/"
                             "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"));
    workbookRels = ed.apply();
    return 1;
}

// Writes the package beside target with the entries in their order, replaced ones swapped in,
// dropped ones left out, an added part at the end; then lets go of the package read (zip
// names target) and moves the new one over target.
void writePackage(ZipReader &zip, const QString &target, QHash<QString, QByteArray> replaced,
                  const QSet<QString> &dropped, const QString &addedPart)
{
    PendingFile pending(target);
    {
        ZipWriter out(pending);
        for (int i = 0; i < zip.count(); ++i) {
            const QString name = zip.name(i);
            const QString lower = name.toLower();
            if (dropped.contains(lower))
                continue;
            const ZipWriter::Method method = zip.method(i) == 0 ? ZipWriter::Stored : ZipWriter::Deflated;
            if (replaced.contains(lower))
                out.addData(name, replaced.take(lower), method, zip.modified(i));
            else
                out.addData(name, zip.data(i), method, zip.modified(i));
        }
        if (!addedPart.isEmpty())
            out.addData(addedPart, replaced.take(addedPart.toLower()), ZipWriter::Deflated);
        out.close();
    }
    zip.close();
    pending.commit();
}

} // namespace

QByteArray XlsxWorkbook::newSheetPart(ZipReader &zip, int textStyle, QStringList &tableRelIds) const
{
    XlsxSheetCells::Area area;
    area.rows = clearedRows();
    area.cols = clearedCols();
    area.cells = writtenOutside();
    XlsxSheetCells::Values values;
    for (auto it = cells().cbegin(); it != cells().cend(); ++it) {
        const int r = keyRow(it.key()), c = keyCol(it.key());
        if (!rewritten(r, c))
            continue;
        if (r > kMaxRows || c > kMaxCols)
            throw DokravaError(QStringLiteral("Таблица не помещается на лист книги \"%1\": не больше %2 строк и %3 колонок")
                                   .arg(QFileInfo(m_path).fileName()).arg(kMaxRows).arg(kMaxCols));
        values[r][c] = it.value();
    }
    const QString part = m_sheets[activeSheet()].part;
    // A table stays when it lies wholly outside the rewritten cells.
    const auto tableRange = [&zip, &part](const QString &id) {
        bool found = false;
        const QByteArray rels = readEntry(zip, relsPathFor(part), &found);
        for (const Rel &r : found ? parseRels(XmlEdit::decode(rels), part) : QList<Rel>())
            if (r.id == id) {
                const XmlEdit table(XmlEdit::decode(readEntry(zip, r.target)), r.target);
                return XmlEdit::attribute(table.first(QStringLiteral("table")).attributes, QStringLiteral("ref"));
            }
        return QString();
    };
    return XlsxSheetCells::rewrite(XmlEdit::decode(readEntry(zip, part)), part, area, values, textStyle, tableRange,
                                   tableRelIds)
        .toUtf8();
}

void XlsxWorkbook::save()
{
    if (m_sheets.isEmpty())
        throw DokravaError(QStringLiteral("Книга не открыта"));
    if (!QFileInfo(m_path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(fileLabel(m_path)));
    const Sheet &sheet = m_sheets[activeSheet()];
    if (!sheet.worksheet || sheet.part.isEmpty())
        throw DokravaError(QStringLiteral("Лист \"%1\" не содержит ячеек, в него нельзя записать таблицу").arg(sheet.name));

    CheckWritable(m_path);
    ZipReader zip(m_path);
    Parts parts;
    readPackage(zip, parts);
    QHash<QString, QByteArray> replaced; // lower-case part name -> new content
    QSet<QString> dropped;               // lower-case part names
    QString addedPart;

    // Styles: the text format for every written cell.
    QString workbookRels = XmlEdit::decode(readEntry(zip, relsPathFor(parts.workbook)));
    const int textStyle = prepareTextStyle(zip, parts.workbook, parts.styles, workbookRels, replaced, addedPart);

    // The calculation chain lists formula cells that may no longer exist.
    if (!parts.calcChain.isEmpty()) {
        dropped << parts.calcChain.toLower();
        QSet<QString> ids;
        for (const Rel &r : std::as_const(parts.workbookRels))
            if (typeIs(r.type, "calcChain"))
                ids << r.id;
        workbookRels = removeRelationships(workbookRels, relsPathFor(parts.workbook), ids);
    }
    replaced.insert(relsPathFor(parts.workbook).toLower(), workbookRels.toUtf8());
    replaced.insert(parts.workbook.toLower(), requestRecalculation(parts.workbookXml, parts.workbook).toUtf8());

    // The sheet itself, and the tables it no longer holds.
    QStringList tableRelIds;
    replaced.insert(sheet.part.toLower(), newSheetPart(zip, textStyle, tableRelIds));
    if (!tableRelIds.isEmpty()) {
        const QString relsPath = relsPathFor(sheet.part);
        const QString rels = XmlEdit::decode(readEntry(zip, relsPath));
        QSet<QString> ids(tableRelIds.cbegin(), tableRelIds.cend());
        for (const Rel &r : parseRels(rels, sheet.part))
            if (ids.contains(r.id))
                dropped << r.target.toLower();
        replaced.insert(relsPath.toLower(), removeRelationships(rels, relsPath, ids).toUtf8());
    }
    const QString types = XmlEdit::decode(readEntry(zip, QStringLiteral("[Content_Types].xml")));
    replaced.insert(QStringLiteral("[content_types].xml"),
                    updateContentTypes(types, dropped, addedPart,
                                       QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"))
                        .toUtf8());

    writePackage(zip, m_path, replaced, dropped, addedPart);
}

} // namespace dokrava
