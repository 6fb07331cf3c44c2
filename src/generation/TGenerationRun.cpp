#include "generation/TGenerationRun.h"

#include "generation/TrimWorkingSet.h"
#include "generation/WordFiller.h"
#include "odf/TODTProcessor.h"
#include "shell/AppFolder.h"
#include "shell/DokravaError.h"
#include "table/TGridModel.h"

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

QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, int FormatFile)
{
    const QString t = SafeNamePart(FileNameWithoutExt(entry));
    const QString v = SafeNamePart(namingValue);
    const QString folder = namingMode == 1 ? v : t;
    const QString name = namingMode == 1 ? v + QLatin1Char('-') + t : t + QLatin1Char('-') + v;
    const QString entryName = entry.mid(std::max(entry.lastIndexOf(QLatin1Char('\\')), entry.lastIndexOf(QLatin1Char('/'))) + 1);
    const qsizetype dot = entryName.lastIndexOf(QLatin1Char('.'));
    const QString ownExt = dot < 0 ? QString() : entryName.mid(dot);
    const bool odt = ownExt.toLower() == QLatin1String(".odt");
    const QString ext = (FormatFile == 0 && !odt) ? QStringLiteral(".pdf") : ownExt;
    // An empty folder name puts the document into the output root itself.
    const QString dir = folder.isEmpty() ? outputRoot : AppFolder::join(outputRoot, folder);
    return AppFolder::join(dir, name + ext);
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
    if (!m_in.severalRecords) {
        ProcessCurrentRow(m_in.grid.currentRow);
        openOutputFolder();
        return;
    }
    const int maximum = int(m_in.grid.rows.size()) - 1;
    m_observer->progressStarted(std::max(maximum, 0));
    for (int i = 1; i <= maximum; ++i) {
        m_observer->recordStarted(i);
        if (m_in.grid.marks.value(i))
            ProcessCurrentRow(i);
        m_observer->progressed(i);
    }
    openOutputFolder();
    m_observer->notice(QStringLiteral("Готово"));
    if (m_pdfErrors > 0)
        m_observer->notice(QStringLiteral("Внимание! Ошибки конвертации в PDF: %1 файлов сохранены как .odt").arg(m_pdfErrors));
}

void TGenerationRun::ProcessCurrentRow(int row)
{
    for (const QString &entry : m_in.templates) {
        processTemplate(entry, row);
        TrimWorkingSet();
    }
}

void TGenerationRun::processTemplate(const QString &entry, int row)
{
    const QString templatePath = m_in.templatesDir + QDir::toNativeSeparators(entry);
    const QString namingValue = m_in.namingColumn >= 1
                                    ? m_in.grid.rows.value(row).value(m_in.namingColumn - 1)
                                    : QString();
    const QString outputPath = OutputPath(m_in.outputRoot, entry, namingValue, m_in.namingMode,
                                          m_in.settings.FormatFile);
    const QString folder = QFileInfo(outputPath).absolutePath();
    if (!QDir().mkpath(folder))
        throw DokravaError(QStringLiteral("Cannot create ") + QDir::toNativeSeparators(folder) + QDir::separator());
    if (QFileInfo(entry).suffix().toLower() == QLatin1String("odt"))
        processOdt(templatePath, outputPath, row);
    else
        processWord(templatePath, outputPath, row);
}

void TGenerationRun::processOdt(const QString &templatePath, const QString &outputPath, int row)
{
    const TFieldValues values = BuildFieldValues(m_in.grid.rows.value(0), m_in.grid.rows.value(row));
    if (!FillODTTemplate(templatePath, outputPath, values))
        return;
    if (m_in.settings.FormatFile != 0 || m_in.converter.isEmpty()) {
        written(outputPath);
        return;
    }
    const QFileInfo odt(outputPath);
    const QString pdf = AppFolder::join(odt.absolutePath(), odt.completeBaseName() + QStringLiteral(".pdf"));
    if (ConvertODTToPDF(outputPath, m_in.converter, m_in.waitMs) && QFileInfo::exists(pdf)) {
        QFile::remove(outputPath);
        written(pdf);
    } else {
        ++m_pdfErrors;
        written(outputPath);
    }
}

void TGenerationRun::processWord(const QString &templatePath, const QString &outputPath, int row)
{
    TWordFillData data;
    data.headers = m_in.grid.rows.value(0);
    data.record = m_in.grid.rows.value(row);
    data.personalFieldsFile = m_in.personalFieldsFile;
    data.Colontit = m_in.settings.Colontit;
    data.converter = m_in.converter;
    data.waitMs = m_in.waitMs;
    data.notice = [this](const QString &text) { m_observer->notice(text); };
    const QFileInfo out(outputPath);
    const QString keptDocx = AppFolder::join(out.absolutePath(), out.completeBaseName() + QStringLiteral(".docx"));
    switch (FillWordTemplate(templatePath, TReplaceOptions{true}, outputPath, data)) {
    case TWordFillResult::TemplateMissing:
        break;
    case TWordFillResult::Written:
        written(outputPath);
        break;
    case TWordFillResult::PdfFailed:
        ++m_pdfErrors;
        written(keptDocx);
        break;
    case TWordFillResult::KeptAsDocx:
        written(keptDocx);
        break;
    }
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
