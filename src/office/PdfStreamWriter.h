#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <utility>
#include <vector>

class QPDF;

namespace dokrava {

// Writes one PDF file front to back from the pages of other PDFs read with qpdf: each page is
// written with every object it uses as soon as it is added, so memory holds the document being
// copied and a few numbers per page, never the whole file. The page tree, the bookmarks and the
// cross-reference table follow in finish().
class PdfStreamWriter
{
public:
    // Creates the file at path; target is the name failures show. Throws DokravaError.
    PdfStreamWriter(const QString &path, const QString &target);

    PdfStreamWriter(const PdfStreamWriter &) = delete;
    PdfStreamWriter &operator=(const PdfStreamWriter &) = delete;

    // Adds every page of source, in order, and returns how many. Called again for the same source
    // (before endSource()) it adds the pages once more over the objects already written.
    int appendDocument(QPDF &source);
    // Forgets the objects of the last source; call before that source is closed.
    void endSource();
    // Adds an empty page of the size and orientation of the page added last.
    void appendBlank();
    // A bookmark named title on the page numbered page (from 0) in the file.
    void addBookmark(const QString &title, int page);
    // Pages added so far.
    int pageCount() const { return int(m_pages.size()); }
    // Writes the page tree, the bookmarks, the catalogue and the cross-reference table, and closes
    // the file. Throws DokravaError when the file cannot be written.
    void finish();

private:
    int reserve();
    int numberOf(QPDFObjectHandle object);
    void writeObject(QPDFObjectHandle object, int number);
    void writeValue(QPDFObjectHandle value);
    void writeContents(QPDFObjectHandle value, bool page);
    void writeDictionary(QPDFObjectHandle dictionary, bool page, qint64 streamLength = -1);
    void writeQueued();
    void rememberShape(QPDFObjectHandle page);
    void beginObject(int number);
    int writeOutline();
    void writeCrossReferences(int catalog);
    void append(const QByteArray &bytes);
    void flush();
    [[noreturn]] void fail();

    QFile m_file;
    QString m_target;
    QByteArray m_buffer;
    qint64 m_flushed = 0;               // bytes already in the file
    std::vector<qint64> m_offsets{0};   // where each object starts, by its number
    std::vector<int> m_pages;           // the page objects, in order
    QList<std::pair<QString, int>> m_bookmarks; // title and page object
    QByteArray m_shape;                 // size and turn of the last page, for a blank page
    int m_blankContents = 0;            // the one empty content stream of the blank pages
    QByteArray m_version = "1.7";
    // Of the source being copied: its objects' numbers in this file, and those still to write.
    QPDF *m_source = nullptr;
    std::map<QPDFObjGen, int> m_numbers;
    std::vector<std::pair<QPDFObjectHandle, int>> m_queue;
};

} // namespace dokrava
