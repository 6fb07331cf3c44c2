#include "office/PdfCombiner.h"

#include "base/DokravaError.h"
#include "base/LibraryFileName.h"
#include "base/PendingFile.h"
#include "office/ConvertedFile.h"

#include <QDir>
#include <QFile>

#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

// A stop met while the combined file is being written.
struct Stopped
{
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool stopAsked(const TCombineOptions &options)
{
    return options.stop && options.stop->load();
}

// A part opened for copying. Its file is open only while it is read, so thousands of parts never
// hold thousands of files open; the stream data the combined file copies is read from the file
// again when that file is written.
struct OpenedPart
{
    std::shared_ptr<ClosedFileInputSource> input;
    std::unique_ptr<QPDF> pdf;
    std::vector<QPDFPageObjectHelper> pages;
};

// The part, or nothing when it is missing or no sound PDF. A damaged file is not repaired: what a
// repair guesses could put wrong pages into a file meant for printing. Every object is read here,
// so a broken one leaves the part out before any of its pages is copied.
std::optional<OpenedPart> openPart(const QString &path)
{
    if (!ConvertedFile::isCompletePdf(path))
        return std::nullopt;
    OpenedPart part;
    try {
        part.input = std::make_shared<ClosedFileInputSource>(LibraryFileName(path).toStdString().c_str());
        part.input->stayOpen(true);
        part.pdf = std::make_unique<QPDF>();
        part.pdf->setSuppressWarnings(true);
        part.pdf->setAttemptRecovery(false);
        part.pdf->processInputSource(part.input);
        part.pdf->getAllObjects();
        part.pages = QPDFPageDocumentHelper(*part.pdf).getAllPages();
    } catch (const std::exception &) {
        return std::nullopt;
    }
    if (part.pages.empty() || part.pdf->anyWarnings())
        return std::nullopt;
    return part;
}

QPDFObjectHandle::Rectangle boxOf(QPDFObjectHandle box)
{
    // A4 portrait for a page without a usable box, which readers assume as well.
    return box.isRectangle() ? box.getArrayAsRectangle() : QPDFObjectHandle::Rectangle(0, 0, 595, 842);
}

// An empty page of the size and orientation of page, for two-sided printing.
QPDFPageObjectHelper blankLike(QPDF &out, QPDFPageObjectHelper page)
{
    QPDFObjectHandle blank = QPDFObjectHandle::newDictionary();
    blank.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    blank.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle(boxOf(page.getMediaBox())));
    blank.replaceKey("/CropBox", QPDFObjectHandle::newFromRectangle(boxOf(page.getCropBox())));
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    if (rotate.isInteger())
        blank.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate.getIntValue()));
    blank.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    blank.replaceKey("/Contents", QPDFObjectHandle::newStream(&out, std::string()));
    return QPDFPageObjectHelper(out.makeIndirectObject(blank));
}

// The combined file while it is put together.
class Combination
{
public:
    Combination() : m_pages(m_out) { m_out.emptyPDF(); m_out.setSuppressWarnings(true); }

    // Adds the pages of part copies times in a row, with a bookmark on its first page.
    void add(const OpenedPart &part, const QString &title, const TCombineOptions &options)
    {
        for (int copy = 0; copy < options.copies; ++copy) {
            // The blank page owed by the copy before: none ever follows the last copy of the file.
            if (m_blankDue)
                addPage(blankLike(m_out, QPDFPageObjectHelper(m_out.getAllPages().back())));
            const int first = m_count;
            for (const QPDFPageObjectHelper &page : part.pages)
                addPage(page);
            if (copy == 0)
                m_marks.emplace_back(title, m_out.getAllPages().at(size_t(first)));
            m_blankDue = options.duplex && part.pages.size() % 2 == 1;
        }
    }

    // One top-level bookmark per document, showing its first page whole.
    void addOutline()
    {
        QPDFObjectHandle root = m_out.makeIndirectObject(QPDFObjectHandle::newDictionary());
        root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        QPDFObjectHandle previous;
        for (const auto &[title, page] : m_marks) {
            QPDFObjectHandle item = m_out.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
            item.replaceKey("/Parent", root);
            QPDFObjectHandle dest = QPDFObjectHandle::newArray();
            dest.appendItem(page);
            dest.appendItem(QPDFObjectHandle::newName("/Fit"));
            item.replaceKey("/Dest", dest);
            if (previous.isInitialized()) {
                previous.replaceKey("/Next", item);
                item.replaceKey("/Prev", previous);
            } else {
                root.replaceKey("/First", item);
            }
            previous = item;
        }
        root.replaceKey("/Last", previous);
        root.replaceKey("/Count", QPDFObjectHandle::newInteger(qint64(m_marks.size())));
        m_out.getRoot().replaceKey("/Outlines", root);
        // Readers open the file with its bookmarks shown.
        m_out.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
    }

    // Writes the file to path; throws Stopped when a stop comes meanwhile.
    void write(const QString &path, const TCombineOptions &options)
    {
        // The writer keeps the name's pointer until write() ends, so the name must outlive it.
        const std::string name = LibraryFileName(path).toStdString();
        QPDFWriter writer(m_out, name.c_str());
        // Stream data is copied as the converter compressed it, not decoded and compressed again.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.registerProgressReporter(std::make_shared<QPDFWriter::FunctionProgressReporter>([&options](int) {
            if (stopAsked(options))
                throw Stopped{};
        }));
        writer.write();
    }

    int documents() const { return int(m_marks.size()); }
    int pages() const { return m_count; }

private:
    void addPage(const QPDFPageObjectHelper &page)
    {
        // A page already in the file (a further copy) is added as a copy of its page object.
        m_pages.addPage(page, false);
        ++m_count;
    }

    QPDF m_out;
    QPDFPageDocumentHelper m_pages;
    std::vector<std::pair<QString, QPDFObjectHandle>> m_marks;
    int m_count = 0;
    bool m_blankDue = false;
};

} // namespace

int PdfPageCount(const QString &path)
{
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(false);
        pdf.processFile(LibraryFileName(path).toStdString().c_str());
        const int count = int(pdf.getAllPages().size());
        return pdf.anyWarnings() ? -1 : count;
    } catch (const std::exception &) {
        return -1;
    }
}

void CheckCombinedPdf(const QString &path, int pages, const QString &target)
{
    const int found = ConvertedFile::isCompletePdf(path) ? PdfPageCount(path) : -1;
    if (found == pages)
        return;
    const QString why = found < 0 ? QStringLiteral("файл не читается как полный PDF")
                                  : QStringLiteral("страниц %1 вместо %2").arg(found).arg(pages);
    throw DokravaError(QStringLiteral("Общий файл «%1» не прошёл проверку (%2) и удалён").arg(shown(target), why));
}

TCombineResult CombinePdfFiles(const QList<TPdfPart> &parts, const QString &target, const TCombineOptions &options)
{
    TCombineResult result;
    Combination combined;
    const int total = int(parts.size());
    try {
        for (int i = 0; i < total; ++i) {
            if (stopAsked(options))
                return result;
            if (const std::optional<OpenedPart> part = openPart(parts[i].pdf)) {
                combined.add(*part, parts[i].title, options);
                part->input->stayOpen(false);
            } else {
                result.leftOut.append(parts[i].title);
            }
            if (options.progress)
                options.progress(i + 1, total);
        }
        if (combined.documents() == 0 || stopAsked(options))
            return result;
        combined.addOutline();
        PendingFile pending(target);
        try {
            combined.write(pending.path(), options);
        } catch (const Stopped &) {
            return result;
        }
        CheckCombinedPdf(pending.path(), combined.pages(), target);
        pending.sync();
        if (stopAsked(options))
            return result;
        pending.commit();
    } catch (const DokravaError &) {
        throw;
    } catch (const std::exception &e) {
        throw DokravaError(QStringLiteral("Не удалось собрать общий файл «%1»: %2").arg(shown(target), QString::fromLocal8Bit(e.what())));
    }
    result.written = true;
    result.documents = combined.documents();
    result.pages = combined.pages();
    return result;
}
