#include "office/PdfCombiner.h"

#include "base/DokravaError.h"
#include "base/LibraryFileName.h"
#include "base/PendingFile.h"
#include "office/ConvertedFile.h"
#include "office/PdfStreamWriter.h"

#include <QDir>
#include <QFile>

#include <qpdf/QPDF.hh>

#include <memory>
#include <optional>

namespace dokrava {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool stopAsked(const TCombineOptions &options)
{
    return options.stop && options.stop->load();
}

// The part read with qpdf, or nothing when it is missing or no sound PDF. A damaged file is not
// repaired: what a repair guesses could put wrong pages into a file meant for printing. Every
// object is read here, so a broken one leaves the part out before any of its pages is written.
std::unique_ptr<QPDF> openPart(const QString &path)
{
    if (!ConvertedFile::isCompletePdf(path))
        return nullptr;
    auto pdf = std::make_unique<QPDF>();
    try {
        pdf->setSuppressWarnings(true);
        pdf->setAttemptRecovery(false);
        pdf->processFile(LibraryFileName(path).toStdString().c_str());
        pdf->getAllObjects();
        if (pdf->getAllPages().empty() || pdf->anyWarnings())
            return nullptr;
    } catch (const std::exception &) {
        return nullptr;
    }
    return pdf;
}

// The combined file while it is written: one part at a time goes into it and is closed again,
// so memory never holds more than one part.
class Combination
{
public:
    Combination(const QString &target, const TCombineOptions &options) : m_target(target), m_options(options) {}

    // Writes the pages of part copies times in a row, with a bookmark on its first page.
    void add(QPDF &part, const QString &title)
    {
        if (!m_writer) {
            m_pending.emplace(m_target);
            m_writer.emplace(m_pending->path(), m_target);
        }
        for (int copy = 0; copy < m_options.copies; ++copy) {
            // The blank page owed by the copy before: none ever follows the last copy of the file.
            if (m_blankDue)
                m_writer->appendBlank();
            const int first = m_writer->pageCount();
            const int pages = m_writer->appendDocument(part);
            if (copy == 0)
                m_writer->addBookmark(title, first);
            m_blankDue = m_options.duplex && pages % 2 == 1;
        }
        m_writer->endSource();
        ++m_documents;
    }

    // Ends the file, checks it and puts it in place of the target; false when a stop came first.
    bool commit()
    {
        m_writer->finish();
        CheckCombinedPdf(m_pending->path(), m_writer->pageCount(), m_target);
        m_pending->sync();
        if (stopAsked(m_options))
            return false;
        m_pending->commit();
        return true;
    }

    int documents() const { return m_documents; }
    int pages() const { return m_writer ? m_writer->pageCount() : 0; }

private:
    QString m_target;
    const TCombineOptions &m_options;
    // Declared before the writer, so the file is closed before an uncommitted one is removed.
    std::optional<PendingFile> m_pending;
    std::optional<PdfStreamWriter> m_writer;
    int m_documents = 0;
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
    Combination combined(target, options);
    const int total = int(parts.size());
    try {
        for (int i = 0; i < total; ++i) {
            if (stopAsked(options))
                return result;
            if (const std::unique_ptr<QPDF> part = openPart(parts[i].pdf))
                combined.add(*part, parts[i].title);
            else
                result.leftOut.append(parts[i].title);
            if (options.progress)
                options.progress(i + 1, total);
        }
        if (combined.documents() == 0 || stopAsked(options) || !combined.commit())
            return result;
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

} // namespace dokrava
