// Figures for the check before a run: TEMPLATES templates (half ".docx", half ".odt", 40
// paragraphs each) against a table of RECORDS records, all of them chosen; then field and column
// names of LETTERS letters that differ in one letter: the whole check, and one comparison of two
// such names as the check makes it against the full table of edits it made before.
// Usage: bench_check [TEMPLATES] [RECORDS] [LETTERS]   (default 50, 10000 and 20000)
#include "BenchDocuments.h"

#include "generation/FieldMatch.h"
#include "generation/PreflightCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace dokrava;

namespace {

QByteArray paragraphs(const char *open, const char *close)
{
    QByteArray xml;
    for (int i = 0; i < 40; ++i)
        xml += QByteArray(open) + "Пункт " + QByteArray::number(i) + ": [ФИО], [Должность] из г. [Город], сумма [Сумма] от [Дата]"
               + close;
    return xml;
}

// The comparison of two names as the check made it before: every cell of the table of edits,
// time growing with the product of the lengths.
int fullEditDistance(QStringView a, QStringView b, int limit)
{
    const qsizetype n = a.size(), m = b.size();
    if (std::abs(int(n - m)) > limit)
        return limit + 1;
    QList<int> before(m + 1), previous(m + 1), current(m + 1);
    for (qsizetype j = 0; j <= m; ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        int rowBest = current[0];
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d = std::min(d, before[j - 2] + 1);
            current[j] = d;
            rowBest = std::min(rowBest, d);
        }
        if (rowBest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], limit + 1);
}

// An ".odt" and a ".docx" with three fields of letters letters each, against columns that differ
// from them in their last letter: every field is told about, none gets a guess.
void longNames(const QString &folder, int letters)
{
    TGenerationInput in;
    in.templatesDir = folder + QLatin1Char('/');
    QStringList fields, columns;
    QByteArray body;
    for (int k = 0; k < 3; ++k) {
        const QString base = QString(letters - 1, QChar(0x0430 + k));
        fields.append(base + QLatin1Char('x'));
        columns.append(base + QLatin1Char('y'));
        body += "[" + fields.last().toUtf8() + "] ";
    }
    BenchDocuments::writeOdt(in.templatesDir + QStringLiteral("Длинные.odt"), "<text:p>" + body + "</text:p>");
    BenchDocuments::writeDocx(in.templatesDir + QStringLiteral("Длинные.docx"), "<w:p><w:r><w:t>" + body + "</w:t></w:r></w:p>");
    in.templates = {QStringLiteral("Длинные.odt"), QStringLiteral("Длинные.docx")};
    in.grid.rows = {columns, QStringList(3, QStringLiteral("1"))};
    in.grid.marks = {false, true};
    in.severalRecords = true;
    in.namingColumn = 1;
    // Processor time, not wall time: on a machine shared with other work the two differ many times over.
    const auto cpuMs = [](std::clock_t from) { return double(std::clock() - from) * 1000.0 / CLOCKS_PER_SEC; };
    std::clock_t t = std::clock();
    const int found = int(CheckBeforeGeneration(in).size());
    const double check = cpuMs(t);
    t = std::clock();
    const int banded = EditDistance(fields[0], columns[0], kSuggestMaxEdits);
    const double bandedMs = cpuMs(t);
    t = std::clock();
    const int full = fullEditDistance(fields[0], columns[0], kSuggestMaxEdits);
    const double fullMs = cpuMs(t);
    std::printf("names of %d letters (processor time): the check %.0f ms (%d findings); one comparison %.2f ms, "
                "before %.0f ms (distance %d and %d)\n",
                letters, check, found, bandedMs, fullMs, banded, full);
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
    const int letters = argc > 3 ? std::max(2, QByteArray(argv[3]).toInt()) : 20000;
    QTemporaryDir longDir;
    longNames(longDir.path(), letters);
    return 0;
}
