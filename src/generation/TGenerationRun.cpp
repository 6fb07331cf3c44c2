#include "generation/TGenerationRun.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/CopyFileSafely.h"
#include "base/PendingFile.h"
#include "base/ReservedNames.h"
#include "generation/FillPool.h"
#include "generation/TrimWorkingSet.h"
#include "generation/LegacyWordFile.h"
#include "grid/TGridModel.h"
#include "odf/OdtTemplate.h"
#include "settings/Settings.h"
#include "word/DocxTemplate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

TGridSnapshot TGridSnapshot::fromModel(const TGridModel &grid)
{
    // Copying every row of a large table for a few marked records cost seconds and hundreds of
    // MiB, with the window waiting.
    TGridSnapshot s;
    const int count = grid.rowCount();
    s.rows.resize(count);
    s.marks.resize(count);
    s.currentRow = grid.row();
    for (int r = 0; r < count; ++r) {
        s.marks[r] = grid.mark(r);
        if (r == 0 || s.marks[r] || r == s.currentRow)
            s.rows[r] = grid.record(r);
    }
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

TNameOrder NameOrderOf(int FileName)
{
    return FileName == 0 ? TNameOrder::TemplateFirst : TNameOrder::ValueFirst;
}

QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, TNameOrder order, int FormatFile, int copy)
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
    // A folder named "CON" or "com1.txt" could not be made on Windows: it gets a "_".
    const QString folder = UnreservedName(namingMode == 1 ? v : t);
    const QString name = order == TNameOrder::ValueFirst ? v + QLatin1Char('-') + t : t + QLatin1Char('-') + v;
    // An empty folder name puts the document into the output root itself.
    const QString dir = folder.isEmpty() ? outputRoot : AppFolder::join(outputRoot, folder);
    return AppFolder::join(dir, UnreservedName(name + suffix + ext));
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

TGenerationRun::TGenerationRun(TGenerationInput input, IGenerationObserver *observer)
    : m_in(std::move(input)), m_observer(observer ? observer : &m_silent)
{
}

TGenerationRun::~TGenerationRun() = default;

void TGenerationRun::run()
{
    m_pdfErrors = 0;
    m_odtPdfErrors = false;
    m_wordPdfErrors = false;
    m_stopUnconverted = 0;
    m_stopKeptOdt = false;
    m_stopKeptWord = false;
    m_stopTarget.clear();
    m_unconverted = 0;
    m_conversionErrors = 0;
    m_claimed.clear();
    m_nextCopy.clear();
    m_brokenTemplates.clear();
    m_legacyDocx.clear();
    m_odtTemplates.clear();
    m_wordTemplates.clear();
    m_personalRead = false;
    m_filled = 0;
    m_expected = int(m_in.templates.size());
    if (m_in.severalRecords)
        m_expected *= int(std::count(m_in.grid.marks.cbegin() + std::min<qsizetype>(1, m_in.grid.marks.size()),
                                     m_in.grid.marks.cend(), true));
    m_progressClock.invalidate();
    m_combined = CombinedPdfs(m_in.outputRoot, m_in.settings);
    m_combineOutcome = {};
    // What a killed run left half-written under the output root goes before new files come.
    RemoveAbandonedPendingFiles(m_in.outputRoot);
    if (!m_in.severalRecords) {
        writeDocuments([this] { ProcessCurrentRow(m_in.grid.currentRow); });
        combine();
        // A stop is answered even here: the user asked for it and learns what was kept.
        if (m_stopped)
            reportStop();
        else
            openOutputFolder();
        if (!m_combineOutcome.report.isEmpty())
            m_observer->notice(m_combineOutcome.report);
        return;
    }
    const int maximum = int(m_in.grid.rows.size()) - 1;
    m_observer->progressStarted(std::max(maximum, 0));
    writeDocuments([this, maximum] {
        for (int i = 1; i <= maximum && !stopRequested() && !m_error; ++i) {
            inTurn([this, i] { m_observer->recordStarted(i); });
            if (m_in.grid.marks.value(i))
                ProcessCurrentRow(i);
            inTurn([this, i] { m_observer->progressed(i); });
            // A few documents per worker are made ahead; the rest waits, so memory stays flat.
            m_pool->drain(2 * m_pool->threads());
        }
    });
    combine();
    if (m_stopped) {
        reportStop();
    } else {
        openOutputFolder();
        m_observer->notice(QStringLiteral("Готово"));
        if (m_pdfErrors > 0)
            m_observer->notice(conversionReport(m_pdfErrors, leftFormats(m_odtPdfErrors, m_wordPdfErrors)));
    }
    if (!m_combineOutcome.report.isEmpty())
        m_observer->notice(m_combineOutcome.report);
}

void TGenerationRun::combine()
{
    // A stopped run makes no combined file: it would lack the documents not made.
    if (!m_combined.wanted() || stopRequested())
        return;
    m_combineOutcome = m_combined.make(m_in.stop, [this](int done, int total) {
        m_observer->combiningProgressed(done, total);
    });
    stopRequested();
}

void TGenerationRun::reportStop()
{
    m_observer->notice(stopReport(m_written, m_stopUnconverted, m_stopTarget, leftFormats(m_stopKeptOdt, m_stopKeptWord)));
}

QString TGenerationRun::stopReport(int written, int unconverted, const QString &target, const QString &formats)
{
    QString text = QStringLiteral("Формирование остановлено. Создано документов: %1").arg(written);
    if (unconverted > 0)
        text += QStringLiteral(", из них не сконвертированы в %1: %2 (оставлены в формате %3)").arg(target).arg(unconverted).arg(formats);
    return text;
}

bool TGenerationRun::stopRequested()
{
    m_stopped = m_stopped || (m_in.stop && m_in.stop->load());
    return m_stopped;
}

void TGenerationRun::writeDocuments(const std::function<void()> &fill)
{
    m_error = nullptr;
    m_pool = std::make_unique<FillPool>(m_in.fillThreads);
    try {
        fill();
    } catch (...) {
        // An error met while handing out work counts after the documents handed out before it.
        inTurn([error = std::current_exception()] { std::rethrow_exception(error); });
    }
    m_pool->drain();
    // Work handed out after an error is dropped with its unfinished files.
    m_pool.reset();
    reportDocuments(true);
    // Documents already written keep their conversions when an error ends the run.
    finishConversions();
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void TGenerationRun::inTurn(const std::function<void()> &step)
{
    m_pool->add([this, step] { finished(nullptr, step); });
}

void TGenerationRun::finished(std::exception_ptr error, const std::function<void()> &step)
{
    // After a stop or an error, what was made ahead is unfinished work: its files go unnamed.
    if (m_error || stopRequested())
        return;
    if (error) {
        m_error = error;
        return;
    }
    try {
        step();
    } catch (...) {
        m_error = std::current_exception();
    }
}

void TGenerationRun::fillInTurn(const QString &path, std::function<void(const PendingFile &)> write,
                                std::function<void()> then)
{
    // The file is written and on disk before its turn comes; in its turn it takes its name.
    auto pending = std::make_shared<std::unique_ptr<PendingFile>>();
    m_pool->add(
        [path, write = std::move(write), pending] {
            auto file = std::make_unique<PendingFile>(path);
            write(*file);
            file->sync();
            *pending = std::move(file);
        },
        [this, pending, then = std::move(then)](std::exception_ptr error) {
            finished(error, [&] {
                (*pending)->commit();
                ++m_filled;
                then();
                reportDocuments(false);
            });
        });
}

QString TGenerationRun::leftFormats(bool odt, bool word)
{
    if (odt && word)
        return QStringLiteral(".odt/.docx");
    return word ? QStringLiteral(".docx") : QStringLiteral(".odt");
}

QString TGenerationRun::conversionReport(int failures, const QString &formats)
{
    return QStringLiteral("Внимание! Ошибки конвертации в PDF: %1 файлов сохранены как %2").arg(failures).arg(formats);
}

void TGenerationRun::ProcessCurrentRow(int row)
{
    for (const QString &entry : m_in.templates) {
        if (stopRequested() || m_error)
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
    const bool odt = QFileInfo(entry).suffix().toLower() == QLatin1String("odt");
    // A template that cannot be filled is known before any name or folder is taken for it.
    const std::shared_ptr<const OdtTemplate> odtSplit = odt ? odtTemplate(entry, templatePath) : nullptr;
    const std::shared_ptr<const DocxTemplate> word = odt ? nullptr : wordTemplate(entry, templatePath);
    if (odt ? !odtSplit : !word) {
        // The progress counts only documents that can come: a broken template's are gone for
        // the rest of the run, a missing template's for this record.
        m_expected -= m_brokenTemplates.contains(entry) ? recordsFrom(row) : 1;
        return;
    }
    const QString namingValue = m_in.namingColumn >= 1
                                    ? m_in.grid.rows.value(row).value(m_in.namingColumn - 1)
                                    : QString();
    const QString outputPath = claimOutputPath(entry, namingValue);
    m_combined.expect(entry, outputPath);
    const QString folder = QFileInfo(outputPath).absolutePath();
    if (!QDir().mkpath(folder))
        throw DokravaError(QStringLiteral("Cannot create ") + QDir::toNativeSeparators(folder) + QDir::separator());
    if (odt)
        processOdt(odtSplit, outputPath, row);
    else
        processWord(word, templatePath, outputPath, row);
}

int TGenerationRun::recordsFrom(int row) const
{
    if (!m_in.severalRecords)
        return 1;
    return int(std::count(m_in.grid.marks.cbegin() + std::min<qsizetype>(row, m_in.grid.marks.size()),
                          m_in.grid.marks.cend(), true));
}

QString TGenerationRun::claimOutputPath(const QString &entry, const QString &namingValue)
{
    // Two documents of one run never share a file: the later ones get " (2)", " (3)"... Files
    // of earlier runs are replaced as before. In PDF mode every result ends as ".pdf", so there
    // the name without extension must be unique. Letter case is ignored, as Windows ignores it.
    const auto key = [this](const QString &path) {
        return (m_in.settings.FormatFile == 0 ? withoutExtension(path) : path).toCaseFolded();
    };
    const TNameOrder order = NameOrderOf(m_in.settings.FileName);
    const QString first = OutputPath(m_in.outputRoot, entry, namingValue, m_in.namingMode, order, m_in.settings.FormatFile);
    int &next = m_nextCopy[key(first)];
    for (int copy = std::max(next, 1);; ++copy) {
        const QString path = copy == 1 ? first
                                       : OutputPath(m_in.outputRoot, entry, namingValue, m_in.namingMode, order,
                                                    m_in.settings.FormatFile, copy);
        if (!m_claimed.contains(key(path))) {
            m_claimed.insert(key(path));
            next = copy + 1;
            return path;
        }
    }
}

std::shared_ptr<const OdtTemplate> TGenerationRun::odtTemplate(const QString &entry, const QString &templatePath)
{
    auto &known = m_odtTemplates[templatePath];
    if (known)
        return known;
    try {
        known = std::make_shared<const OdtTemplate>(templatePath);
    } catch (const DokravaError &) {
        m_odtTemplates.remove(templatePath);
        // A file that is not there ends the run as it always did; a damaged one is passed over.
        if (!QFileInfo(templatePath).isFile())
            throw;
        brokenTemplate(entry);
        return nullptr;
    }
    return known;
}

void TGenerationRun::brokenTemplate(const QString &entry)
{
    // Said once; the template's later documents are passed over in silence.
    m_brokenTemplates.insert(entry);
    inTurn([this, entry] { m_observer->notice(QStringLiteral("Шаблон повреждён: ") + QDir::toNativeSeparators(entry)); });
}

void TGenerationRun::processOdt(const std::shared_ptr<const OdtTemplate> &known, const QString &outputPath, int row)
{
    const TFieldValues values = BuildFieldValues(m_in.grid.rows.value(0), m_in.grid.rows.value(row));
    fillInTurn(outputPath, [split = known, values](const PendingFile &file) { split->filled(values).write(file); },
               [this, outputPath] { odtWritten(outputPath); });
}

void TGenerationRun::odtWritten(const QString &outputPath)
{
    if (m_in.settings.FormatFile != 0 || m_in.converter.isEmpty()) {
        if (m_in.settings.FormatFile == 0)
            ++m_unconverted;
        written(outputPath);
        return;
    }
    const QFileInfo odt(outputPath);
    queuePdf(outputPath, AppFolder::join(odt.absolutePath(), odt.completeBaseName() + QStringLiteral(".pdf")), false);
}

std::shared_ptr<const DocxTemplate> TGenerationRun::wordTemplate(const QString &entry, const QString &templatePath)
{
    if (!QFileInfo(templatePath).isFile()) {
        inTurn([this] { m_observer->notice(QStringLiteral("Файл шаблона не найден.")); });
        return nullptr;
    }
    auto &known = m_wordTemplates[templatePath];
    if (known)
        return known;
    const QString source = IsLegacyWordFile(templatePath) ? legacyConverted(templatePath) : templatePath;
    try {
        known = std::make_shared<const DocxTemplate>(source);
    } catch (const DokravaError &) {
        m_wordTemplates.remove(templatePath);
        brokenTemplate(entry);
        return nullptr;
    }
    return known;
}

void TGenerationRun::processWord(const std::shared_ptr<const DocxTemplate> &word, const QString &templatePath,
                                 const QString &outputPath, int row)
{
    TWordFields fields;
    fields.headers = m_in.grid.rows.value(0);
    fields.record = m_in.grid.rows.value(row);
    fields.personal = personalFields();
    fields.Colontit = m_in.settings.Colontit;
    const auto fill = [word, fields](const PendingFile &file) { word->filled(fields).write(file); };
    const QFileInfo out(outputPath);
    const QString suffix = out.suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        const QString keptDocx = AppFolder::join(out.absolutePath(), out.completeBaseName() + QStringLiteral(".docx"));
        fillInTurn(keptDocx, fill, [this, keptDocx, outputPath] {
            if (m_in.converter.isEmpty()) {
                ++m_unconverted;
                written(keptDocx);
            } else {
                queuePdf(keptDocx, outputPath, true);
            }
        });
    } else if (m_legacyDocx.contains(templatePath) && IsLegacyWordOutput(suffix)) {
        // Made by the converter from a filled ".docx" waiting in this run's scratch folder.
        const QString filled = scratchFolder().filePath(QStringLiteral("%1.docx").arg(m_scratchFiles++));
        fillInTurn(filled, fill, [this, filled, outputPath] { queueLegacy(filled, outputPath); });
    } else {
        fillInTurn(outputPath, fill, [this, outputPath] { written(outputPath); });
    }
}

std::optional<QList<std::pair<QString, QString>>> TGenerationRun::personalFields()
{
    // Read once per run: every document of the run gets the same personal fields.
    if (!m_personalRead) {
        m_personal.reset();
        if (QFileInfo::exists(m_in.personalFieldsFile)) {
            m_personal.emplace();
            for (const TPersonalField &f : ReadPersonalFieldsFile(m_in.personalFieldsFile))
                m_personal->append({f.name, f.value});
        }
        m_personalRead = true;
    }
    return m_personal;
}

ScratchFolder &TGenerationRun::scratchFolder()
{
    if (!m_scratch)
        m_scratch = std::make_unique<ScratchFolder>(QStringLiteral("RUN_"));
    return *m_scratch;
}

QString TGenerationRun::legacyConverted(const QString &templatePath)
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

ConversionSupervisor &TGenerationRun::supervisor()
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

void TGenerationRun::queuePdf(const QString &source, const QString &pdf, bool word)
{
    // Counted before the converters start: when none can start (no profile folder), the error
    // ends the run and the document is kept as a failed conversion.
    m_pending.append({source, pdf, word ? PendingConversion::Word : PendingConversion::Odt});
    supervisor().submit(source, pdf);
}

void TGenerationRun::queueLegacy(const QString &filled, const QString &target)
{
    m_pending.append({filled, target, PendingConversion::Legacy});
    supervisor().submit(filled, target, LegacyWordFormat(QFileInfo(target).suffix().toLower()));
}

void TGenerationRun::finishConversions()
{
    if (m_pending.isEmpty())
        return;
    const int total = int(m_pending.size());
    QList<bool> converted;
    if (m_supervisor)
        converted = m_supervisor->finish([this, total](int made) { m_observer->conversionsProgressed(made, total); });
    m_supervisor.reset();
    const bool stopped = stopRequested();
    for (int i = 0; i < m_pending.size(); ++i) {
        const PendingConversion &p = m_pending[i];
        // The filled document goes only once its conversion passed the check.
        if (converted.value(i)) {
            QFile::remove(p.source);
            written(p.target);
        } else if (stopped) {
            // The document is filled and whole; only its conversion was not made.
            keepUnconverted(p);
        } else if (p.kind == PendingConversion::Legacy) {
            legacyFailed(p);
        } else {
            ++m_pdfErrors;
            m_odtPdfErrors = m_odtPdfErrors || p.kind == PendingConversion::Odt;
            m_wordPdfErrors = m_wordPdfErrors || p.kind == PendingConversion::Word;
            written(p.source);
        }
    }
    m_pending.clear();
}

void TGenerationRun::keepUnconverted(const PendingConversion &p)
{
    QString kept = p.source;
    if (p.kind == PendingConversion::Legacy) {
        if (!keepLegacyAsDocx(p, kept))
            return;
        m_stopTarget = QLatin1Char('.') + QFileInfo(p.target).suffix();
    } else {
        m_stopTarget = QStringLiteral("PDF");
    }
    ++m_stopUnconverted;
    m_stopKeptOdt = m_stopKeptOdt || p.kind == PendingConversion::Odt;
    m_stopKeptWord = m_stopKeptWord || p.kind != PendingConversion::Odt;
    written(kept);
}

bool TGenerationRun::keepLegacyAsDocx(const PendingConversion &p, QString &kept)
{
    // The filled document waits in the run's scratch folder: it is copied beside the document
    // that was not made, under its own format.
    const QFileInfo target(p.target);
    kept = AppFolder::join(target.absolutePath(), target.completeBaseName() + QStringLiteral(".docx"));
    try {
        CopyFileSafely(p.source, kept);
    } catch (const DokravaError &) {
        m_observer->notice(QStringLiteral("Не удалось сохранить документ %1").arg(QDir::toNativeSeparators(p.target)));
        return false;
    }
    return true;
}

void TGenerationRun::legacyFailed(const PendingConversion &p)
{
    // The filled document is kept beside the one that could not be made, as a failed PDF keeps it.
    ++m_conversionErrors;
    QString kept;
    if (!keepLegacyAsDocx(p, kept))
        return;
    m_observer->notice(QStringLiteral("Не удалось сохранить документ %1; заполненный документ сохранён как %2")
                           .arg(QDir::toNativeSeparators(p.target), QDir::toNativeSeparators(kept)));
    written(kept);
}

QString TGenerationRun::documentsProgressText(int filled, int total, int converted)
{
    QString text = QStringLiteral("Документы: %1 из %2").arg(filled).arg(total);
    if (converted >= 0)
        text += QStringLiteral(", PDF: %1").arg(converted);
    return text;
}

void TGenerationRun::reportDocuments(bool always)
{
    // A report per document would flood the window's event queue on a fast run.
    if (!always && m_progressClock.isValid() && m_progressClock.elapsed() < 100)
        return;
    m_progressClock.start();
    const bool pdf = m_in.settings.FormatFile == 0 && !m_in.converter.isEmpty();
    m_observer->documentsProgressed(m_filled, m_expected, pdf ? (m_supervisor ? m_supervisor->madeSoFar() : 0) : -1);
}

void TGenerationRun::written(const QString &path)
{
    ++m_written;
    m_combined.written(path);
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
