#pragma once

#include "base/LibraryFileName.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

// Small PDFs made with qpdf for tests, and what a PDF holds read back with qpdf. A page is named
// by its size in points, "595x842", with "r90" after it when rotated; a page without content (a
// blank page) is written in brackets, "[595x842]".
namespace PdfFixture {

// Writes a PDF with one page of each name; every page has content, so none reads as blank.
inline void write(const QString &path, const QStringList &pages)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper doc(pdf);
    for (const QString &name : pages) {
        const QStringList size = name.section(QLatin1Char('r'), 0, 0).split(QLatin1Char('x'));
        QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle(
                                         QPDFObjectHandle::Rectangle(0, 0, size.value(0).toDouble(), size.value(1).toDouble())));
        if (name.contains(QLatin1Char('r')))
            page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(name.section(QLatin1Char('r'), 1).toInt()));
        page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 0 m 10 10 l S\n"));
        doc.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    }
    const QByteArray name = dokrava::LibraryFileName(path); // the writer keeps its pointer until write()
    QPDFWriter writer(pdf, name.constData());
    writer.write();
}

// Writes a PDF of the objects given, numbered from 1, the first the catalogue; the bytes of
// each are written as they are, so a test can make page trees and strings qpdf would not write.
inline void writeRaw(const QString &path, const QList<QByteArray> &objects)
{
    QByteArray pdf = "%PDF-1.7\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
           + QByteArray::number(xref) + "\n%%EOF\n";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(pdf);
}

// A stream object of data, as writeRaw takes it.
inline QByteArray rawStream(const QByteArray &data, const QByteArray &entries = {})
{
    return "<< /Length " + QByteArray::number(data.size()) + ' ' + entries + " >>\nstream\n" + data + "\nendstream";
}

// The names of the pages of the PDF at path, in order.
inline QStringList pages(const QString &path)
{
    QPDF pdf;
    pdf.processFile(dokrava::LibraryFileName(path).constData());
    QStringList names;
    for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
        QString name = QStringLiteral("%1x%2").arg(box.urx - box.llx).arg(box.ury - box.lly);
        QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
        if (rotate.isInteger() && rotate.getIntValue() != 0)
            name += QStringLiteral("r%1").arg(rotate.getIntValue());
        QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
        const bool blank = contents.isStream() && contents.getStreamData()->getSize() == 0;
        names << (blank ? QLatin1Char('[') + name + QLatin1Char(']') : name);
    }
    return names;
}

// The top-level bookmarks of the PDF at path: "title@page", the page counted from 0.
inline QStringList bookmarks(const QString &path)
{
    QPDF pdf;
    pdf.processFile(dokrava::LibraryFileName(path).constData());
    const std::vector<QPDFObjectHandle> &all = pdf.getAllPages();
    QStringList marks;
    QPDFOutlineDocumentHelper outlines(pdf);
    for (QPDFOutlineObjectHelper &item : outlines.getTopLevelOutlines()) {
        QPDFObjectHandle dest = item.getDestPage();
        int index = -1;
        for (size_t i = 0; i < all.size(); ++i)
            if (dest.isInitialized() && all[i].getObjGen() == dest.getObjGen())
                index = int(i);
        marks << QString::fromStdString(item.getTitle()) + QLatin1Char('@') + QString::number(index);
    }
    return marks;
}

} // namespace PdfFixture
