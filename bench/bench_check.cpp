// Figures for the check before a run: TEMPLATES templates (half ".docx", half ".odt", 40
// paragraphs each) against a table of RECORDS records, all of them chosen.
// Usage: bench_check [TEMPLATES] [RECORDS]   (default 50 and 10000)
#include "BenchDocuments.h"

#include "generation/PreflightCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray paragraphs(const char *open, const char *close)
{
    QByteArray xml;
    for (int i = 0; i < 40; ++i)
        xml += QByteArray(open) + "Пункт " + QByteArray::number(i) + ": [ФИО], [Должность] из г. [Город], сумма [Сумма] от [Дата]"
               + close;
    return xml;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int templates = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 50;
    const int records = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 10000;
    QTemporaryDir dir;
    TGenerationInput in;
    in.templatesDir = dir.path() + QLatin1Char('/');
    for (int i = 0; i < templates; ++i) {
        const QString entry = QStringLiteral("Шаблон%1.%2").arg(i).arg(i % 2 ? QStringLiteral("odt") : QStringLiteral("docx"));
        if (i % 2)
            BenchDocuments::writeOdt(in.templatesDir + entry, paragraphs("<text:p>", "</text:p>"));
        else
            BenchDocuments::writeDocx(in.templatesDir + entry, paragraphs("<w:p><w:r><w:t>", "</w:t></w:r></w:p>"));
        in.templates.append(entry);
    }
    in.grid.rows.append(QStringList{"ФИО", "Должность", "Город", "Сумма", "Дата"});
    in.grid.marks.append(false);
    for (int r = 1; r <= records; ++r) {
        in.grid.rows.append(QStringList{QStringLiteral("Сотрудник %1").arg(r), "инженер", "Москва", QString::number(r), "01.02.2026"});
        in.grid.marks.append(true);
    }
    in.severalRecords = true;
    in.namingColumn = 1;
    qint64 best = -1;
    int found = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        found = int(CheckBeforeGeneration(in).size());
        best = best < 0 ? t.elapsed() : std::min(best, t.elapsed());
    }
    std::printf("check before a run: %d templates, %d records, %d findings in %lld ms (best of 5)\n", templates, records,
                found, best);
    return 0;
}
