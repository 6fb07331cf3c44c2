// Fills a one-page ".odt" letter from 1000 records, one document each, and prints documents per
// second through both paths in the same run: the package in memory (ProcessODTTemplate) and the
// old way, unpacked to a scratch folder and packed again, with its time split into unpacking,
// replacing and packing.
//   bench_odt_fill [TEMPLATE] [RECORDS]
#include "base/ScratchFolder.h"
#include "odf/TODTProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace dokrava;

namespace {

TFieldValues record(int i)
{
    return {{"ФИО", QStringLiteral("Клиент №%1 Иванов Иван Иванович").arg(i)},
            {"Должность", "Генеральному директору"},
            {"Индекс", QString::number(100000 + i)},
            {"Город", "Москва"},
            {"Адрес", QStringLiteral("ул. Тверская, д. %1\nкв. %2").arg(i % 200).arg(i % 97)},
            {"Дата", "01.03.2024"},
            {"Организация", "ООО «Ромашка & Co»"},
            {"Сумма", QStringLiteral("%1,00").arg(i * 37)},
            {"Номер", QStringLiteral("%1/А").arg(i)}};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString templ = args.size() > 1 ? args.at(1) : QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt");
    const int count = args.size() > 2 ? args.at(2).toInt() : 1000;
    QTemporaryDir work;
    QTemporaryDir outDir;
    TODTProcessor p;
    p.FTempPath = work.filePath("Dokrava_");

    qint64 unpackNs = 0, replaceNs = 0, packNs = 0;
    QElapsedTimer total, step;
    total.start();
    for (int i = 0; i < count; ++i) {
        // The same steps as ProcessODTTemplate, timed one by one.
        ScratchFolder scratch(p.FTempPath, QStringLiteral("ODT_"));
        step.start();
        p.UnzipToFolder(templ, scratch.path());
        unpackNs += step.nsecsElapsed();
        step.start();
        const TFieldValues data = record(i);
        for (const char *part : {"content.xml", "styles.xml"}) {
            const QString path = scratch.filePath(QLatin1String(part));
            if (QFileInfo(path).isFile())
                TODTProcessor::WriteXmlPart(path, ReplaceVariables(TODTProcessor::ReadXmlPart(path), data));
        }
        replaceNs += step.nsecsElapsed();
        step.start();
        p.ZipFolder(scratch.path(), outDir.filePath(QStringLiteral("letter_%1.odt").arg(i)));
        packNs += step.nsecsElapsed();
    }
    const double seconds = total.nsecsElapsed() / 1e9;
    const double ms = 1e6 * count;
    std::printf("template: %s (%lld bytes)\n", qPrintable(QFileInfo(templ).fileName()), QFileInfo(templ).size());
    std::printf("unpack and pack: %d documents in %.2f s = %.1f documents/s\n", count, seconds, count / seconds);
    std::printf("per document: unpack %.3f ms, replace %.3f ms, pack %.3f ms, other (scratch folder) %.3f ms\n",
                unpackNs / ms, replaceNs / ms, packNs / ms,
                (total.nsecsElapsed() - unpackNs - replaceNs - packNs) / ms);

    QElapsedTimer whole;
    whole.start();
    for (int i = 0; i < count; ++i)
        p.ProcessODTTemplate(templ, outDir.filePath(QStringLiteral("direct_%1.odt").arg(i)), record(i));
    const double inMemory = count / (whole.nsecsElapsed() / 1e9);
    std::printf("in memory (ProcessODTTemplate): %d documents, %.1f documents/s, %.3f ms each\n", count, inMemory,
                1e3 / inMemory);
    std::printf("unpack and pack: %.1f documents/s; in memory is %.1fx faster\n", count / seconds,
                inMemory / (count / seconds));
    return 0;
}
