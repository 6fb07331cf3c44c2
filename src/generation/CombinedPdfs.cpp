#include "generation/CombinedPdfs.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "generation/OutputNames.h"
#include "office/PdfCombiner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

namespace dokrava {

namespace {

// One file is one file whichever way its path was written.
QString key(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString pdfOf(const QString &path)
{
    const QFileInfo info(path);
    return key(info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".pdf"));
}

// A long list of names would fill the screen: the first ones, then how many more.
QString namesList(const QStringList &names)
{
    constexpr int shownNames = 20;
    QString list = names.mid(0, shownNames).join(QStringLiteral(", "));
    if (names.size() > shownNames)
        list += QStringLiteral(" и ещё %1").arg(names.size() - shownNames);
    return list;
}

} // namespace

CombinedPdfs::CombinedPdfs(QString outputRoot, const TSettings &settings)
    : m_root(std::move(outputRoot)),
      m_wanted(settings.FormatFile == 0 && settings.CombinePdf),
      m_duplex(settings.Duplex),
      m_copies(std::clamp(settings.Copies, kMinCopies, kMaxCopies))
{
}

void CombinedPdfs::expect(const QString &entry, const QString &path)
{
    if (!m_wanted)
        return;
    auto found = m_index.constFind(entry);
    if (found == m_index.cend()) {
        found = m_index.insert(entry, int(m_templates.size()));
        m_templates.append({entry, {}});
    }
    m_templates[*found].pdfs.append(pdfOf(path));
}

void CombinedPdfs::written(const QString &path)
{
    if (m_wanted)
        m_written.insert(key(path));
}

QString CombinedPdfs::filePath(const QString &outputRoot, const QString &entry, int copy)
{
    const QString tail = QStringLiteral(" — все документы") + (copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString())
                         + QStringLiteral(".pdf");
    QString name = SafeNamePart(FileNameWithoutExt(entry));
    // Shortened by whole characters; the cut may leave a trailing blank, which Windows would drop.
    while (!name.isEmpty() && NameLength(name) + NameLength(tail) > kMaxNameLength)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return AppFolder::join(outputRoot, SafeNamePart(name) + tail);
}

CombinedPdfs::Outcome CombinedPdfs::make(const std::atomic<bool> *stop,
                                          const std::function<void(int, int)> &progress) const
{
    Outcome outcome;
    int total = 0;
    for (const Template &t : m_templates)
        total += int(t.pdfs.size());
    int before = 0;
    QElapsedTimer clock;
    QSet<QString> names;
    QStringList lines;
    for (const Template &t : m_templates) {
        if (stop && stop->load())
            break;
        // Two templates of one name (in two sub-folders, or ".odt" and ".docx") get two files.
        QString target;
        for (int copy = 1; target.isEmpty() || names.contains(target.toCaseFolded()); ++copy)
            target = filePath(m_root, t.entry, copy);
        names.insert(target.toCaseFolded());
        TCombineOptions options;
        options.copies = m_copies;
        options.duplex = m_duplex;
        options.stop = stop;
        options.progress = [&](int done, int all) {
            // The window is told a few times a second, not once per document.
            if (progress && (!clock.isValid() || clock.elapsed() >= 100 || done == all)) {
                clock.start();
                progress(before + int(t.pdfs.size()) - all + done, total);
            }
        };
        lines += combineTemplate(t, target, options, outcome);
        before += int(t.pdfs.size());
    }
    outcome.report = lines.join(QLatin1Char('\n'));
    return outcome;
}

QStringList CombinedPdfs::combineTemplate(const Template &t, const QString &target, const TCombineOptions &options,
                                          Outcome &outcome) const
{
    QList<TPdfPart> parts;
    for (const QString &pdf : t.pdfs)
        // A document whose conversion failed stayed in its own format and is not among them.
        if (m_written.contains(pdf))
            parts.append({pdf, QFileInfo(pdf).completeBaseName()});
    QStringList lines;
    QSet<QString> leftOut;
    try {
        const TCombineResult result = CombinePdfFiles(parts, target, options);
        leftOut = QSet<QString>(result.leftOut.cbegin(), result.leftOut.cend());
        if (result.written) {
            outcome.files.append(target);
            lines.append(QStringLiteral("Общий файл для печати: %1 (документов: %2, страниц: %3)")
                             .arg(QDir::toNativeSeparators(target))
                             .arg(result.documents)
                             .arg(result.pages));
        } else if (!(options.stop && options.stop->load())) {
            ++outcome.failures;
            lines.append(QStringLiteral("Общий файл %1 не создан: в нём нет ни одного документа PDF")
                             .arg(QDir::toNativeSeparators(target)));
        }
    } catch (const DokravaError &e) {
        ++outcome.failures;
        lines.append(e.message());
    }
    // In the order of the run, whichever way a document was left out.
    QStringList missing;
    for (const QString &pdf : t.pdfs) {
        const QString title = QFileInfo(pdf).completeBaseName();
        if (!m_written.contains(pdf) || leftOut.contains(title))
            missing.append(title);
    }
    if (!missing.isEmpty()) {
        outcome.failures += int(missing.size());
        lines.append(QStringLiteral("В общий файл не вошли: ") + namesList(missing));
    }
    return lines;
}

} // namespace dokrava
