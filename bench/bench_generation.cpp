// Figures for the generation run: filling a large Word document, and a run over many records
// with a Word and an OpenDocument template, the sample contract with declined fields against plain
// ones, PDF conversion through the supervisor against one converter process per document, and
// combining 10,000 PDFs into one file for printing against the time their conversions take.
// Prints times and the peak memory of the process.
#include "BenchDocuments.h"
#include "BenchPerCallAmount.h"

#include "base/AppFolder.h"
#include "base/FieldFormat.h"
#include "generation/TGenerationRun.h"
#include "sheets/DataTableLoader.h"
#include "odf/TODTProcessor.h"
#include "office/ConversionSupervisor.h"
#include "office/OfficeSuite.h"
#include "office/PdfConverter.h"
#include "office/PdfCombiner.h"
#include "odf/OdtTemplate.h"
#include "word/DocxDocument.h"
#include "word/DocxTemplate.h"
#include "word/WordFiller.h"
#include "zip/ZipWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include "BenchMemory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <memory>
#include <utility>

using namespace dokrava;

namespace {

QByteArray body(int paragraphs)
{
    QByteArray xml;
    for (int i = 0; i < paragraphs; ++i)
        xml += "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Пункт " + QByteArray::number(i)
               + ": [ФИ</w:t></w:r><w:proofErr w:type=\"spellStart\"/><w:r><w:t>О] из [Город], сумма [Сумма] руб., "
                 "обычный текст без полей, который занимает место в абзаце.</w:t></w:r></w:p>";
    return xml;
}

void writeDocx(const QString &path, int paragraphs)
{
    BenchDocuments::writeDocx(path, body(paragraphs));
}

void writeOdt(const QString &path, int paragraphs)
{
    QByteArray text;
    for (int i = 0; i < paragraphs; ++i)
        text += "<text:p>Пункт [ФИО] из [Город], сумма [Сумма] руб.</text:p>";
    BenchDocuments::writeOdt(path, text);
}

long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void benchLargeDocument(const QString &dir)
{
    const QString path = dir + QStringLiteral("/large.docx");
    writeDocx(path, 5000);
    QElapsedTimer t;
    t.start();
    DocxDocument doc(path);
    const qint64 opened = t.elapsed();
    int n = 0;
    for (const char *field : {"[ФИО]", "[Город]", "[Сумма]", "[Нет]", "[Дата]", "[Должность]"})
        n += doc.replaceInMainText(QString::fromUtf8(field), QStringLiteral("Значение поля"));
    const qint64 replaced = t.elapsed();
    doc.save(dir + QStringLiteral("/large-out.docx"));
    std::printf("large .docx (5000 paragraphs, %lld KiB): open %lld ms, 6 fields (%d replaced) %lld ms, save %lld ms\n",
                QFileInfo(path).size() / 1024, opened, n, replaced - opened, t.elapsed() - replaced);
}

// One paragraph with 100,000 placeholders to fill, and 40,000 distinct field names to list.
void benchManyPlaceholders(const QString &dir)
{
    QByteArray xml = "<w:p><w:r><w:t xml:space=\"preserve\">";
    for (int i = 0; i < 100000; ++i)
        xml += "[F] ";
    xml += "</w:t></w:r></w:p>";
    QByteArray names = "<w:p><w:r><w:t xml:space=\"preserve\">";
    for (int i = 0; i < 40000; ++i)
        names += "[Поле " + QByteArray::number(i) + "] ";
    names += "</w:t></w:r></w:p>";
    const QString many = dir + QStringLiteral("/many.docx"), fields = dir + QStringLiteral("/fields.docx");
    BenchDocuments::writeDocx(many, xml);
    BenchDocuments::writeDocx(fields, names);
    QElapsedTimer t;
    DocxDocument doc(many);
    t.start();
    const int n = doc.replaceInMainText(QStringLiteral("[F]"), QStringLiteral("значение"));
    std::printf("one paragraph, %d placeholders filled in %lld ms\n", n, t.elapsed());
    DocxDocument listed(fields);
    t.restart();
    const int found = int(listed.bracketedFields().size());
    std::printf("field names of a .docx: %d listed in %lld ms\n", found, t.elapsed());
}

void benchRun(const QString &dir)
{
    QDir().mkpath(dir + QStringLiteral("/zagotka"));
    writeDocx(dir + QStringLiteral("/zagotka/Договор.docx"), 40);
    writeOdt(dir + QStringLiteral("/zagotka/Письмо.odt"), 40);
    TGenerationInput in;
    in.templatesDir = dir + QStringLiteral("/zagotka/");
    in.templates = {QStringLiteral("Договор.docx"), QStringLiteral("Письмо.odt")};
    in.grid.rows.append({QStringLiteral("ФИО"), QStringLiteral("Город"), QStringLiteral("Сумма")});
    in.grid.marks.append(false);
    const int records = 500;
    for (int r = 1; r <= records; ++r) {
        in.grid.rows.append({QStringLiteral("Иванов %1").arg(r), QStringLiteral("Москва"), QString::number(r * 100)});
        in.grid.marks.append(true);
    }
    in.severalRecords = true;
    in.namingColumn = 1;
    in.outputRoot = dir + QStringLiteral("/docum");
    QElapsedTimer t;
    t.start();
    TGenerationRun run(in, nullptr);
    run.run();
    const qint64 ms = t.elapsed();
    std::printf("run: %d records x 2 templates = %d documents in %lld ms (%.2f ms per document)\n", records,
                run.documentsWritten(), ms, double(ms) / run.documentsWritten());
}

// The sample templates and a table of records for them.
TGenerationInput sampleRun(const QString &dir, const QString &entry, int records, int threads, int group = 64)
{
    TGenerationInput in;
    in.templatesDir = QStringLiteral(DOKRAVA_SOURCE_DIR "/resources/zagotka/");
    in.templates = {entry};
    in.grid.rows.append({QStringLiteral("ФИО"), QStringLiteral("Должность"), QStringLiteral("Организация"),
                         QStringLiteral("Город"), QStringLiteral("Дата"), QStringLiteral("Сумма")});
    in.grid.marks.append(false);
    for (int r = 1; r <= records; ++r) {
        in.grid.rows.append({QStringLiteral("Иванов Иван %1").arg(r), QStringLiteral("Генеральный директор"),
                             QStringLiteral("ООО «Ромашка»"), QStringLiteral("Москва"), QStringLiteral("01.03.2026"),
                             QString::number(r * 1000)});
        in.grid.marks.append(true);
    }
    in.severalRecords = true;
    in.namingColumn = 1;
    in.settings.FormatFile = 1;
    in.fillThreads = threads;
    in.durableGroup = group;
    in.outputRoot = dir;
    return in;
}

// group: documents made durable by one flush; 1 syncs each on its own before it takes its name.
double compiledPerSecond(const QString &dir, const QString &entry, int records, int threads, int group = 64)
{
    QDir(dir).removeRecursively();
    QElapsedTimer t;
    t.start();
    TGenerationRun run(sampleRun(dir, entry, records, threads, group), nullptr);
    run.run();
    return run.documentsWritten() / (t.nsecsElapsed() / 1e9);
}

// The same documents one by one, each template read, filled and written whole.
double perDocumentPerSecond(const QString &dir, const QString &entry, int records)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const TGenerationInput in = sampleRun(dir, entry, records, 1);
    const QString templ = in.templatesDir + entry;
    QElapsedTimer t;
    t.start();
    for (int r = 1; r <= records; ++r) {
        const QString out = dir + QStringLiteral("/%1-%2").arg(r).arg(entry);
        if (entry.endsWith(QLatin1String(".odt"))) {
            TODTProcessor().ProcessODTTemplate(templ, out, BuildFieldValues(in.grid.rows[0], in.grid.rows[r]));
        } else {
            DocxDocument doc(templ);
            FillWordDocument(doc, TReplaceOptions{true}, TWordFields{in.grid.rows[0], in.grid.rows[r], std::nullopt, false, {}});
            doc.save(out);
        }
    }
    return records / (t.nsecsElapsed() / 1e9);
}

QByteArray archiveBytes(const Package &package)
{
    QByteArray bytes;
    ZipWriter zip(&bytes, QStringLiteral("bench"));
    package.writeTo(zip);
    zip.close();
    return bytes;
}

// Documents per second made in memory only, without the disk: the whole template read and filled
// per document, against the template read once.
std::pair<double, double> inMemoryPerSecond(const QString &entry, int records)
{
    const TGenerationInput in = sampleRun(QString(), entry, records, 1);
    const QString templ = in.templatesDir + entry;
    const bool odt = entry.endsWith(QLatin1String(".odt"));
    qint64 bytes = 0;
    QElapsedTimer t;
    t.start();
    for (int r = 1; r <= records; ++r) {
        if (odt) {
            Package package(templ);
            TODTProcessor::PrepareOdtPackage(package);
            for (const char *part : {"content.xml", "styles.xml"}) {
                const int i = package.indexOf(QLatin1String(part));
                package.replace(i, TODTProcessor::XmlPartBytes(ReplaceVariables(
                                       TODTProcessor::XmlPartText(package.data(i)),
                                       BuildFieldValues(in.grid.rows[0], in.grid.rows[r]))));
            }
            bytes += archiveBytes(package).size();
        } else {
            DocxDocument doc(templ);
            FillWordDocument(doc, TReplaceOptions{true}, TWordFields{in.grid.rows[0], in.grid.rows[r], std::nullopt, false, {}});
            bytes += archiveBytes(doc.edited()).size();
        }
    }
    const double whole = records / (t.nsecsElapsed() / 1e9);
    t.restart();
    if (odt) {
        const OdtTemplate split(templ);
        for (int r = 1; r <= records; ++r)
            bytes += archiveBytes(split.filled(BuildFieldValues(in.grid.rows[0], in.grid.rows[r]))).size();
    } else {
        const DocxTemplate split(templ);
        for (int r = 1; r <= records; ++r)
            bytes += archiveBytes(split.filled(TWordFields{in.grid.rows[0], in.grid.rows[r], std::nullopt, false, {}})).size();
    }
    Q_UNUSED(bytes);
    return {whole, records / (t.nsecsElapsed() / 1e9)};
}

void benchCompiled(const QString &dir)
{
    const int cores = QThread::idealThreadCount();
    for (const QString &entry : {QStringLiteral("Письмо.odt"), QStringLiteral("Договор.docx")}) {
        const double one = perDocumentPerSecond(dir + QStringLiteral("/one"), entry, 1000);
        const double single = compiledPerSecond(dir + QStringLiteral("/compiled"), entry, 1000, 1, 1);
        const double pool = compiledPerSecond(dir + QStringLiteral("/compiled"), entry, 1000, 0, 1);
        std::printf("%s, 1000 records: per document %.0f docs/s; read once, each document synced alone: "
                    "%.0f docs/s on 1 thread, %.0f docs/s on %d threads (%.1fx)\n",
                    qPrintable(entry), one, single, pool, cores, pool / one);
        const double groupSingle = compiledPerSecond(dir + QStringLiteral("/compiled"), entry, 1000, 1);
        const double grouped = compiledPerSecond(dir + QStringLiteral("/compiled"), entry, 1000, 0);
        std::printf("  read once, durable in groups of 64 or 100 ms: %.0f docs/s on 1 thread, %.0f docs/s on %d "
                    "threads (%.1fx the documents synced alone, %.1fx per document)\n",
                    groupSingle, grouped, cores, grouped / pool, grouped / one);
        const auto [whole, once] = inMemoryPerSecond(entry, 1000);
        std::printf("  in memory, one thread, without the disk: read and filled whole %.0f docs/s, "
                    "read once %.0f docs/s (%.1fx)\n", whole, once, once / whole);
    }
}

// An invoice of 10 lines and 3 conditions: 1000 documents of 10,000 records, made in memory on
// one thread from the template read once, against the template read and filled whole per
// document, and against the letter's documents per second. With whole false only the template
// read once is timed, its documents made rounds times over (for a profiler).
void benchInvoice(int documents, bool whole = true, int rounds = 1)
{
    QTemporaryDir dir;
    const QString templ = dir.filePath(QStringLiteral("Счёт.odt"));
    BenchDocuments::writeOdt(
        templ, "<text:p>Счёт № [Номер] от [Дата:дата]</text:p><text:p>Покупатель: [Покупатель]</text:p>"
               "<text:p>[если Телефон]Телефон: [Телефон][/если]</text:p>"
               "<table:table table:name=\"Lines\"><table:table-column table:number-columns-repeated=\"5\"/>"
               "<table:table-row><table:table-cell><text:p>№</text:p></table:table-cell><table:table-cell><text:p>Товар</text:p>"
               "</table:table-cell><table:table-cell><text:p>Кол</text:p></table:table-cell><table:table-cell><text:p>Цена</text:p>"
               "</table:table-cell><table:table-cell><text:p>Сумма</text:p></table:table-cell></table:table-row>"
               "<table:table-row><table:table-cell><text:p>[*№]</text:p></table:table-cell><table:table-cell><text:p>[*Товар]</text:p>"
               "</table:table-cell><table:table-cell><text:p>[*Кол]</text:p></table:table-cell><table:table-cell><text:p>[*Цена:сумма]"
               "</text:p></table:table-cell><table:table-cell><text:p>[*Сумма:сумма]</text:p></table:table-cell></table:table-row>"
               "<table:table-row><table:table-cell><text:p>Итого</text:p></table:table-cell><table:table-cell/><table:table-cell/>"
               "<table:table-cell/><table:table-cell><text:p>[Сумма:итого]</text:p></table:table-cell></table:table-row></table:table>"
               "<text:p>Всего к оплате: [Сумма:итого:сумма и прописью]</text:p>"
               "<text:p>[если Скидка > 0]Скидка [Скидка]% учтена в ценах.[иначе]Цены без скидки.[/если]</text:p>"
               "<text:p>[если Примечание]</text:p><text:p>Примечание: [Примечание]</text:p><text:p>[/если]</text:p>");
    const QStringList names{"Номер", "Дата", "Покупатель", "Телефон", "Скидка", "Примечание", "Товар", "Кол", "Цена", "Сумма"};
    QList<QList<QStringList>> rows;
    for (int d = 0; d < documents; ++d) {
        QList<QStringList> group;
        for (int line = 0; line < 10; ++line)
            group.append({QString::number(d + 1), QStringLiteral("10.03.2026"), QStringLiteral("ООО «Ромашка %1»").arg(d),
                          d % 2 ? QStringLiteral("+7 495 123-45-67") : QString(), QString::number(d % 3 * 5),
                          d % 4 ? QString() : QStringLiteral("доставка до склада"),
                          QStringLiteral("Товар номер %1").arg(line + 1), QString::number(line + 1),
                          QStringLiteral("%1,50").arg(100 + line), QStringLiteral("%1").arg((100.5 + line) * (line + 1), 0, 'f', 2)});
        rows.append(group);
    }
    QList<QList<TFieldValues>> groups;
    for (const QList<QStringList> &group : std::as_const(rows)) {
        QList<TFieldValues> values;
        for (const QStringList &row : group) {
            TFieldValues record;
            for (int c = 0; c < names.size(); ++c)
                record.append({names[c], row[c]});
            values.append(record);
        }
        groups.append(values);
    }
    qint64 bytes = 0;
    QElapsedTimer t;
    t.start();
    if (whole)
        for (const QList<TFieldValues> &group : std::as_const(groups))
            bytes += archiveBytes(TODTProcessor::FilledOdtGroup(templ, group)).size();
    const double odtWhole = documents / (t.nsecsElapsed() / 1e9);
    t.restart();
    const OdtTemplate split(templ);
    for (int round = 0; round < rounds; ++round)
        for (const QList<TFieldValues> &group : std::as_const(groups))
            bytes += archiveBytes(split.filledGroup(group)).size();
    const double once = documents * rounds / (t.nsecsElapsed() / 1e9);

    // The same invoice as a Word document: runs with their formatting, paragraph ids, a table
    // whose cells have widths.
    int id = 0;
    const auto para = [&id](const QByteArray &text) {
        const QByteArray paraId = QByteArray::number(0x1000 + ++id, 16).rightJustified(8, '0').toUpper();
        return "<w:p w14:paraId=\"" + paraId + "\" w14:textId=\"77777777\"><w:pPr><w:spacing w:after=\"0\"/></w:pPr>"
               "<w:r><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/><w:sz w:val=\"20\"/></w:rPr><w:t xml:space=\"preserve\">"
               + text + "</w:t></w:r></w:p>";
    };
    const auto cell = [&](const QByteArray &text) {
        return "<w:tc><w:tcPr><w:tcW w:w=\"1870\" w:type=\"dxa\"/></w:tcPr>" + para(text) + "</w:tc>";
    };
    const auto row = [&](const QList<QByteArray> &texts) {
        QByteArray out = "<w:tr><w:trPr><w:cantSplit/></w:trPr>";
        for (const QByteArray &text : texts)
            out += cell(text);
        return out + "</w:tr>";
    };
    QByteArray body = para("Счёт № [Номер] от [Дата:дата]") + para("Покупатель: [Покупатель]")
                      + para("[если Телефон]Телефон: [Телефон][/если]")
                      + "<w:tbl><w:tblPr><w:tblW w:w=\"9350\" w:type=\"dxa\"/></w:tblPr><w:tblGrid>"
                        "<w:gridCol w:w=\"1870\"/><w:gridCol w:w=\"1870\"/><w:gridCol w:w=\"1870\"/><w:gridCol w:w=\"1870\"/>"
                        "<w:gridCol w:w=\"1870\"/></w:tblGrid>";
    body += row({"№", "Товар", "Кол", "Цена", "Сумма"});
    body += row({"[*№]", "[*Товар]", "[*Кол]", "[*Цена:сумма]", "[*Сумма:сумма]"});
    body += row({"Итого", "", "", "", "[Сумма:итого]"});
    body += "</w:tbl>" + para("Всего к оплате: [Сумма:итого:сумма и прописью]")
            + para("[если Скидка > 0]Скидка [Скидка]% учтена в ценах.[иначе]Цены без скидки.[/если]")
            + para("[если Примечание]") + para("Примечание: [Примечание]") + para("[/если]");
    const QString word = dir.filePath(QStringLiteral("Счёт.docx"));
    BenchDocuments::writeDocx(word, body);
    QList<TWordFields> wordGroups;
    for (const QList<QStringList> &group : std::as_const(rows))
        wordGroups.append(TWordFields{names, group.first(), std::nullopt, false, group});
    t.restart();
    if (whole) {
        for (const TWordFields &fields : std::as_const(wordGroups)) {
            DocxDocument doc(word);
            FillWordDocument(doc, TReplaceOptions{true}, fields);
            bytes += archiveBytes(doc.edited()).size();
        }
    }
    const double wordWhole = documents / (t.nsecsElapsed() / 1e9);
    t.restart();
    const DocxTemplate wordOnce(word);
    for (int round = 0; round < rounds; ++round)
        for (const TWordFields &fields : std::as_const(wordGroups))
            bytes += archiveBytes(wordOnce.filled(fields)).size();
    const double wordCompiled = documents * rounds / (t.nsecsElapsed() / 1e9);
    Q_UNUSED(bytes);
    const double letter = inMemoryPerSecond(QStringLiteral("Письмо.odt"), documents).second;
    std::printf("Invoice of 10 lines and 3 conditions, %d documents (%d records), in memory, one thread (%d cores):\n"
                "  .odt: filled whole per document %.0f docs/s; read once %.0f docs/s (%.1fx); the letter read once %.0f docs/s "
                "(the invoice makes %.2f of it)\n"
                "  .docx: filled whole per document %.0f docs/s; read once %.0f docs/s (%.1fx); the letter read once %.0f docs/s "
                "(the invoice makes %.2f of it)\n",
                documents, documents * 10, QThread::idealThreadCount(), odtWhole, once, once / odtWhole, letter, once / letter,
                wordWhole, wordCompiled, wordCompiled / wordWhole, letter, wordCompiled / letter);
}

// Values written in formats on one thread, as many times over as the figure needs: a line field
// "[*Цена:сумма]" over many prices, its format found by name and the amount put together piece by
// piece on every value as before, the name found on every value with the amounts written as now,
// and the formats read once; then the formats a document writes once each.
void benchFormats()
{
    QStringList prices;
    for (int k = 0; k < 100000; ++k)
        prices.append(QStringLiteral("%1,%2").arg(k % 7 == 0 ? 1000 + k * 37 : 100 + k % 900).arg(k % 100, 2, 10, QLatin1Char('0')));
    const auto perSecond = [&prices](const auto &format) {
        const int rounds = 10;
        qsizetype written = 0;
        QElapsedTimer t;
        t.start();
        for (int round = 0; round < rounds; ++round)
            for (const QString &price : std::as_const(prices))
                written += format(price).value_or(QString()).size();
        Q_UNUSED(written);
        return prices.size() * rounds / (t.nsecsElapsed() / 1e9) / 1e6;
    };
    const QStringList amount{QStringLiteral("сумма")};
    const FieldFormatChain amountChain(amount);
    for (const QString &price : std::as_const(prices))
        if (amountChain.apply(price) != BenchPerCallAmount::apply(amount, price))
            std::printf("  the amount as before differs for %s\n", qPrintable(price));
    const double before = perSecond([&](const QString &v) { return BenchPerCallAmount::apply(amount, v); });
    const double byName = perSecond([&](const QString &v) { return ApplyFieldFormats(amount, v); });
    const double once = perSecond([&](const QString &v) { return amountChain.apply(v); });
    std::printf("Formatting values, one thread (%d cores):\n"
                "  [*Цена:сумма], %lld prices: as before (found by name, put together piece by piece) %.2f M values/s; "
                "found by name %.2f M values/s; read once %.2f M values/s (%.1fx as before)\n",
                QThread::idealThreadCount(), qlonglong(prices.size()), before, byName, once, once / before);
    const QList<QPair<QStringList, QString>> documentFormats{
        {{QStringLiteral("сумма и прописью")}, QStringLiteral("12345,67")},
        {{QStringLiteral("итого"), QStringLiteral("сумма и прописью")}, QStringLiteral("1055,5")},
        {{QStringLiteral("дата")}, QStringLiteral("10.03.2026")},
        {{QStringLiteral("«дата»")}, QStringLiteral("2026-03-10")},
        {{QStringLiteral("рубли")}, QStringLiteral("999999,99")},
    };
    for (const auto &[formats, value] : documentFormats) {
        const FieldFormatChain chain(formats);
        const double perCall = perSecond([&](const QString &) { return ApplyFieldFormats(formats, value); });
        const double prepared = perSecond([&](const QString &) { return chain.apply(value); });
        std::printf("  [%s] of %s: found by name %.2f M values/s; read once %.2f M values/s (%.1fx)\n",
                    qPrintable(formats.join(QLatin1Char(':'))), qPrintable(value), perCall, prepared, prepared / perCall);
    }
}

// The shipped invoice and act with lines: their table's groups (by invoice number) repeated to
// documents, made in memory on one thread from the template read once against the template read
// and filled whole per document.
void benchSamples(int documents)
{
    const QString dir = QStringLiteral(DOKRAVA_SOURCE_DIR "/resources/primery/");
    const TDataTable table = LoadDataTable(dir + QStringLiteral("Счета.csv"), 0);
    QList<QList<QStringList>> groups;
    for (const QStringList &row : table.rows) {
        if (groups.isEmpty() || groups.last().first().value(0).trimmed() != row.value(0).trimmed())
            groups.append(QList<QStringList>());
        groups.last().append(row);
    }
    const auto timed = [&](const std::function<void(const QList<QStringList> &)> &make) {
        QElapsedTimer t;
        t.start();
        for (int d = 0; d < documents; ++d)
            make(groups[d % groups.size()]);
        return documents / (t.nsecsElapsed() / 1e9);
    };
    const auto odtGroup = [&](const QList<QStringList> &group) {
        QList<TFieldValues> out;
        for (const QStringList &row : group) {
            TFieldValues values;
            for (int c = 0; c < table.headers.size(); ++c)
                values.append({table.headers[c], row.value(c)});
            out.append(values);
        }
        return out;
    };
    const auto wordFields = [&](const QList<QStringList> &group) {
        return TWordFields{table.headers, group.first(), std::nullopt, false, group.size() > 1 ? group : QList<QStringList>()};
    };
    const QString act = dir + QStringLiteral("Акт.odt"), invoice = dir + QStringLiteral("Счёт.docx");
    qint64 bytes = 0;
    const double actWhole = timed([&](const QList<QStringList> &g) {
        bytes += archiveBytes(TODTProcessor::FilledOdtGroup(act, odtGroup(g))).size();
    });
    const OdtTemplate actOnce(act);
    const double actCompiled = timed([&](const QList<QStringList> &g) { bytes += archiveBytes(actOnce.filledGroup(odtGroup(g))).size(); });
    const double invoiceWhole = timed([&](const QList<QStringList> &g) {
        DocxDocument doc(invoice);
        FillWordDocument(doc, TReplaceOptions{true}, wordFields(g));
        bytes += archiveBytes(doc.edited()).size();
    });
    const DocxTemplate invoiceOnce(invoice);
    const double invoiceCompiled = timed([&](const QList<QStringList> &g) { bytes += archiveBytes(invoiceOnce.filled(wordFields(g))).size(); });
    Q_UNUSED(bytes);
    std::printf("Samples with lines, %d documents of %lld groups, in memory, one thread (%d cores):\n"
                "  Акт.odt: filled whole per document %.0f docs/s, read once %.0f docs/s (%.1fx)\n"
                "  Счёт.docx: filled whole per document %.0f docs/s, read once %.0f docs/s (%.1fx)\n",
                documents, static_cast<long long>(groups.size()), QThread::idealThreadCount(), actWhole, actCompiled,
                actCompiled / actWhole, invoiceWhole, invoiceCompiled, invoiceCompiled / invoiceWhole);
}

// The sample contract declines three fields ("в лице [Должность:родительный] [ФИО:родительный],
// [ФИО:действующего|действующей]"); the same contract with those fields plain, filled in the same
// run, shows what declining costs. Documents are made in memory on one thread.
void benchDeclined(const QString &dir, int records)
{
    const QString declined = QStringLiteral(DOKRAVA_SOURCE_DIR "/resources/zagotka/Договор.docx");
    const QString plain = dir + QStringLiteral("/Договор-plain.docx");
    Package package(declined);
    const int part = package.indexOf(QStringLiteral("word/document.xml"));
    QString xml = QString::fromUtf8(package.data(part));
    int replaced = 0;
    for (const auto &[from, to] : {std::pair{"[Должность:родительный]", "[Должность]"},
                                   std::pair{"[ФИО:родительный]", "[ФИО]"},
                                   std::pair{"[ФИО:действующего|действующей]", "[ФИО]"}}) {
        replaced += int(xml.count(QString::fromUtf8(from)));
        xml.replace(QString::fromUtf8(from), QString::fromUtf8(to));
    }
    package.replace(part, xml.toUtf8());
    package.save(plain);
    const QStringList headers{QStringLiteral("ФИО"), QStringLiteral("Должность"), QStringLiteral("Организация"),
                              QStringLiteral("Город"), QStringLiteral("Дата"), QStringLiteral("Сумма")};
    const QStringList names{QStringLiteral("Сидоров Пётр Алексеевич"), QStringLiteral("Кузнецова Елена Викторовна"),
                            QStringLiteral("Римский-Корсаков Николай Андреевич"), QStringLiteral("Алиев Рашид Гусейн оглы")};
    const QStringList positions{QStringLiteral("генеральный директор"), QStringLiteral("главный бухгалтер"),
                                QStringLiteral("заместитель директора по финансам"), QStringLiteral("ведущий специалист")};
    auto perSecond = [&](const QString &templ) {
        const DocxTemplate split(templ);
        qint64 bytes = 0;
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < records; ++r) {
            const QStringList record{names[r % 4], positions[(r / 4) % 4], QStringLiteral("ООО «Ромашка»"),
                                     QStringLiteral("Москва"), QStringLiteral("01.03.2026"), QString::number(r * 1000)};
            bytes += archiveBytes(split.filled(TWordFields{headers, record, std::nullopt, false, {}})).size();
        }
        Q_UNUSED(bytes);
        return records / (t.nsecsElapsed() / 1e9);
    };
    double plainBest = 0, declinedBest = 0;
    for (int round = 0; round < 2; ++round) { // alternated, the better of two rounds each
        plainBest = std::max(plainBest, perSecond(plain));
        declinedBest = std::max(declinedBest, perSecond(declined));
    }
    std::printf("Договор.docx, %d records in memory on one thread: %d plain fields %.0f docs/s, the same declined "
                "%.0f docs/s (%.2f of the plain speed)\n",
                records, replaced, plainBest, declinedBest, declinedBest / plainBest);
}

// Fills the letter for records letters into folder and returns their paths.
QStringList filledLetters(const QString &folder, int records)
{
    QDir().mkpath(folder);
    QStringList out;
    TODTProcessor processor;
    for (int r = 0; r < records; ++r) {
        const QString path = folder + QStringLiteral("/Письмо-%1.odt").arg(r);
        processor.ProcessODTTemplate(QStringLiteral(DOKRAVA_TEST_DATA "/odf/letter.odt"), path,
                                     {{QStringLiteral("ФИО"), QStringLiteral("Иванов %1").arg(r)}});
        out << path;
    }
    return out;
}

double throughSupervisor(const QStringList &documents, const QString &converter)
{
    QElapsedTimer t;
    t.start();
    ConversionSupervisor::Options options;
    options.converter = converter;
    ConversionSupervisor supervisor(options);
    for (const QString &odt : documents)
        supervisor.submit(odt, odt.chopped(4) + QStringLiteral(".pdf"));
    const QList<bool> converted = supervisor.finish();
    const double seconds = t.nsecsElapsed() / 1e9;
    if (converted.count(true) != documents.size())
        std::printf("  (%lld of %lld converted)\n", (long long)converted.count(true), (long long)documents.size());
    return documents.size() / seconds;
}

// Conversions per second through the supervisor, and one converted letter; no figure (0) when
// there is no office suite.
std::pair<double, QString> benchPdf(const QString &dir)
{
    QString converter;
    if (!FindLOPath(converter)) {
        std::printf("PDF: no office suite found, skipped\n");
        return {0, QString()};
    }
    // The kept profiles are set up once, as on a machine where the program ran before.
    throughSupervisor(filledLetters(dir + QStringLiteral("/warm"), 4), converter);
    const QStringList batch = filledLetters(dir + QStringLiteral("/batch"), 200);
    const double supervised = throughSupervisor(batch, converter);
    // One converter process per document, measured on 20 after one that sets up its profile.
    const QStringList single = filledLetters(dir + QStringLiteral("/single"), 21);
    ConvertODTToPDF(single.first(), converter);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i < single.size(); ++i)
        ConvertODTToPDF(single[i], converter);
    const double perDocument = (single.size() - 1) / (t.nsecsElapsed() / 1e9);
    std::printf("PDF, 200 one-page letters: %.2f PDF/s through the supervisor (%d converters, batches of 50), "
                "%.2f PDF/s with one converter per document (20 measured); %.1fx\n",
                supervised, std::clamp(QThread::idealThreadCount(), 1, 4), perDocument, supervised / perDocument);
    return {supervised, batch.first().chopped(4) + QStringLiteral(".pdf")};
}

// Combining as it was done before the file was written part by part: every part held open in
// qpdf, its pages added to one QPDF that qpdf's writer writes at the end, then read back as now
// (bookmarks left out, a few objects of 10,000). Returns the pages written.
int combineHeldWhole(const QList<TPdfPart> &parts, const QString &target, bool duplex)
{
    QPDF out;
    out.emptyPDF();
    QPDFPageDocumentHelper outPages(out);
    std::vector<std::unique_ptr<QPDF>> held;
    int count = 0;
    for (const TPdfPart &part : parts) {
        // Each file open only while it is read, as before.
        auto input = std::make_shared<ClosedFileInputSource>(QFile::encodeName(part.pdf).constData());
        input->stayOpen(true);
        auto pdf = std::make_unique<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->setAttemptRecovery(false);
        pdf->processInputSource(input);
        pdf->getAllObjects();
        const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf).getAllPages();
        if (count > 0 && duplex && pages.size() % 2 == 1) {
            QPDFObjectHandle blank = QPDFObjectHandle::newDictionary();
            blank.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
            blank.replaceKey("/MediaBox", QPDFPageObjectHelper(out.getAllPages().back()).getMediaBox());
            blank.replaceKey("/Contents", QPDFObjectHandle::newStream(&out, std::string()));
            outPages.addPage(QPDFPageObjectHelper(out.makeIndirectObject(blank)), false);
            ++count;
        }
        for (const QPDFPageObjectHelper &page : pages)
            outPages.addPage(page, false);
        count += int(pages.size());
        input->stayOpen(false);
        held.push_back(std::move(pdf));
    }
    const QByteArray name = QFile::encodeName(target);
    QPDFWriter writer(out, name.constData());
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    CheckCombinedPdf(target, count, target);
    return count;
}

// The converted letter under 10,000 names, combined into one file for printing, two-sided, as
// now and as before; the time against what converting 10,000 letters takes at the rate measured.
void benchCombine(const QString &dir, double pdfPerSecond, const QString &letter)
{
    const int count = 10000;
    QDir().mkpath(dir);
    QList<TPdfPart> parts;
    for (int i = 0; i < count; ++i) {
        const QString title = QStringLiteral("Письмо-Иванов %1").arg(i);
        parts.append({dir + QLatin1Char('/') + title + QStringLiteral(".pdf"), title});
        QFile::copy(letter, parts.last().pdf);
    }
    TCombineOptions options;
    options.duplex = true;
    const QString target = dir + QStringLiteral("/Письмо — все документы.pdf");
    const double converting = count / pdfPerSecond;
    resetPeak();
    QElapsedTimer t;
    t.start();
    const TCombineResult result = CombinePdfFiles(parts, target, options);
    double seconds = t.nsecsElapsed() / 1e9;
    std::printf("combined PDF of %d one-page letters, two-sided, written part by part: %d pages, %lld KiB, in %.1f s, "
                "peak memory %ld KiB; converting them takes %.0f s (%.1f%% of it)\n",
                count, result.pages, QFileInfo(target).size() / 1024, seconds, peakKiB(), converting,
                100 * seconds / converting);
    QFile::remove(target);
    resetPeak();
    t.restart();
    const int pages = combineHeldWhole(parts, target, options.duplex);
    seconds = t.nsecsElapsed() / 1e9;
    std::printf("  before, every part held until qpdf's writer wrote the file: %d pages, %lld KiB, in %.1f s, "
                "peak memory %ld KiB\n", pages, QFileInfo(target).size() / 1024, seconds, peakKiB());
    QDir(dir).removeRecursively();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // "--out FOLDER" puts the documents on another disk, a RAM disk (/dev/shm) to see the
    // program's own speed apart from the disk's.
    const QStringList args = app.arguments();
    const qsizetype out = args.indexOf(QStringLiteral("--out"));
    QTemporaryDir dir(out > 0 && out + 1 < args.size() ? args[out + 1] + QStringLiteral("/bench_generation-XXXXXX")
                                                       : QDir::tempPath() + QStringLiteral("/bench_generation-XXXXXX"));
    std::printf("%d cores; documents under %s\n", QThread::idealThreadCount(), qPrintable(dir.path()));
    AppFolder::setOverride(dir.path());
    // "--memory" prints only the figures of filling without the disk, for a profiler.
    // "--declined" prints only the figures of the contract with declined fields against plain ones.
    // "--invoice" prints only the figures of the invoice with lines and conditions.
    // "--invoice-once" only the invoice's documents made from the template read once, ten times
    // over, for a profiler (the figures filled whole are then meaningless).
    // "--formats" prints only the figures of writing values in formats.
    if (app.arguments().contains(QStringLiteral("--formats"))) {
        benchFormats();
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("--invoice-once"))) {
        benchInvoice(1000, false, 10);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("--invoice"))) {
        benchInvoice(1000);
        benchSamples(1000);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("--declined"))) {
        benchDeclined(dir.path(), 2000);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("--memory"))) {
        for (const QString &entry : {QStringLiteral("Письмо.odt"), QStringLiteral("Договор.docx")}) {
            const auto [whole, once] = inMemoryPerSecond(entry, 2000);
            std::printf("%s in memory: whole %.0f docs/s, read once %.0f docs/s (%.1fx)\n", qPrintable(entry), whole,
                        once, once / whole);
        }
        return 0;
    }
    // "--disk" prints only the figures of documents written to disk, per document and read once.
    if (app.arguments().contains(QStringLiteral("--disk"))) {
        benchCompiled(dir.path());
        return 0;
    }
    // "--combine-only" measures converting and combining alone.
    if (app.arguments().contains(QStringLiteral("--combine-only"))) {
        const auto [pdfPerSecond, letter] = benchPdf(dir.path());
        if (!letter.isEmpty())
            benchCombine(dir.filePath(QStringLiteral("combine")), pdfPerSecond, letter);
        return 0;
    }
    // First, so that the peak memory of the process is this run's.
    QElapsedTimer t;
    t.start();
    TGenerationRun tenThousand(sampleRun(dir.filePath(QStringLiteral("10k")), QStringLiteral("Письмо.odt"), 10000, 0), nullptr);
    tenThousand.run();
    std::printf("Письмо.odt, 10000 records: %d documents in %.1f s, peak memory %ld KiB\n",
                tenThousand.documentsWritten(), t.nsecsElapsed() / 1e9, peakKiB());
    QDir(dir.filePath(QStringLiteral("10k"))).removeRecursively();
    benchCompiled(dir.path());
    benchDeclined(dir.path(), 2000);
    benchInvoice(1000);
    benchSamples(1000);
    benchFormats();
    benchLargeDocument(dir.path());
    benchManyPlaceholders(dir.path());
    benchRun(dir.path());
    // "--no-pdf" leaves the office suite out, for a quick look at filling alone.
    if (!app.arguments().contains(QStringLiteral("--no-pdf"))) {
        const auto [pdfPerSecond, letter] = benchPdf(dir.path());
        if (!letter.isEmpty())
            benchCombine(dir.filePath(QStringLiteral("combine")), pdfPerSecond, letter);
    }
    std::printf("peak memory: %ld KiB\n", peakKiB());
    return 0;
}
