#include "base/DokravaError.h"
#include "zip/SplicedDeflate.h"
#include "zip/ZipWriter.h"

#include <QRandomGenerator>
#include <QtTest>

#include <zlib.h>

using namespace dokrava;

namespace {

QByteArray repeated(const QByteArray &text, int times)
{
    QByteArray out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

QByteArray noise(int size)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &c : out)
        c = char(random.bounded(256));
    return out;
}

// Inflates a raw deflate stream that must end exactly where the bytes end.
QByteArray inflated(const QByteArray &bytes, qint64 size)
{
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return "(no inflater)";
    QByteArray out(qsizetype(size) + 1, '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    zs.avail_in = uInt(bytes.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    const int ret = inflate(&zs, Z_FINISH);
    const bool whole = ret == Z_STREAM_END && zs.avail_in == 0;
    out.truncate(qsizetype(zs.total_out));
    inflateEnd(&zs);
    return whole ? out : "(stream damaged or longer than its end)";
}

} // namespace

class TestSplicedDeflate : public QObject
{
    Q_OBJECT

private slots:
    void joinInflatesToTheJoinedText_data();
    void joinInflatesToTheJoinedText();
    void readsBackFromAnArchive();
    void wrongNumberOfTextsIsRefused();
};

void TestSplicedDeflate::joinInflatesToTheJoinedText_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QByteArray>>("texts");
    const QByteArray xml = repeated("<text:p text:style-name=\"P1\">Уважаемый клиент, </text:p>", 40);
    QTest::newRow("one piece, nothing between") << QList<QByteArray>{xml} << QList<QByteArray>{};
    QTest::newRow("nothing at all") << QList<QByteArray>{QByteArray()} << QList<QByteArray>{};
    QTest::newRow("empty pieces and texts") << QList<QByteArray>{{}, {}, {}} << QList<QByteArray>{{}, {}};
    QTest::newRow("short pieces travel with the texts")
        << QList<QByteArray>{"<a>", "</a><b>", "</b>"} << QList<QByteArray>{"Иванов", "Москва"};
    QTest::newRow("long pieces, short texts")
        << QList<QByteArray>{xml, xml, "] и ", xml} << QList<QByteArray>{"Иванов & Co", "", "01.03.2026"};
    QTest::newRow("pieces that repeat one another") << QList<QByteArray>{xml, xml, xml} << QList<QByteArray>{xml, xml};
    QTest::newRow("a text long enough to be compressed")
        << QList<QByteArray>{xml, xml} << QList<QByteArray>{repeated("длинное значение ", 400)};
    QTest::newRow("short pieces and texts adding up past a stored block's compression limit")
        << QList<QByteArray>(60, QByteArray(40, 'p')) << QList<QByteArray>(59, QByteArray(30, 't'));
    QTest::newRow("incompressible piece and text over 64 KiB")
        << QList<QByteArray>{noise(100000), xml} << QList<QByteArray>{noise(70000)};
    QTest::newRow("a piece of 300 KiB") << QList<QByteArray>{repeated(xml, 150), "конец"} << QList<QByteArray>{"x"};
}

void TestSplicedDeflate::joinInflatesToTheJoinedText()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, texts);
    QByteArray joined = pieces.first();
    for (qsizetype k = 0; k < texts.size(); ++k)
        joined += texts[k] + pieces[k + 1];
    const SplicedDeflate spliced(pieces, QStringLiteral("test.odt"));
    // Twice, so that what one entry leaves behind cannot change the next.
    for (int round = 0; round < 2; ++round) {
        const ZipReader::StoredEntry entry = spliced.join(texts);
        QCOMPARE(entry.method, 8);
        QCOMPARE(entry.size, joined.size());
        QCOMPARE(entry.crc, quint32(crc32_z(0, reinterpret_cast<const Bytef *>(joined.constData()), joined.size())));
        QCOMPARE(inflated(entry.bytes, entry.size), joined);
    }
}

void TestSplicedDeflate::readsBackFromAnArchive()
{
    const QList<QByteArray> pieces{repeated("<w:p><w:r><w:t>Текст</w:t></w:r></w:p>", 20), "", "</w:body>"};
    const SplicedDeflate spliced(pieces, QStringLiteral("test.docx"));
    QByteArray archive;
    ZipWriter zip(&archive, QStringLiteral("test.docx"));
    zip.addStored(QStringLiteral("word/document.xml"), spliced.join({"[ФИО]", "Иванов"}), QDateTime::currentDateTime());
    zip.addStored(QStringLiteral("empty.xml"), SplicedDeflate().join({}), QDateTime::currentDateTime());
    zip.close();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.docx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(archive);
    file.close();
    ZipReader reader(path);
    QCOMPARE(reader.count(), 2);
    QCOMPARE(reader.data(0), pieces[0] + "[ФИО]" + "Иванов" + pieces[2]);
    QCOMPARE(reader.data(1), QByteArray());
}

void TestSplicedDeflate::wrongNumberOfTextsIsRefused()
{
    const SplicedDeflate spliced({"a", "b"}, QStringLiteral("test.odt"));
    QVERIFY_THROWS_EXCEPTION(DokravaError, spliced.join({}));
    QVERIFY_THROWS_EXCEPTION(DokravaError, spliced.join({"1", "2"}));
}

QTEST_GUILESS_MAIN(TestSplicedDeflate)
#include "tst_SplicedDeflate.moc"
