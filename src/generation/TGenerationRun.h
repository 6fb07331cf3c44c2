#pragma once

#include "base/ScratchFolder.h"
#include "generation/CombinedPdfs.h"
#include "odf/OdtText.h"
#include "office/ConversionSupervisor.h"
#include "office/ConverterProcess.h"
#include "settings/Settings.h"
#include "sheets/DataTableLoader.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <exception>
#include <optional>
#include <functional>
#include <memory>

class DocxTemplate;
class FillPool;
class OdtTemplate;
class PendingFile;
class TGridModel;

// The data table as the run reads it, taken before the run starts.
struct TGridSnapshot
{
    QList<QStringList> rows; // rows[r]: the cells of columns 1.. of grid row r; rows[0] is the header row
    QList<bool> marks;       // the record mark of every row
    int currentRow = 1;      // the grid's current row

    // Copies the marks and the current row of the grid, and the texts of the rows a run reads:
    // the header row, the marked rows and the current row. The other rows stay empty.
    static TGridSnapshot fromModel(const TGridModel &grid);
};

// The plain inputs of one run.
struct TGenerationInput
{
    QString templatesDir;          // templates folder, ending in a separator
    QStringList templates;         // selected entries of the template list, in list order
    TGridSnapshot grid;
    TUnreadRows unreadRows;        // rows of the data file the load of the table left unread
    bool severalRecords = false;   // "Множественный выбор" or "Все строки": every marked row
    int namingColumn = 0;          // grid column whose value names folders and files (0: none)
    int namingMode = 0;            // 0 "по шаблону", 1 "по колонке"
    TSettings settings;
    QString personalFieldsFile;    // "replace.ini"
    QString outputRoot;            // "docum", with or without a trailing separator
    QString converter;             // the office suite's converter; empty when none was found
    int waitMs = kConversionWaitMs;
    int converters = 0;            // converter processes at once for PDF; 0: one per core, at most 4
    int fillThreads = 0;           // threads filling documents; 0: one per core
    int batchBaseMs = 60000;       // a batch of PDF conversions may take this long ...
    int perDocumentMs = 5000;      // ... plus this per document
    // Turns true when the user stops the run (from any thread); may be null.
    const std::atomic<bool> *stop = nullptr;
};

// What the run tells its caller while it works. Called on the thread that runs it.
class IGenerationObserver
{
public:
    virtual ~IGenerationObserver() = default;
    // Several-record mode starts: positions go from 0 to maximum.
    virtual void progressStarted(int maximum) { Q_UNUSED(maximum); }
    // Row becomes the current record.
    virtual void recordStarted(int row) { Q_UNUSED(row); }
    // The progress bar advances to position.
    virtual void progressed(int position) { Q_UNUSED(position); }
    // A document was written at path.
    virtual void documentWritten(const QString &path) { Q_UNUSED(path); }
    // filled of total documents have their files, and converted of them have their PDF in place
    // so far (-1 when the run makes no PDF). Heard a few times a second at most.
    virtual void documentsProgressed(int filled, int total, int converted)
    {
        Q_UNUSED(filled);
        Q_UNUSED(total);
        Q_UNUSED(converted);
    }
    // PDF conversion goes on after the last document was filled: converted of total documents
    // have their PDF in place (a failed or stopped conversion never counts).
    virtual void conversionsProgressed(int converted, int total) { Q_UNUSED(converted); Q_UNUSED(total); }
    // The files for printing are put together: done of total documents are in.
    virtual void combiningProgressed(int done, int total) { Q_UNUSED(done); Q_UNUSED(total); }
    // A plain notice ("Файл шаблона не найден.", "Готово", the conversion report).
    virtual void notice(const QString &text) { Q_UNUSED(text); }
    // The output folder is to be opened.
    virtual void openFolder(const QString &path) { Q_UNUSED(path); }
};

// The file name with its folder and its extension (the last "." and what follows) removed.
QString FileNameWithoutExt(const QString &fileName);

// A naming value or template name made usable as one folder or file name on every platform:
// \ / : * ? " < > | and control characters become "_", trailing dots and spaces are dropped.
QString SafeNamePart(const QString &text);

// The order of the two parts of a document's file name, "Имя файла" in the settings window.
enum class TNameOrder { TemplateFirst, ValueFirst };

// The order a FileName switch stands for: 0 "Шаблон-ИмяКолонки", any other "ИмяКолонки-Шаблон".
TNameOrder NameOrderOf(int FileName);

// The output path of one document: root / folder / name + extension. The naming mode chooses the
// folder (0: the template name T, 1: the naming value V), the order the name ("T-V" or "V-T");
// ".pdf" for Word templates when FormatFile is 0, otherwise the entry's own extension as written.
// A folder or file name that Windows keeps for a device ("CON", "com1.txt") gets a "_" added.
// A copy number above 1 adds " (copy)" before the extension. The naming value is shortened, on a
// character boundary, so the folder and the file name fit the file system's limit for one name,
// with room for any extension the run may write there.
QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, TNameOrder order, int FormatFile, int copy = 1);

// Longest name of one folder or file the file system takes: 255 bytes of UTF-8, or 255 UTF-16
// units on Windows.
constexpr int kMaxNameLength = 255;

// The length of a name as the file system counts it against kMaxNameLength.
int NameLength(const QString &name);

// The field values of one record: columns with an empty header are skipped; a header met
// twice throws DokravaError "Duplicates not allowed".
TFieldValues BuildFieldValues(const QStringList &headers, const QStringList &record);

// One generation run over the chosen templates and records. run() throws DokravaError when the
// run ends by an error; documents written before stay.
class TGenerationRun
{
public:
    // The observer is not owned and may be null.
    TGenerationRun(TGenerationInput input, IGenerationObserver *observer);
    ~TGenerationRun();

    // Writes every document, then opens the output folder and reports as the settings ask.
    void run();

    // Writes every selected template for one grid row.
    void ProcessCurrentRow(int row);

    // Conversions that failed in this run.
    int pdfErrorCount() const { return m_pdfErrors; }
    // Legacy ".doc" outputs the converter could not make (their ".docx" is kept beside).
    int conversionErrorCount() const { return m_conversionErrors; }
    // Documents left in their own format because PDF was wanted but no converter was found.
    int unconvertedCount() const { return m_unconverted; }
    // Files written in this run (a PDF and its kept source count once).
    int documentsWritten() const { return m_written; }
    // Filled documents a stop left in their own format before their conversion was made.
    int stoppedUnconvertedCount() const { return m_stopUnconverted; }
    // True when the run was stopped before its end.
    bool stopped() const { return m_stopped; }
    // The combined files for printing this run wrote.
    QStringList combinedFiles() const { return m_combineOutcome.files; }
    // Documents left out of a combined file, and combined files that could not be made.
    int combineFailures() const { return m_combineOutcome.failures; }

    // The progress text of documentsProgressed: "Документы: 120 из 500, PDF: 80".
    static QString documentsProgressText(int filled, int total, int converted);

    // The formats documents were left in: ".odt", ".docx" or ".odt/.docx".
    static QString leftFormats(bool odt, bool word);

    // The report of failed conversions: "Внимание! Ошибки конвертации в PDF: N файлов сохранены
    // как .odt", with the formats they were kept in (leftFormats).
    static QString conversionReport(int failures, const QString &formats);

    // The report of a stopped run: "Формирование остановлено. Создано документов: 40", and when
    // filled documents were left unconverted ", из них не сконвертированы в PDF: 20 (оставлены в
    // формате .odt/.docx)"; target names what they were to become ("PDF", ".doc").
    static QString stopReport(int written, int unconverted, const QString &target, const QString &formats);

private:
    void processTemplate(const QString &entry, int row);
    // The template read once for the run; nullptr (said once) when it is damaged.
    std::shared_ptr<const OdtTemplate> odtTemplate(const QString &entry, const QString &templatePath);
    void brokenTemplate(const QString &entry);
    void processOdt(const std::shared_ptr<const OdtTemplate> &known, const QString &outputPath, int row);
    void odtWritten(const QString &outputPath);
    std::shared_ptr<const DocxTemplate> wordTemplate(const QString &entry, const QString &templatePath);
    void processWord(const std::shared_ptr<const DocxTemplate> &word, const QString &templatePath,
                     const QString &outputPath, int row);
    std::optional<QList<std::pair<QString, QString>>> personalFields();
    // The documents one template makes from row on: the marked records left, or 1.
    int recordsFrom(int row) const;
    QString claimOutputPath(const QString &entry, const QString &namingValue);
    QString legacyConverted(const QString &templatePath);
    ScratchFolder &scratchFolder();
    void writeDocuments(const std::function<void()> &fill);
    // Queues step to run in its turn among the documents handed out.
    void inTurn(const std::function<void()> &step);
    // Runs step unless the run already failed or was stopped; error (or what step throws) fails
    // the run.
    void finished(std::exception_ptr error, const std::function<void()> &step);
    // Has a worker write the document at path; in its turn the file takes its name and then runs.
    void fillInTurn(const QString &path, std::function<void(const PendingFile &)> write, std::function<void()> then);
    bool stopRequested();
    void queuePdf(const QString &source, const QString &pdf, bool word);
    void queueLegacy(const QString &filled, const QString &target);
    ConversionSupervisor &supervisor();
    void finishConversions();
    void openOutputFolder();
    void combine();
    void written(const QString &path);
    void reportDocuments(bool always);

    TGenerationInput m_in;
    IGenerationObserver *m_observer;
    IGenerationObserver m_silent;
    int m_pdfErrors = 0;
    bool m_odtPdfErrors = false;
    bool m_wordPdfErrors = false;
    int m_stopUnconverted = 0;        // see stoppedUnconvertedCount
    bool m_stopKeptOdt = false;       // ... among them ".odt" documents
    bool m_stopKeptWord = false;      // ... and ".docx" ones
    QString m_stopTarget;             // what they were to become: "PDF" or ".doc"
    int m_unconverted = 0;
    int m_written = 0;
    bool m_stopped = false;
    QSet<QString> m_claimed;          // output paths this run has handed out, see claimOutputPath
    QHash<QString, int> m_nextCopy;   // first path of a name -> the copy number to try next
    std::unique_ptr<ScratchFolder> m_scratch; // this run's, for ".doc" templates converted once
    QHash<QString, QString> m_legacyDocx;     // ".doc" template -> its ".docx" in m_scratch
    // PDFs are made in batches while filling goes on.
    struct PendingConversion
    {
        QString source; // the filled ".odt"/".docx", kept when its conversion fails
        QString target;
        enum Kind { Odt, Word, Legacy } kind = Odt; // Legacy: a ".doc" output of a ".doc" template
    };
    void legacyFailed(const PendingConversion &p);
    bool keepLegacyAsDocx(const PendingConversion &p, QString &kept);
    void keepUnconverted(const PendingConversion &p);
    void reportStop();
    std::unique_ptr<ConversionSupervisor> m_supervisor;
    QList<PendingConversion> m_pending;
    int m_conversionErrors = 0; // ".doc" outputs that could not be made
    QSet<QString> m_brokenTemplates;  // reported once, then passed over
    // Templates read once per run, by path.
    QHash<QString, std::shared_ptr<const OdtTemplate>> m_odtTemplates;
    QHash<QString, std::shared_ptr<const DocxTemplate>> m_wordTemplates;
    std::optional<QList<std::pair<QString, QString>>> m_personal; // "replace.ini", read once
    bool m_personalRead = false;
    int m_scratchFiles = 0;              // filled documents waiting in m_scratch for conversion
    std::unique_ptr<FillPool> m_pool;    // while documents are written
    std::exception_ptr m_error;          // what ends the run, met in its turn
    int m_filled = 0;                    // documents whose file took its name
    int m_expected = 0;                  // documents the run is to make
    QElapsedTimer m_progressClock;       // since documentsProgressed was last heard
    CombinedPdfs m_combined;             // the files for printing, made once conversions are done
    CombinedPdfs::Outcome m_combineOutcome;
};
