#include "generation/RunConversions.h"

#include "base/AppFolder.h"
#include "base/CopyFileSafely.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "generation/GenerationObserver.h"
#include "generation/LegacyWordFile.h"
#include "office/ConversionSupervisor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dokrava {

RunConversions::RunConversions(const TGenerationInput &in, IGenerationObserver &observer,
                               std::function<void(const QString &)> written)
    : m_in(in), m_observer(observer), m_written(std::move(written))
{
}

RunConversions::~RunConversions() = default;

ScratchFolder &RunConversions::scratchFolder()
{
    if (!m_scratch)
        m_scratch = std::make_unique<ScratchFolder>(QStringLiteral("RUN_"));
    return *m_scratch;
}

QString RunConversions::scratchDocument()
{
    return scratchFolder().filePath(QStringLiteral("%1.docx").arg(m_scratchFiles++));
}

QString RunConversions::legacyConverted(const QString &templatePath)
{
    // One conversion per template and run, not one per record.
    const auto known = m_legacyDocx.constFind(templatePath);
    if (known != m_legacyDocx.cend())
        return *known;
    const QString folder = scratchFolder().filePath(QStringLiteral("doc%1").arg(m_legacyDocx.size()));
    QDir().mkpath(folder);
    const QString docx = ConvertToDocx(templatePath, folder, m_in.converter, m_in.waitMs, m_in.stop);
    m_legacyDocx.insert(templatePath, docx);
    return docx;
}

ConversionSupervisor &RunConversions::supervisor()
{
    if (!m_supervisor) {
        ConversionSupervisor::Options options;
        options.converter = m_in.converter;
        options.processes = m_in.converters;
        options.batchBaseMs = m_in.batchBaseMs;
        options.perDocumentMs = m_in.perDocumentMs;
        options.singleMs = m_in.waitMs;
        options.stop = m_in.stop;
        m_supervisor = std::make_unique<ConversionSupervisor>(options);
    }
    return *m_supervisor;
}

int RunConversions::madeSoFar() const
{
    return m_supervisor ? m_supervisor->madeSoFar() : 0;
}

void RunConversions::queuePdf(const QString &source, const QString &pdf, bool word)
{
    // Counted before the converters start: when none can start (no profile folder), the error
    // ends the run and the document is kept as a failed conversion.
    m_pending.append({source, pdf, word ? Pending::Word : Pending::Odt});
    supervisor().submit(source, pdf);
}

void RunConversions::queueLegacy(const QString &filled, const QString &target)
{
    m_pending.append({filled, target, Pending::Legacy});
    supervisor().submit(filled, target, LegacyWordFormat(QFileInfo(target).suffix().toLower()));
}

void RunConversions::finish(const std::function<bool()> &stopped)
{
    if (m_pending.isEmpty())
        return;
    const int total = int(m_pending.size());
    QList<bool> converted;
    if (m_supervisor)
        converted = m_supervisor->finish([this, total](int made) { m_observer.conversionsProgressed(made, total); });
    m_supervisor.reset();
    const bool stop = stopped();
    for (int i = 0; i < m_pending.size(); ++i) {
        const Pending &p = m_pending[i];
        // The filled document goes only once its conversion passed the check.
        if (converted.value(i)) {
            QFile::remove(p.source);
            m_written(p.target);
        } else if (stop) {
            // The document is filled and whole; only its conversion was not made.
            keepUnconverted(p);
        } else if (p.kind == Pending::Legacy) {
            legacyFailed(p);
        } else {
            ++m_pdfErrors;
            m_odtPdfErrors = m_odtPdfErrors || p.kind == Pending::Odt;
            m_wordPdfErrors = m_wordPdfErrors || p.kind == Pending::Word;
            m_written(p.source);
        }
    }
    m_pending.clear();
}

void RunConversions::keepUnconverted(const Pending &p)
{
    QString kept = p.source;
    if (p.kind == Pending::Legacy) {
        if (!keepLegacyAsDocx(p, kept))
            return;
        m_stopTarget = QLatin1Char('.') + QFileInfo(p.target).suffix();
    } else {
        m_stopTarget = QStringLiteral("PDF");
    }
    ++m_stopUnconverted;
    m_stopKeptOdt = m_stopKeptOdt || p.kind == Pending::Odt;
    m_stopKeptWord = m_stopKeptWord || p.kind != Pending::Odt;
    m_written(kept);
}

bool RunConversions::keepLegacyAsDocx(const Pending &p, QString &kept)
{
    // The filled document waits in the run's scratch folder: it is copied beside the document
    // that was not made, under its own format.
    const QFileInfo target(p.target);
    kept = AppFolder::join(target.absolutePath(), target.completeBaseName() + QStringLiteral(".docx"));
    try {
        CopyFileSafely(p.source, kept);
    } catch (const DokravaError &) {
        m_observer.notice(QStringLiteral("Не удалось сохранить документ %1").arg(QDir::toNativeSeparators(p.target)));
        return false;
    }
    return true;
}

void RunConversions::legacyFailed(const Pending &p)
{
    // The filled document is kept beside the one that could not be made, as a failed PDF keeps it.
    ++m_legacyErrors;
    QString kept;
    if (!keepLegacyAsDocx(p, kept))
        return;
    m_observer.notice(QStringLiteral("Не удалось сохранить документ %1; заполненный документ сохранён как %2")
                          .arg(QDir::toNativeSeparators(p.target), QDir::toNativeSeparators(kept)));
    m_written(kept);
}

QString RunConversions::failureReport() const
{
    return conversionReport(m_pdfErrors, leftFormats(m_odtPdfErrors, m_wordPdfErrors));
}

QString RunConversions::stopReport(int written) const
{
    return stopReport(written, m_stopUnconverted, m_stopTarget, leftFormats(m_stopKeptOdt, m_stopKeptWord));
}

QString RunConversions::leftFormats(bool odt, bool word)
{
    if (odt && word)
        return QStringLiteral(".odt/.docx");
    return word ? QStringLiteral(".docx") : QStringLiteral(".odt");
}

QString RunConversions::conversionReport(int failures, const QString &formats)
{
    return QStringLiteral("Внимание! Ошибки конвертации в PDF: %1 файлов сохранены как %2").arg(failures).arg(formats);
}

QString RunConversions::stopReport(int written, int unconverted, const QString &target, const QString &formats)
{
    QString text = QStringLiteral("Формирование остановлено. Создано документов: %1").arg(written);
    if (unconverted > 0)
        text += QStringLiteral(", из них не сконвертированы в %1: %2 (оставлены в формате %3)").arg(target).arg(unconverted).arg(formats);
    return text;
}

} // namespace dokrava
