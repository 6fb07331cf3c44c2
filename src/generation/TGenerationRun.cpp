#include "generation/TGenerationRun.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/PendingFile.h"
#include "base/TemplateBlocks.h"
#include "generation/CombinedPdfs.h"
#include "generation/DurableGroup.h"
#include "generation/FillPool.h"
#include "generation/LegacyWordFile.h"
#include "generation/RunConversions.h"
#include "generation/TemplateKind.h"
#include "generation/TrimWorkingSet.h"
#include "odf/OdtTemplate.h"
#include "word/DocxTemplate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <optional>

namespace dokrava {

// Everything one run learns and counts; made anew by each run(), so a run never starts with
// what an earlier one left (names handed out, a stop, scratch files, counts).
struct TGenerationRun::State
{
    explicit State(TGenerationRun &run)
        : names(run.m_in.outputRoot, run.m_in.namingMode, run.m_in.settings.FileName, run.m_in.settings.FormatFile),
          conversions(run.m_in, *run.m_observer, [&run](const QString &path) { run.written(path); }),
          combined(run.m_in.outputRoot, run.m_in.settings), group(run.m_in.durableGroup)
    {
    }

    OutputNames names;
    RunConversions conversions;
    CombinedPdfs combined;                 // the files for printing, made once conversions are done
    CombinedPdfs::Outcome combineOutcome;
    QSet<QString> brokenTemplates;         // reported once, then passed over
    QSet<QString> failedTemplates;         // an error of the template language: reported once, passed over
    QHash<QString, TDocumentGroups> groups; // the documents of each template, by path
    QSet<QString> madeFolders;             // output folders made (or found) this run
    int extraRecords = 0;                  // records beyond one in the documents filled
    // Templates read once per run, by path.
    QHash<QString, std::shared_ptr<const OdtTemplate>> odtTemplates;
    QHash<QString, std::shared_ptr<const DocxTemplate>> wordTemplates;
    std::optional<QList<std::pair<QString, QString>>> personal; // "replace.ini", read once
    bool personalRead = false;
    int unconverted = 0;                   // see unconvertedCount
    int written = 0;                       // see documentsWritten
    bool stopped = false;
    int filled = 0;                        // documents whose file took its name
    int expected = 0;                      // documents the run is to make
    QElapsedTimer progressClock;           // since documentsProgressed was last heard
    std::exception_ptr error;              // what ends the run, met in its turn
    DurableGroup group;                    // documents written, waiting for the disk and their names
    std::unique_ptr<FillPool> pool;        // while documents are written

    // Personal fields, read once per run: every document of the run gets the same.
    const std::optional<QList<std::pair<QString, QString>>> &personalFields(const QString &file)
    {
        if (!personalRead) {
            if (QFileInfo::exists(file)) {
                personal.emplace();
                for (const TPersonalField &f : ReadPersonalFieldsFile(file))
                    personal->append({f.name, f.value});
            }
            personalRead = true;
        }
        return personal;
    }
};

TGenerationRun::TGenerationRun(TGenerationInput input, IGenerationObserver *observer)
    : m_in(std::move(input)), m_observer(observer ? observer : &m_silent), m_state(std::make_unique<State>(*this))
{
}

TGenerationRun::~TGenerationRun() = default;

int TGenerationRun::pdfErrorCount() const { return m_state->conversions.pdfErrors(); }
int TGenerationRun::conversionErrorCount() const { return m_state->conversions.legacyErrors(); }
int TGenerationRun::unconvertedCount() const { return m_state->unconverted; }
int TGenerationRun::documentsWritten() const { return m_state->written; }
int TGenerationRun::stoppedUnconvertedCount() const { return m_state->conversions.stopUnconverted(); }
bool TGenerationRun::stopped() const { return m_state->stopped; }
QStringList TGenerationRun::combinedFiles() const { return m_state->combineOutcome.files; }
int TGenerationRun::combineFailures() const { return m_state->combineOutcome.failures; }
int TGenerationRun::recordsWritten() const { return m_state->written + m_state->extraRecords; }
int TGenerationRun::templateErrorCount() const { return int(m_state->failedTemplates.size()); }

void TGenerationRun::run()
{
    m_state.reset();
    m_state = std::make_unique<State>(*this);
    State &s = *m_state;
    s.expected = int(m_in.templates.size());
    if (m_in.severalRecords)
        s.expected *= int(std::count(m_in.grid.marks.cbegin() + std::min<qsizetype>(1, m_in.grid.marks.size()),
                                     m_in.grid.marks.cend(), true));
    // What a killed run left half-written under the output root goes before new files come.
    RemoveAbandonedPendingFiles(m_in.outputRoot);
    if (!m_in.severalRecords) {
        writeDocuments([this] { ProcessCurrentRow(m_in.grid.currentRow); });
        combine();
        // A stop is answered even here: the user asked for it and learns what was kept.
        if (s.stopped)
            reportStop();
        else
            openOutputFolder();
        if (!s.combineOutcome.report.isEmpty())
            m_observer->notice(s.combineOutcome.report);
        return;
    }
    const int maximum = int(m_in.grid.rows.size()) - 1;
    m_observer->progressStarted(std::max(maximum, 0));
    writeDocuments([this, maximum] {
        for (int i = 1; i <= maximum && !stopRequested() && !m_state->error; ++i) {
            inTurn([this, i] { m_observer->recordStarted(i); });
            if (m_in.grid.marks.value(i))
                ProcessCurrentRow(i);
            inTurn([this, i] { m_observer->progressed(i); });
            // A few documents per worker are made ahead; the rest waits, so memory stays flat.
            m_state->pool->drain(2 * m_state->pool->threads());
        }
    });
    combine();
    if (s.stopped) {
        reportStop();
    } else {
        openOutputFolder();
        // One report of the end: documents of groups count under "Готово" in it.
        m_observer->notice(s.extraRecords > 0
                               ? QStringLiteral("Готово\n") + DocumentsMadeText(s.written, recordsWritten())
                               : QStringLiteral("Готово"));
        if (s.conversions.pdfErrors() > 0)
            m_observer->notice(s.conversions.failureReport());
    }
    if (!s.combineOutcome.report.isEmpty())
        m_observer->notice(s.combineOutcome.report);
}

void TGenerationRun::combine()
{
    // A stopped run makes no combined file: it would lack the documents not made.
    if (!m_state->combined.wanted() || stopRequested())
        return;
    m_state->combineOutcome = m_state->combined.make(m_in.stop, [this](int done, int total) {
        m_observer->combiningProgressed(done, total);
    });
    stopRequested();
}

void TGenerationRun::reportStop()
{
    m_observer->notice(m_state->conversions.stopReport(m_state->written));
}

bool TGenerationRun::stopRequested()
{
    m_state->stopped = m_state->stopped || (m_in.stop && m_in.stop->load());
    return m_state->stopped;
}

void TGenerationRun::writeDocuments(const std::function<void()> &fill)
{
    State &s = *m_state;
    s.error = nullptr;
    s.pool = std::make_unique<FillPool>(m_in.fillThreads);
    try {
        fill();
    } catch (...) {
        // An error met while handing out work counts after the documents handed out before it.
        inTurn([error = std::current_exception()] { std::rethrow_exception(error); });
    }
    s.pool->drain();
    // Documents written before a stop or an error keep their names.
    advanceGroup(true);
    // Work handed out after an error is dropped with its unfinished files.
    s.pool.reset();
    reportDocuments(true);
    // Documents already written keep their conversions when an error ends the run.
    s.conversions.finish([this] { return stopRequested(); });
    if (s.error)
        std::rethrow_exception(std::exchange(s.error, nullptr));
}

void TGenerationRun::inTurn(const std::function<void()> &step)
{
    m_state->pool->add([this, step] { finished(nullptr, step); });
}

void TGenerationRun::finished(std::exception_ptr error, const std::function<void()> &step)
{
    // After a stop or an error, what was made ahead is unfinished work: its files go unnamed.
    if (m_state->error || stopRequested())
        return;
    // A failure counts after the documents before it, which keep their names.
    std::function<void()> next = step;
    if (error)
        next = [error] { std::rethrow_exception(error); };
    try {
        m_state->group.add(std::move(next));
    } catch (...) {
        m_state->error = std::current_exception();
    }
    advanceGroup(false);
}

void TGenerationRun::advanceGroup(bool last)
{
    // A stop that comes while a group is on its way to the disk or named drops it and what came
    // after; the documents of a stop that came before were all written before it, and are kept.
    const auto stopped = [this] { return stopRequested(); };
    try {
        if (last)
            m_state->group.finish(stopped);
        else
            m_state->group.advance(stopped);
    } catch (...) {
        if (!m_state->error)
            m_state->error = std::current_exception();
    }
}

void TGenerationRun::fillInTurn(const QString &path, std::function<void(const PendingFile &)> write,
                                std::function<void()> then, int records)
{
    // The file is written before its turn comes; in its turn it waits with its group for the
    // disk, then takes its name. A group of one is synced by the worker, as a single save is.
    auto pending = std::make_shared<std::unique_ptr<PendingFile>>();
    m_state->pool->add(
        [path, write = std::move(write), pending, alone = m_in.durableGroup <= 1] {
            auto file = std::make_unique<PendingFile>(path);
            write(*file);
            if (alone)
                file->sync();
            *pending = std::move(file);
        },
        [this, pending, then = std::move(then), records](std::exception_ptr error) {
            if (error || m_state->error || stopRequested()) {
                finished(error, {});
                return;
            }
            m_state->group.add(std::move(*pending), [this, then, records] {
                ++m_state->filled;
                m_state->extraRecords += records - 1;
                then();
                reportDocuments(false);
            });
            advanceGroup(false);
        });
}

void TGenerationRun::ProcessCurrentRow(int row)
{
    for (const QString &entry : m_in.templates) {
        if (stopRequested() || m_state->error)
            return;
        processTemplate(entry, row);
        TrimWorkingSet();
    }
}

void TGenerationRun::processTemplate(const QString &entry, int row)
{
    State &s = *m_state;
    if (s.brokenTemplates.contains(entry) || s.failedTemplates.contains(entry))
        return;
    const QString templatePath = m_in.templatesDir + QDir::toNativeSeparators(entry);
    const bool odt = TemplateKindOf(entry) == TemplateKind::Odt;
    // A template that cannot be filled is known before any name or folder is taken for it.
    const std::shared_ptr<const OdtTemplate> odtSplit = odt ? odtTemplate(entry, templatePath) : nullptr;
    const std::shared_ptr<const DocxTemplate> word = odt ? nullptr : wordTemplate(entry, templatePath);
    if (odt ? !odtSplit : !word) {
        // The progress counts only documents that can come: a broken template's are gone for
        // the rest of the run, a missing template's for this record.
        s.expected -= s.brokenTemplates.contains(entry) ? recordsFrom(row) : 1;
        return;
    }
    const TDocumentGroups *groups = documentGroups(entry, odtSplit, word);
    if (!groups) {
        s.expected -= recordsFrom(row);
        return;
    }
    // A document of a group is made at its first record, named by it.
    const QList<int> rows = groups->documentAt(row);
    if (rows.isEmpty())
        return;
    const QString namingValue = m_in.namingColumn >= 1
                                    ? m_in.grid.rows.value(row).value(m_in.namingColumn - 1)
                                    : QString();
    const QString outputPath = s.names.claim(entry, namingValue);
    s.combined.expect(entry, outputPath);
    const QString folder = QFileInfo(outputPath).absolutePath();
    // Made once per run: asking the system for every document of a folder costs a call each.
    if (!s.madeFolders.contains(folder)) {
        // The one English text this program throws: it is the system's own message for a folder
        // that cannot be made, worded as users know it from there, and is kept so.
        if (!QDir().mkpath(folder))
            throw DokravaError(QStringLiteral("Cannot create ") + QDir::toNativeSeparators(folder) + QDir::separator());
        s.madeFolders.insert(folder);
    }
    if (odt)
        processOdt(odtSplit, outputPath, rows);
    else
        processWord(word, templatePath, outputPath, rows);
}

QList<int> TGenerationRun::chosenRows() const
{
    if (!m_in.severalRecords)
        return {m_in.grid.currentRow};
    QList<int> rows;
    for (int r = 1; r < m_in.grid.rows.size(); ++r)
        if (m_in.grid.marks.value(r))
            rows.append(r);
    return rows;
}

const TDocumentGroups *TGenerationRun::documentGroups(const QString &entry, const std::shared_ptr<const OdtTemplate> &odt,
                                                      const std::shared_ptr<const DocxTemplate> &word)
{
    State &s = *m_state;
    const QString key = m_in.templatesDir + entry;
    if (const auto known = s.groups.constFind(key); known != s.groups.cend())
        return &*known;
    const QStringList headers = m_in.grid.rows.value(0);
    std::optional<TTemplateLanguageError> error;
    TemplateBlocks::Use use;
    Qt::CaseSensitivity cs = Qt::CaseSensitive;
    if (odt) {
        QStringList fields;
        for (const auto &pair : BuildFieldValues(headers, headers))
            fields.append(pair.first);
        error = odt->languageError(fields);
        if (!error && odt->usesLanguage(fields))
            use = odt->languageUse(fields);
    } else {
        const TWordFields fields = wordFields({m_in.grid.currentRow});
        error = word->languageError(fields);
        if (!error && word->usesLanguage(fields))
            use = word->languageUse(fields);
        cs = Qt::CaseInsensitive;
    }
    if (error) {
        // No document of such a template is written; the run goes on with the others.
        s.failedTemplates.insert(entry);
        const QString text = QStringLiteral("Шаблон «%1»: %2").arg(QDir::toNativeSeparators(entry), error->message);
        inTurn([this, text] { m_observer->notice(text); });
        return nullptr;
    }
    TDocumentGroups groups;
    if (use.lines) {
        QList<int> keys;
        for (const QString &field : use.groupFields)
            for (int c = 0; c < headers.size(); ++c)
                if (headers[c].compare(field, cs) == 0) {
                    keys.append(c);
                    break;
                }
        const QList<int> chosen = chosenRows();
        groups = TDocumentGroups(m_in.grid.rows, chosen, keys);
        s.expected -= int(chosen.size()) - groups.documents();
    }
    return &*s.groups.insert(key, groups);
}

TWordFields TGenerationRun::wordFields(const QList<int> &rows)
{
    TWordFields fields;
    fields.headers = m_in.grid.rows.value(0);
    fields.record = m_in.grid.rows.value(rows.value(0));
    if (rows.size() > 1)
        for (const int r : rows)
            fields.group.append(m_in.grid.rows.value(r));
    fields.personal = m_state->personalFields(m_in.personalFieldsFile);
    fields.Colontit = m_in.settings.Colontit;
    return fields;
}

int TGenerationRun::recordsFrom(int row) const
{
    if (!m_in.severalRecords)
        return 1;
    return int(std::count(m_in.grid.marks.cbegin() + std::min<qsizetype>(row, m_in.grid.marks.size()),
                          m_in.grid.marks.cend(), true));
}

std::shared_ptr<const OdtTemplate> TGenerationRun::odtTemplate(const QString &entry, const QString &templatePath)
{
    auto &known = m_state->odtTemplates[templatePath];
    if (known)
        return known;
    try {
        known = std::make_shared<const OdtTemplate>(templatePath);
    } catch (const DokravaError &) {
        m_state->odtTemplates.remove(templatePath);
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
    m_state->brokenTemplates.insert(entry);
    inTurn([this, entry] { m_observer->notice(QStringLiteral("Шаблон повреждён: ") + QDir::toNativeSeparators(entry)); });
}

void TGenerationRun::processOdt(const std::shared_ptr<const OdtTemplate> &known, const QString &outputPath,
                                const QList<int> &rows)
{
    QList<TFieldValues> group;
    for (const int r : rows)
        group.append(BuildFieldValues(m_in.grid.rows.value(0), m_in.grid.rows.value(r)));
    fillInTurn(outputPath, [split = known, group](const PendingFile &file) { split->filledGroup(group).write(file); },
               [this, outputPath] { odtWritten(outputPath); }, int(rows.size()));
}

void TGenerationRun::odtWritten(const QString &outputPath)
{
    if (m_in.settings.FormatFile != 0 || m_in.converter.isEmpty()) {
        if (m_in.settings.FormatFile == 0)
            ++m_state->unconverted;
        written(outputPath);
        return;
    }
    const QFileInfo odt(outputPath);
    m_state->conversions.queuePdf(outputPath, AppFolder::join(odt.absolutePath(), odt.completeBaseName() + QStringLiteral(".pdf")), false);
}

std::shared_ptr<const DocxTemplate> TGenerationRun::wordTemplate(const QString &entry, const QString &templatePath)
{
    if (!QFileInfo(templatePath).isFile()) {
        inTurn([this] { m_observer->notice(QStringLiteral("Файл шаблона не найден.")); });
        return nullptr;
    }
    auto &known = m_state->wordTemplates[templatePath];
    if (known)
        return known;
    const QString source = IsLegacyWordFile(templatePath) ? m_state->conversions.legacyConverted(templatePath) : templatePath;
    try {
        known = std::make_shared<const DocxTemplate>(source);
    } catch (const DokravaError &) {
        m_state->wordTemplates.remove(templatePath);
        brokenTemplate(entry);
        return nullptr;
    }
    return known;
}

void TGenerationRun::processWord(const std::shared_ptr<const DocxTemplate> &word, const QString &templatePath,
                                 const QString &outputPath, const QList<int> &rows)
{
    State &s = *m_state;
    const TWordFields fields = wordFields(rows);
    const int records = int(rows.size());
    const auto fill = [word, fields](const PendingFile &file) { word->filled(fields).write(file); };
    const QFileInfo out(outputPath);
    const QString suffix = out.suffix().toLower();
    if (suffix == QLatin1String("pdf")) {
        const QString keptDocx = AppFolder::join(out.absolutePath(), out.completeBaseName() + QStringLiteral(".docx"));
        fillInTurn(keptDocx, fill, [this, keptDocx, outputPath] {
            if (m_in.converter.isEmpty()) {
                ++m_state->unconverted;
                written(keptDocx);
            } else {
                m_state->conversions.queuePdf(keptDocx, outputPath, true);
            }
        }, records);
    } else if (s.conversions.isLegacy(templatePath) && IsLegacyWordOutput(suffix)) {
        // Made by the converter from a filled ".docx" waiting in this run's scratch folder.
        const QString filled = s.conversions.scratchDocument();
        fillInTurn(filled, fill, [this, filled, outputPath] { m_state->conversions.queueLegacy(filled, outputPath); }, records);
    } else {
        fillInTurn(outputPath, fill, [this, outputPath] { written(outputPath); }, records);
    }
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
    State &s = *m_state;
    if (!always && s.progressClock.isValid() && s.progressClock.elapsed() < 100)
        return;
    s.progressClock.start();
    const bool pdf = m_in.settings.FormatFile == 0 && !m_in.converter.isEmpty();
    m_observer->documentsProgressed(s.filled, s.expected, pdf ? s.conversions.madeSoFar() : -1);
}

void TGenerationRun::written(const QString &path)
{
    ++m_state->written;
    m_state->combined.written(path);
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

} // namespace dokrava
