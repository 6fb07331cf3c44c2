#include "office/PdfStreamWriter.h"

#include "base/DokravaError.h"
#include "base/FailureReason.h"
#include "base/PendingFile.h"

#include <QDir>
#include <QUuid>

#include <cstdio>
#include <cstring>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace dokrava {

namespace {

// The page tree's root, the one /Parent of every page; numbered before any page is written.
constexpr int PageTree = 1;

// Memory taken by bytes waiting to be written; large enough that writes stay few.
constexpr qsizetype FlushAt = 1 << 20;

QByteArray reference(int number)
{
    return QByteArray::number(number) + " 0 R";
}

QByteArray rectangle(QPDFObjectHandle box)
{
    // A4 portrait for a page without a usable box, which readers assume as well.
    const QPDFObjectHandle::Rectangle r = box.isRectangle() ? box.getArrayAsRectangle()
                                                            : QPDFObjectHandle::Rectangle(0, 0, 595, 842);
    return QByteArray::fromStdString(QPDFObjectHandle::newFromRectangle(r).unparse());
}

// A name as written in a file: every byte that is no plain visible character, a delimiter or the
// escape "#" itself written as "#" and two hex digits. qpdf's own writing of names (11.3) leaves a
// "#" unescaped, which makes another name when the file is read.
QByteArray nameBytes(const std::string &name)
{
    QByteArray out = "/";
    for (size_t i = 1; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 33 || c > 126 || std::strchr("#()<>[]{}/%", c))
            out += '#' + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += char(c);
    }
    return out;
}

// "2.0" after "1.7": versions compared by their numbers, not as text ("1.10" is no PDF version).
bool newer(const QByteArray &version, const QByteArray &than)
{
    const QList<QByteArray> a = version.split('.'), b = than.split('.');
    bool ok[4] = {};
    const std::pair<int, int> x{a.value(0).toInt(&ok[0]), a.value(1).toInt(&ok[1])};
    const std::pair<int, int> y{b.value(0).toInt(&ok[2]), b.value(1).toInt(&ok[3])};
    return a.size() == 2 && b.size() == 2 && ok[0] && ok[1] && ok[2] && ok[3] && x > y;
}

} // namespace

PdfStreamWriter::PdfStreamWriter(const QString &path, const QString &target) : m_file(path), m_target(target)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail();
    m_offsets.push_back(-1); // the page tree, written last
    // The second line's bytes above 127 tell transfer programs that the file is binary.
    append("%PDF-1.7\n%\xbf\xf7\xa2\xfe\n");
}

int PdfStreamWriter::appendDocument(QPDF &source)
{
    if (m_source != &source) {
        endSource();
        m_source = &source;
        const QByteArray version = QByteArray::fromStdString(source.getPDFVersion());
        if (newer(version, m_version))
            m_version = version;
        // Resources, boxes and turn a page takes from the page tree go onto the page, which is
        // copied without its tree.
        QPDFPageDocumentHelper(source).pushInheritedAttributesToPage();
    }
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(source).getAllPages();
    // Every page is numbered before any is written, so links between pages of the document
    // reach its first copy's pages.
    std::vector<int> numbers;
    for (const QPDFPageObjectHelper &page : pages) {
        const QPDFObjGen id = page.getObjectHandle().getObjGen();
        const auto known = m_numbers.find(id);
        // A further copy gets a page object of its own over the contents already written.
        numbers.push_back(known == m_numbers.end() ? m_numbers[id] = reserve() : reserve());
    }
    for (size_t i = 0; i < pages.size(); ++i) {
        writeObject(pages[i].getObjectHandle(), numbers[i]);
        writeQueued();
        m_pages.push_back(numbers[i]);
    }
    if (!pages.empty())
        rememberShape(pages.back().getObjectHandle());
    return int(pages.size());
}

void PdfStreamWriter::endSource()
{
    m_source = nullptr;
    m_numbers.clear();
    m_queue.clear();
}

void PdfStreamWriter::rememberShape(QPDFObjectHandle page)
{
    QPDFPageObjectHelper helper(page);
    m_shape = "/MediaBox " + rectangle(helper.getMediaBox()) + " /CropBox " + rectangle(helper.getCropBox());
    QPDFObjectHandle rotate = helper.getAttribute("/Rotate", false);
    if (rotate.isInteger())
        m_shape += " /Rotate " + QByteArray::number(rotate.getIntValue());
}

void PdfStreamWriter::appendBlank()
{
    if (m_blankContents == 0) {
        m_blankContents = reserve();
        beginObject(m_blankContents);
        append("<< /Length 0 >>\nstream\n\nendstream\nendobj\n");
    }
    const int number = reserve();
    beginObject(number);
    append("<< /Type /Page /Parent " + reference(PageTree) + " "
           + (m_shape.isEmpty() ? "/MediaBox [ 0 0 595 842 ]" : m_shape) + " /Resources << >> /Contents "
           + reference(m_blankContents) + " >>\nendobj\n");
    m_pages.push_back(number);
}

void PdfStreamWriter::addBookmark(const QString &title, int page)
{
    m_bookmarks.append({title, m_pages.at(size_t(page))});
}

int PdfStreamWriter::reserve()
{
    m_offsets.push_back(-1);
    return int(m_offsets.size() - 1);
}

void PdfStreamWriter::beginObject(int number)
{
    m_offsets[size_t(number)] = m_flushed + m_buffer.size();
    append(QByteArray::number(number) + " 0 obj\n");
}

int PdfStreamWriter::numberOf(QPDFObjectHandle object)
{
    const QPDFObjGen id = object.getObjGen();
    const auto known = m_numbers.find(id);
    if (known != m_numbers.end())
        return known->second;
    const int number = reserve();
    m_numbers.emplace(id, number);
    m_queue.emplace_back(object, number);
    return number;
}

void PdfStreamWriter::writeQueued()
{
    while (!m_queue.empty()) {
        const auto [object, number] = m_queue.back();
        m_queue.pop_back();
        writeObject(object, number);
    }
}

void PdfStreamWriter::writeObject(QPDFObjectHandle object, int number)
{
    beginObject(number);
    if (object.isStream()) {
        // The data as stored, still compressed: nothing is decoded and compressed again.
        const std::shared_ptr<Buffer> data = object.getRawStreamData();
        writeDictionary(object.getDict(), false, qint64(data->getSize()));
        append("\nstream\n");
        append(QByteArray::fromRawData(reinterpret_cast<const char *>(data->getBuffer()), qsizetype(data->getSize())));
        append("\nendstream");
    } else {
        writeContents(object, object.isPageObject());
    }
    append("\nendobj\n");
}

void PdfStreamWriter::writeValue(QPDFObjectHandle value)
{
    if (value.isNull()) // also a reference to an object the source lacks
        append("null");
    else if (value.isIndirect())
        append(reference(numberOf(value)));
    else
        writeContents(value, false);
}

void PdfStreamWriter::writeContents(QPDFObjectHandle value, bool page)
{
    if (value.isDictionary())
        writeDictionary(value, page);
    else if (value.isArray()) {
        append("[");
        for (QPDFObjectHandle item : value.aitems()) {
            append(" ");
            writeValue(item);
        }
        append(" ]");
    } else if (value.isName()) {
        append(nameBytes(value.getName()));
    } else {
        // Numbers and strings as qpdf writes them, strings with the escapes their bytes need.
        append(QByteArray::fromStdString(value.unparse()));
    }
}

void PdfStreamWriter::writeDictionary(QPDFObjectHandle dictionary, bool page, qint64 streamLength)
{
    append("<<");
    for (const std::string &key : dictionary.getKeys()) {
        // A page hangs from this file's page tree, not from its source's (which would bring every
        // page of the source along); a stream's length is that of the data written.
        if ((page && key == "/Parent") || (streamLength >= 0 && key == "/Length"))
            continue;
        append(" " + nameBytes(key) + " ");
        writeValue(dictionary.getKey(key));
    }
    if (page)
        append(" /Parent " + reference(PageTree));
    if (streamLength >= 0)
        append(" /Length " + QByteArray::number(streamLength));
    append(" >>");
}

void PdfStreamWriter::finish()
{
    m_offsets[PageTree] = m_flushed + m_buffer.size();
    append(QByteArray::number(PageTree) + " 0 obj\n<< /Type /Pages /Count " + QByteArray::number(qint64(m_pages.size()))
           + " /Kids [");
    for (size_t i = 0; i < m_pages.size(); ++i)
        append((i % 10 == 0 ? "\n" : " ") + reference(m_pages[i]));
    append(" ] >>\nendobj\n");
    const int outline = writeOutline();
    const int catalog = reserve();
    beginObject(catalog);
    append("<< /Type /Catalog /Pages " + reference(PageTree));
    if (outline != 0) // readers open the file with its bookmarks shown
        append(" /Outlines " + reference(outline) + " /PageMode /UseOutlines");
    if (newer(m_version, "1.7"))
        append(" /Version /" + m_version);
    append(" >>\nendobj\n");
    writeCrossReferences(catalog);
    flush();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        fail();
}

int PdfStreamWriter::writeOutline()
{
    if (m_bookmarks.isEmpty())
        return 0;
    const int root = reserve();
    const int first = int(m_offsets.size()); // the bookmarks take the numbers after the root
    for (qsizetype i = 0; i < m_bookmarks.size(); ++i) {
        const int number = reserve();
        beginObject(number);
        const std::string title = QPDFObjectHandle::newUnicodeString(m_bookmarks[i].first.toStdString()).unparse();
        append("<< /Title " + QByteArray::fromStdString(title) + " /Parent " + reference(root) + " /Dest [ "
               + reference(m_bookmarks[i].second) + " /Fit ]");
        if (i > 0)
            append(" /Prev " + reference(number - 1));
        if (i + 1 < m_bookmarks.size())
            append(" /Next " + reference(number + 1));
        append(" >>\nendobj\n");
    }
    beginObject(root);
    append("<< /Type /Outlines /First " + reference(first) + " /Last " + reference(first + int(m_bookmarks.size()) - 1)
           + " /Count " + QByteArray::number(m_bookmarks.size()) + " >>\nendobj\n");
    return root;
}

void PdfStreamWriter::writeCrossReferences(int catalog)
{
    const qint64 start = m_flushed + m_buffer.size();
    append("xref\n0 " + QByteArray::number(qint64(m_offsets.size())) + "\n0000000000 65535 f \n");
    char entry[21];
    for (size_t i = 1; i < m_offsets.size(); ++i) {
        // The table's entries have room for ten digits: 9.3 GiB.
        if (m_offsets[i] < 0 || m_offsets[i] > 9999999999LL)
            throw DokravaError(QStringLiteral("Не удалось собрать общий файл «%1»: он больше 9 ГБ")
                                   .arg(QDir::toNativeSeparators(m_target)));
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(m_offsets[i]));
        append(QByteArray(entry, 20));
    }
    // The file's identifier, which readers use to tell files apart.
    const QByteArray id = '<' + QUuid::createUuid().toRfc4122().toHex() + '>';
    append("trailer\n<< /Size " + QByteArray::number(qint64(m_offsets.size())) + " /Root " + reference(catalog)
           + " /ID [ " + id + ' ' + id + " ] >>\nstartxref\n" + QByteArray::number(start) + "\n%%EOF\n");
}

void PdfStreamWriter::append(const QByteArray &bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= FlushAt)
        flush();
}

void PdfStreamWriter::flush()
{
    if (!WriteWhole(m_file, m_buffer))
        fail();
    m_flushed += m_buffer.size();
    m_buffer.clear();
}

void PdfStreamWriter::fail()
{
    throw DokravaError(QStringLiteral("Не удалось собрать общий файл «%1»: %2")
                           .arg(QDir::toNativeSeparators(m_target), FailureReason(m_file)));
}

} // namespace dokrava
