#pragma once

#include "generation/GenerationInput.h"
#include "generation/GenerationObserver.h"
#include "generation/OutputNames.h"
#include "generation/RecordGroups.h"
#include "word/WordFiller.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>

namespace dokrava {

class DocxTemplate;
class OdtTemplate;
class PendingFile;

// One generation run over the chosen templates and records. run() throws DokravaError when the
// run ends by an error; documents written before stay. Each run() starts from a state of its
// own, so nothing of an earlier run on the same object is carried over.
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

    // What the last run did (zero before the first):
    // conversions that failed;
    int pdfErrorCount() const;
    // legacy ".doc" outputs the converter could not make (their ".docx" is kept beside);
    int conversionErrorCount() const;
    // documents left in their own format because PDF was wanted but no converter was found;
    int unconvertedCount() const;
    // files written (a PDF and its kept source count once);
    int documentsWritten() const;
    // filled documents a stop left in their own format before their conversion was made;
    int stoppedUnconvertedCount() const;
    // true when the run was stopped before its end;
    bool stopped() const;
    // the combined files for printing it wrote;
    QStringList combinedFiles() const;
    // documents left out of a combined file, and combined files that could not be made;
    int combineFailures() const;
    // the records the documents written were made of (a template with lines makes one document
    // of several records);
    int recordsWritten() const;
    // templates passed over for an error of the template language ("не закрыт блок …").
    int templateErrorCount() const;

    // The progress text of documentsProgressed: "Документы: 120 из 500, PDF: 80".
    static QString documentsProgressText(int filled, int total, int converted);

private:
    struct State;
    void processTemplate(const QString &entry, int row);
    // The template read once for the run; nullptr (said once) when it is damaged.
    std::shared_ptr<const OdtTemplate> odtTemplate(const QString &entry, const QString &templatePath);
    void brokenTemplate(const QString &entry);
    // The documents a template makes of the chosen records, worked out once per run; nullptr
    // (said once) when the template has an error of the template language.
    const TDocumentGroups *documentGroups(const QString &entry, const std::shared_ptr<const OdtTemplate> &odt,
                                          const std::shared_ptr<const DocxTemplate> &word);
    // The rows a run chooses, in order: the marked records, or the current one.
    QList<int> chosenRows() const;
    // What a Word document is filled with, for the rows of one document.
    TWordFields wordFields(const QList<int> &rows);
    void processOdt(const std::shared_ptr<const OdtTemplate> &known, const QString &outputPath, const QList<int> &rows);
    void odtWritten(const QString &outputPath);
    std::shared_ptr<const DocxTemplate> wordTemplate(const QString &entry, const QString &templatePath);
    void processWord(const std::shared_ptr<const DocxTemplate> &word, const QString &templatePath,
                     const QString &outputPath, const QList<int> &rows);
    // The documents one template makes from row on: the marked records left, or 1.
    int recordsFrom(int row) const;
    void writeDocuments(const std::function<void()> &fill);
    // Queues step to run in its turn among the documents handed out.
    void inTurn(const std::function<void()> &step);
    // Runs step unless the run already failed or was stopped; error (or what step throws) fails
    // the run.
    void finished(std::exception_ptr error, const std::function<void()> &step);
    // Has a worker write the document at path, made of records; in its turn the file joins the
    // group waiting for the disk, and once the group is there it takes its name and then runs.
    void fillInTurn(const QString &path, std::function<void(const PendingFile &)> write, std::function<void()> then,
                    int records = 1);
    // Makes the documents waiting durable and names them, with the steps between them.
    void flushGroup();
    bool stopRequested();
    void openOutputFolder();
    void combine();
    void written(const QString &path);
    void reportDocuments(bool always);
    void reportStop();

    TGenerationInput m_in;
    IGenerationObserver *m_observer;
    IGenerationObserver m_silent;
    std::unique_ptr<State> m_state; // made anew by each run()
};

} // namespace dokrava
