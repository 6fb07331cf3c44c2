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
    void streamWritesTextsAsUtf8_data();
    void streamWritesTextsAsUtf8();
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


// Values given in UTF-16 are written between pieces as QString::toUtf8() writes them, in a
// deflated entry (whose CRC-32 is combined piece by piece) and in a plain one alike.
void TestSplicedDeflate::streamWritesTextsAsUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("latin") << QStringLiteral("No. 15 & <b>");
    QTest::newRow("cyrillic and a no-break space") << QStringLiteral("1\u00A0234,50 Иванов");
    QTest::newRow("three bytes a character") << QStringLiteral("\u20AC\u2212\uFFFD\uFFFF\uE000");
    QTest::newRow("a character outside the basic plane") << QStringLiteral("a\U0001F600b");
    QTest::newRow("a lone high surrogate") << QString(QChar(0xD83D)) + QStringLiteral("x");
    QTest::newRow("a lone low surrogate") << QStringLiteral("x") + QChar(0xDE00);
    QTest::newRow("empty") << QString();
    QTest::newRow("long") << QStringLiteral("Общество с ограниченной ответственностью «Ромашка»").repeated(3);
}

void TestSplicedDeflate::streamWritesTextsAsUtf8()
{
    QFETCH(QString, text);
    const QByteArray xml = repeated("<w:p><w:r><w:t>Текст</w:t></w:r></w:p>", 5);
    const SplicedDeflate::Piece piece = SplicedDeflate::compressed(xml, QStringLiteral("test.docx"), 1);
    const QByteArray joined = xml + text.toUtf8() + xml + text.toUtf8();
    for (const bool deflated : {true, false}) {
        SplicedDeflate::Stream stream(deflated, QStringLiteral("test.docx"));
        for (int k = 0; k < 2; ++k) {
            stream.piece(piece);
            stream.text(QStringView(text));
        }
        if (!deflated) {
            QCOMPARE(stream.plain(), joined);
            continue;
        }
        const ZipReader::StoredEntry entry = stream.deflatedEntry();
        QCOMPARE(entry.crc, quint32(crc32_z(0, reinterpret_cast<const Bytef *>(joined.constData()), joined.size())));
        QCOMPARE(inflated(entry.bytes, entry.size), joined);
    }
}

QTEST_GUILESS_MAIN(TestSplicedDeflate)
#include "tst_SplicedDeflate.moc"
