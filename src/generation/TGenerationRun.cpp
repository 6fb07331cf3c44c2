#include "generation/TGenerationRun.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "generation/TrimWorkingSet.h"
#include "generation/WordTemplate.h"
#include "grid/TGridModel.h"
#include "odf/TODTProcessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

TGridSnapshot TGridSnapshot::fromModel(const TGridModel &grid)
{
    TGridSnapshot s;
    for (int r = 0; r < grid.rowCount(); ++r) {
        s.rows.append(grid.record(r));
        s.marks.append(grid.mark(r));
    }
    s.currentRow = grid.row();
    return s;
}

QString FileNameWithoutExt(const QString &fileName)
{
    // Template entries may carry sub-folders written with either separator.
    const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('\\')), fileName.lastIndexOf(QLatin1Char('/')),
                                    fileName.lastIndexOf(QLatin1Char(':'))});
    const QString name = fileName.mid(cut + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString SafeNamePart(const QString &text)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    QString s = text;
    for (QChar &c : s)
        if (c.unicode() < 32 || forbidden.contains(c))
            c = QLatin1Char('_');
    while (!s.isEmpty() && (s.back() == QLatin1Char('.') || s.back() == QLatin1Char(' ')))
        s.chop(1);
    return s;
}

int NameLength(const QString &name)
{
#ifdef Q_OS_WIN
    return int(name.size());
#else
    return int(name.toUtf8().size());
#endif
}

namespace {

// The longest head of text, of whole characters, whose length fits within room.
QString fitted(const QString &text, int room)
{
    if (NameLength(text) <= room)
        return text;
    qsizetype end = 0;
    int used = 0;
    while (end < text.size()) {
        const qsizetype step = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const int length = NameLength(text.mid(end, step));
        if (used + length > room)
            break;
        used += length;
        end += step;
    }
    // The cut may leave a trailing dot or space, which Windows would drop from the name.
    return SafeNamePart(text.left(end));
}

QString withoutExtension(const QString &path)
{
    const QFileInfo info(path);
    return AppFolder::join(info.path(), info.completeBaseName());
}

} // namespace

QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, int FormatFile, int copy)
{
    const QString t = SafeNamePart(FileNameWithoutExt(entry));
    const QString entryName = entry.mid(std::max(entry.lastIndexOf(QLatin1Char('\\')), entry.lastIndexOf(QLatin1Char('/'))) + 1);
    const qsizetype dot = entryName.lastIndexOf(QLatin1Char('.'));
    const QString ownExt = dot < 0 ? QString() : entryName.mid(dot);
    const bool odt = ownExt.toLower() == QLatin1String(".odt");
    const QString ext = (FormatFile == 0 && !odt) ? QStringLiteral(".pdf") : ownExt;
    const QString suffix = copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString();
    // Room is kept for ".docx" as well: a Word result whose PDF fails is kept under that extension.
    const int reserved = NameLength(t) + 1 + NameLength(suffix) + std::max(NameLength(ext), 5);
    const QString v = fitted(SafeNamePart(namingValue), std::max(0, kMaxNameLength - reserved));
    const QString folder = namingMode == 1 ? v : t;
    const QString name = namingMode == 1 ? v + QLatin1Char('-') + t : t + QLatin1Char('-') + v;
    // An empty folder name puts the document into the output root itself.
    const QString dir = folder.isEmpty() ? outputRoot : AppFolder::join(outputRoot, folder);
    return AppFolder::join(dir, name + suffix + ext);
}

TFieldValues BuildFieldValues(const QStringList &headers, const QStringList &record)
{
    TFieldValues values;
    QSet<QString> seen;
    for (int c = 0; c < headers.size(); ++c) {
        if (headers[c].isEmpty())
            continue;
        if (seen.contains(headers[c]))
            throw DokravaError(QStringLiteral("Duplicates not allowed"));
        seen.insert(headers[c]);
        values.append({headers[c], record.value(c)});
    }
    return values;
}

bool FillODTTemplate(const QString &templatePath, const QString &outputPath, const TFieldValues &data)
{
    TODTProcessor processor;
    return processor.ProcessODTTemplate(templatePath, outputPath, data);
}

TGenerationRun::TGenerationRun(TGenerationInput input, IGenerationObserver *observer)
    : m_in(std::move(input)), m_observer(observer ? observer : &m_silent)
{
}

void TGenerationRun::run()
{
    m_pdfErrors = 0;
    m_wordPdfErrors = false;
    m_unconverted = 0;
    m_claimed.clear();
    m_nextCopy.clear();
    m_brokenTemplates.clear();
    m_legacyDocx.clear();
    // What a killed run left half-written under the output root goes before new files come.
    RemoveAbandonedPendingFiles(m_in.outputRoot);
    if (!m_in.severalRecords) {
        writeDocuments([this] { ProcessCurrentRow(m_in.grid.currentRow); });
        if (!m_stopped)
            openOutputFolder();
        return;
    }
    const int maximum = int(m_in.grid.rows.size()) - 1;
    m_observer->progressStarted(std::max(maximum, 0));
    writeDocuments([this, maximum] {
        for (int i = 1; i <= maximum && !stopRequested(); ++i) {
            m_observer->recordStarted(i);
            if (m_in.grid.marks.value(i))
                ProcessCurrentRow(i);
            m_observer->progressed(i);
        }
    });
    if (m_stopped) {
        m_observer->notice(QStringLiteral("Формирование документов прервано. Создано документов: %1").arg(m_written));
        return;
    }
    openOutputFolder();
    m_observer->notice(QStringLiteral("Готово"));
    if (m_pdfErrors > 0)
        m_observer->notice(conversionReport(m_pdfErrors, m_wordPdfErrors));
}

bool TGenerationRun::stopRequested()
{
    m_stopped = m_stopped || (m_in.stop && m_in.stop->load());
    return m_stopped;
}

void TGenerationRun::writeDocuments(const std::function<void()> &fill)
{
    try {
        fill();
    } catch (...) {
        // Documents already written keep their conversions when an error ends the run.
        finishConversions();
        throw;
    }
    finishConversions();
}

QString TGenerationRun::conversionReport(int failures, bool wordAmongThem)
{
    return QStringLiteral("Внимание! Ошибки конвертации в PDF: %1 файлов сохранены как %2")
        .arg(failures)
        .arg(wordAmongThem ? QStringLiteral(".odt/.docx") : QStringLiteral(".odt"));
}

void TGenerationRun::ProcessCurrentRow(int row)
{
    for (const QString &entry : m_in.templates) {
        if (stopRequested())
            return;
        processTemplate(entry, row);
        TrimWorkingSet();
    }
}

void TGenerationRun::processTemplate(const QString &entry, int row)
{
    if (m_brokenTemplates.contains(entry))
        return;
    const QString templatePath = m_in.templatesDir + QDir::toNativeSeparators(entry);
    const QString namingValue = m_in.namingColumn >= 1
                                    ? m_in.grid.rows.value(row).value(m_in.namingColumn - 1)
                                    : QString();
    const QString outputPath = claimOutputPath(entry, namingValue);
    const QString folder = QFileInfo(outputPath).absolutePath();
    if (!QDir().mkpath(folder))
        throw DokravaError(QStringLiteral("Cannot create ") + QDir::toNativeSeparators(folder) + QDir::separator());
    if (QFileInfo(entry).suffix().toLower() == QLatin1String("odt"))
        processOdt(templatePath, outputPath, row);
    else
        processWord(entry, templatePath, outputPath, row);
}

QString TGenerationRun::claimOutputPath(const QString &entry, const QString &namingValue)
{
    // Two documents of one run never share a file: the later ones get " (2)", " (3)"... Files
    // of earlier runs are replaced as before. In PDF mode every result ends as ".pdf", so there
    // the name without extension must be unique. Letter case is ignored, as Windows ignores it.
    const auto key = [this](const QString &path) {
        return (m_in.settings.FormatFile == 0 ? withoutExtension(path) : path).toCaseFolded();
    };
    const QString first = OutputPath(m_in.outputRoot, entry, namingValue, m_in.namingMode, m_in.settings.FormatFile);
    int &next = m_nextCopy[key(first)];
    for (int copy = std::max(next, 1);; ++copy) {
        const QString path = copy == 1 ? first
                                       : OutputPath(m_in.outputRoot, entry, namingValue, m_in.namingMode,
                                                    m_in.settings.FormatFile, copy);
        if (!m_claimed.contains(key(path))) {
            m_claimed.insert(key(path));
            next = copy + 1;
            return path;
        }
    }
}

void TGenerationRun::processOdt(const QString &templatePath, const QString &outputPath, int row)
{
    const TFieldValues values = BuildFieldValues(m_in.grid.rows.value(0), m_in.grid.rows.value(row));
    if (!FillODTTemplate(templatePath, outputPath, values))
        return;
    if (m_in.settings.FormatFile != 0 || m_in.converter.isEmpty()) {
        if (m_in.settings.FormatFile == 0)
            ++m_unconverted;
        written(outputPath);
        return;
    }
    const QFileInfo odt(outputPath);
    queuePdf(outputPath, AppFolder::join(odt.absolutePath(), odt.completeBaseName() + QStringLiteral(".pdf")), false);
}

void TGenerationRun::processWord(const QString &entry, const QString &templatePath, const QString &outputPath, int row)
{
    TWordFillData data;
    data.headers = m_in.grid.rows.value(0);
    data.record = m_in.grid.rows.value(row);
    data.personalFieldsFile = m_in.personalFieldsFile;
    data.Colontit = m_in.settings.Colontit;
    data.converter = m_in.converter;
    data.waitMs = m_in.waitMs;
    data.notice = [this](const QString &text) { m_observer->notice(text); };
    data.legacyConverted = [this](const QString &path) { return legacyConverted(path); };
    data.convertLater = true;
    const QFileInfo out(outputPath);
    const QString keptDocx = AppFolder::join(out.absolutePath(), out.completeBaseName() + QStringLiteral(".docx"));
    switch (FillWordTemplate(templatePath, TReplaceOptions{true}, outputPath, data)) {
    case TWordFillResult::TemplateMissing:
        break;
    case TWordFillResult::TemplateBroken:
        // Said once; the template's later documents are passed over in silence.
        m_brokenTemplates.insert(entry);
        // The folder made for its document goes too when nothing else is in it.
        if (QFileInfo(out.absolutePath()) != QFileInfo(m_in.outputRoot))
            QDir().rmdir(out.absolutePath());
        m_observer->notice(QStringLiteral("Шаблон повреждён: ") + QDir::toNativeSeparators(entry));
        break;
    case TWordFillResult::Written:
        written(outputPath);
        break;
    case TWordFillResult::PdfFailed:
        ++m_pdfErrors;
        m_wordPdfErrors = true;
        written(keptDocx);
        break;
    case TWordFillResult::KeptAsDocx:
        ++m_unconverted;
        written(keptDocx);
        break;
    case TWordFillResult::ConvertLater:
        queuePdf(keptDocx, outputPath, true);
        break;
    }
}

QString TGenerationRun::legacyConverted(const QString &templatePath)
{
    // One conversion per template and run, not one per record.
    const auto known = m_legacyDocx.constFind(templatePath);
    if (known != m_legacyDocx.cend())
        return *known;
    if (!m_scratch)
        m_scratch = std::make_unique<ScratchFolder>(QStringLiteral("RUN_"));
    const QString folder = m_scratch->filePath(QString::number(m_legacyDocx.size()));
    QDir().mkpath(folder);
    const QString docx = ConvertToDocx(templatePath, folder, m_in.converter, m_in.waitMs);
    m_legacyDocx.insert(templatePath, docx);
    return docx;
}

void TGenerationRun::queuePdf(const QString &source, const QString &pdf, bool word)
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
    m_supervisor->submit(source, pdf);
    m_pending.append({source, pdf, word});
}

void TGenerationRun::finishConversions()
{
    if (!m_supervisor)
        return;
    const int total = int(m_pending.size());
    const QList<bool> converted = m_supervisor->finish([this, total](int judged) {
        m_observer->conversionsProgressed(judged, total);
    });
    m_supervisor.reset();
    for (int i = 0; i < m_pending.size(); ++i) {
        const PendingPdf &p = m_pending[i];
        // The filled document goes only once its PDF passed the check.
        if (converted.value(i)) {
            QFile::remove(p.source);
            written(p.pdf);
        } else if (stopRequested()) {
            // Stopped before its PDF was made: an unfinished document, which goes.
            QFile::remove(p.source);
        } else {
            ++m_pdfErrors;
            m_wordPdfErrors = m_wordPdfErrors || p.word;
            written(p.source);
        }
    }
    m_pending.clear();
}

void TGenerationRun::written(const QString &path)
{
    ++m_written;
    m_observer->documentWritten(path);
}

void TGenerationRun::openOutputFolder()
{
    if (!m_in.settings.OpenDir)
        return;
    // Both positions of OpenUniqDir open the output root: the run keeps no record of the
    // folders it filled.
    QString root = QDir::toNativeSeparators(m_in.outputRoot);
    while (root.size() > 1 && root.endsWith(QDir::separator()))
        root.chop(1);
    m_observer->openFolder(root);
}
