#pragma once

#include "generation/GenerationInput.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace dokrava {

class ConversionSupervisor;
class IGenerationObserver;
class ScratchFolder;

// The conversions of one run: filled documents queued for PDF while filling goes on, legacy
// ".doc" templates turned into ".docx" once and their documents made by the converter, and at
// the end what became of each document: converted, kept in its own format by a stop, or failed.
class RunConversions
{
public:
    // written hears every file the conversions leave as a document of the run.
    RunConversions(const TGenerationInput &in, IGenerationObserver &observer,
                   std::function<void(const QString &)> written);
    ~RunConversions();

    RunConversions(const RunConversions &) = delete;
    RunConversions &operator=(const RunConversions &) = delete;

    // Queues a filled ".odt" (word: ".docx") source to become pdf; source is kept when it fails.
    void queuePdf(const QString &source, const QString &pdf, bool word);
    // Queues a filled ".docx" waiting in the scratch folder to become the legacy target.
    void queueLegacy(const QString &filled, const QString &target);

    // The ".docx" the legacy template at templatePath was converted to, made once per run.
    QString legacyConverted(const QString &templatePath);
    // True once templatePath was converted by legacyConverted.
    bool isLegacy(const QString &templatePath) const { return m_legacyDocx.contains(templatePath); }
    // A fresh path in the run's scratch folder for a filled ".docx" that waits for its conversion.
    QString scratchDocument();

    // Waits for the queued conversions and settles each document; stopped, asked once the
    // converters are done, tells whether a stop left the unmade ones in their own format.
    void finish(const std::function<bool()> &stopped);

    // PDFs made so far, for the progress display.
    int madeSoFar() const;
    // Conversions to PDF that failed.
    int pdfErrors() const { return m_pdfErrors; }
    // Legacy ".doc" outputs the converter could not make.
    int legacyErrors() const { return m_legacyErrors; }
    // Filled documents a stop left in their own format.
    int stopUnconverted() const { return m_stopUnconverted; }
    // The report of failed PDF conversions (conversionReport).
    QString failureReport() const;
    // The report of a stop after written documents (stopReport).
    QString stopReport(int written) const;

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
    struct Pending
    {
        QString source; // the filled ".odt"/".docx", kept when its conversion fails
        QString target;
        enum Kind { Odt, Word, Legacy } kind = Odt; // Legacy: a ".doc" output of a ".doc" template
    };
    ConversionSupervisor &supervisor();
    ScratchFolder &scratchFolder();
    void legacyFailed(const Pending &p);
    bool keepLegacyAsDocx(const Pending &p, QString &kept);
    void keepUnconverted(const Pending &p);

    const TGenerationInput &m_in;
    IGenerationObserver &m_observer;
    std::function<void(const QString &)> m_written;
    std::unique_ptr<ConversionSupervisor> m_supervisor;
    QList<Pending> m_pending;
    std::unique_ptr<ScratchFolder> m_scratch; // for ".doc" templates and their filled documents
    QHash<QString, QString> m_legacyDocx;     // ".doc" template -> its ".docx" in m_scratch
    int m_scratchFiles = 0;                   // filled documents put into m_scratch so far
    int m_pdfErrors = 0;
    bool m_odtPdfErrors = false;
    bool m_wordPdfErrors = false;
    int m_legacyErrors = 0;
    int m_stopUnconverted = 0;  // see stopUnconverted
    bool m_stopKeptOdt = false; // ... among them ".odt" documents
    bool m_stopKeptWord = false; // ... and ".docx" ones
    QString m_stopTarget;       // what they were to become: "PDF" or ".doc"
};

} // namespace dokrava
