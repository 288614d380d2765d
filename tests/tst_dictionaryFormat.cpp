// The .dyb byte layout, its Windows-1252 text, the created date it keeps, hostile files, and what
// a failed open or save leaves behind.
#include "clsDictionary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

namespace {

// "Fruit" by "Lab", no password, created 2000-01-01 12:00 (36526.5), apple ("a red fruit") and
// pear (no description): 54 bytes.
const QByteArray kExample = QByteArray::fromHex("0500467275697403004c61620000"
                                                "00000000d0d5e140"
                                                "01000000"
                                                "05006170706c65"
                                                "0b006120726564206672756974"
                                                "0400706561720000");

// The created date's text is checked in Korean, whatever the machine's locale: its short forms
// ("yy. M. d." and "AP h:mm") have spaces in the date, a two-digit year that must be widened, no
// seconds and the AM/PM mark first. Set before Qt first reads the locale.
const bool kKoreanLocale = qputenv("LC_ALL", "ko_KR.UTF-8");

// Empty name, author and password, created 0; the upper index and the records follow.
const QByteArray kEmptyHeader(14, '\0');

QByteArray bytesOf(double value)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A text as the file holds it: its 16-bit count, then its bytes.
QByteArray counted(const QByteArray& text)
{
    QByteArray count(2, '\0');
    qToLittleEndian(quint16(text.size()), count.data());
    return count + text;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush());
}

// Everything of a document that a failed open or save must keep.
QString snapshot(const clsDictionary& d)
{
    QStringList parts{d.FileName(),           QString::number(d.DictionaryChanged()),
                      d.DictionaryName(),     d.DictionaryAuthor(),
                      d.DictionaryPassword(), d.DictionaryCreated()};
    for (qint32 i = 0; i <= d.WordCount(); ++i)
        parts << d.WordName(i) + '=' + d.WordDescription(i);
    return parts.join('|');
}

} // namespace

class tst_dictionaryFormat : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Opens an otherwise empty file whose created date is these 8 bytes; gives that date as text.
    QString openCreated(clsDictionary& d, const QByteArray& created)
    {
        writeBytes(path("created.dyb"), kEmptyHeader.left(6) + created + "\xff\xff\xff\xff");
        return d.OpenDictionary(path("created.dyb")) == 0 ? d.DictionaryCreated() : "unreadable";
    }

    QByteArray savedCreated(clsDictionary& d)
    {
        return d.SaveDictionary(path("saved.dyb")) == 0 ? readBytes(path("saved.dyb")).mid(6, 8)
                                                        : "unsaved";
    }

private slots:
    // The worked example reads field by field and saves back byte for byte; bytes after the last
    // record are ignored on reading and gone after saving.
    void workedExample()
    {
        writeBytes(path("example.dyb"), kExample + "trailing");
        clsDictionary d;
        QCOMPARE(d.OpenDictionary(path("example.dyb")), 0);
        QCOMPARE(snapshot(d), path("example.dyb") + "|0|Fruit|Lab||" + d.DictionaryCreated() +
                                  "|apple=a red fruit|pear=");
        QCOMPARE(d.SaveDictionary(path("resaved.dyb")), 0);
        QCOMPARE(readBytes(path("resaved.dyb")), kExample);
    }

    // A save leaves only the new content, even over a longer file: a new, empty dictionary is 18
    // bytes, created now. Texts are counted in bytes after conversion, up to 65,535 of them.
    void savedLayout()
    {
        writeBytes(path("layout.dyb"), QByteArray(4096, 'j'));
        const QDateTime now = QDateTime::currentDateTime();
        clsDictionary d;
        QCOMPARE(d.SaveDictionary(path("layout.dyb")), 0);
        QByteArray bytes = readBytes(path("layout.dyb"));
        QCOMPARE(bytes.size(), 18);
        const double nowOle = // an OLE date: days since 1899-12-30 00:00 in local time
            QDate(1899, 12, 30).daysTo(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
        QVERIFY(qAbs(qFromLittleEndian<double>(bytes.constData() + 6) - nowOle) * 86400 < 5);
        QCOMPARE(bytes.replace(6, 8, QByteArray(8, '\0')), kEmptyHeader + "\xff\xff\xff\xff");

        d.CreateDictionary("secret");
        d.AddWord(QString(300, 'x'), "");
        QCOMPARE(d.SaveDictionary(path("layout.dyb")), 0);
        QCOMPARE(readBytes(path("layout.dyb")).mid(4, 8), QByteArray("\x06\0secret", 8));
        QCOMPARE(readBytes(path("layout.dyb")).mid(24),
                 "\x2c\x01" + QByteArray(300, 'x') + QByteArray(2, '\0'));

        // 80,000 UTF-16 units of characters outside the BMP make only 40,000 bytes.
        d.setWordName(0, QString(65535, 'x'));
        d.setWordDescription(0, QString::fromUcs4(U"\U0001F600").repeated(40000));
        QCOMPARE(d.SaveDictionary(path("layout.dyb")), 0);
    }

    // Every byte reads as one character (the five undefined ones as the control of the same
    // value) and saves back as itself; a character the code page lacks becomes one '?', and so
    // does a surrogate pair or a lone surrogate.
    void windows1252()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        // Upper index 0: the word "w" and a description of all 256 bytes.
        const QByteArray file = kEmptyHeader + QByteArray("\0\0\0\0\x01\0w\0\x01", 9) + all;
        writeBytes(path("all.dyb"), file);
        clsDictionary d;
        QCOMPARE(d.OpenDictionary(path("all.dyb")), 0);
        const QString text = d.WordDescription(0);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
        QCOMPARE(text.at(0x9F), QChar(0x0178)); // Y with diaeresis
        for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            QCOMPARE(text.at(undefined), QChar(undefined));
        QCOMPARE(d.SaveDictionary(path("all.dyb")), 0);
        QCOMPARE(readBytes(path("all.dyb")), file);

        d.setWordName(0, QString("A") + QChar(0x4E2D) + "B" + QString::fromUcs4(U"\U0001F600") +
                             "C" + QChar(0xD800) + "D" + QChar(0xDC00) + "E" + QChar(0x20AC));
        QCOMPARE(d.SaveDictionary(path("all.dyb")), 0);
        QCOMPARE(readBytes(path("all.dyb")).mid(18),
                 QByteArray("\x0a\0A?B?C?D?E\x80\0\x01", 14) + all);
    }

    // A byte of 0x80 to 0x9F is found wherever it stands in a text of any length, and one just
    // outside that range is not taken for one.
    void everyPlaceOfAHighByte()
    {
        QByteArray file = kEmptyHeader + QByteArray("\x98\0\0\0", 4); // 153 words follow
        QStringList expected;
        for (int length = 1; length <= 17; ++length) {
            for (int at = 0; at < length; ++at) {
                QByteArray word(length, 'a'), description(length, 'a');
                word[at] = '\x9c';
                description[at] = '\xa0';
                file += counted(word) + counted(description);
                QString text(length, 'a'), latin1(length, 'a');
                text[at] = QChar(0x0153);
                latin1[at] = QChar(0xA0);
                expected << text + '=' + latin1;
            }
        }
        writeBytes(path("places.dyb"), file);
        clsDictionary d;
        QCOMPARE(d.OpenDictionary(path("places.dyb")), 0);
        QStringList read;
        for (qint32 i = 0; i <= d.WordCount(); ++i)
            read << d.WordName(i) + '=' + d.WordDescription(i);
        QCOMPARE(read, expected);
    }

    // A file opened, edited and saved holds exactly what a dictionary built with the same words
    // holds: changed, added and deleted words among the ones still as read.
    void savedEditsOfAnOpenedFile()
    {
        QByteArray file = kEmptyHeader + QByteArray("\x07\0\0\0", 4);
        for (char i = '0'; i < '8'; ++i)
            file += counted(QByteArray("w") + i) + counted(QByteArray("d") + i);
        writeBytes(path("edited.dyb"), file);
        clsDictionary edited, built;
        QCOMPARE(edited.OpenDictionary(path("edited.dyb")), 0);
        edited.setWordName(1, "renamed");
        edited.setWordDescription(3, "described");
        edited.DeleteWord(6);
        edited.DeleteWord(0);
        edited.AddWord("added", "new");
        writeBytes(path("built.dyb"), kEmptyHeader + "\xff\xff\xff\xff");
        QCOMPARE(built.OpenDictionary(path("built.dyb")), 0);
        for (const auto& [word, description] : QList<std::pair<QString, QString>>{
                 {"renamed", "d1"}, {"w2", "d2"}, {"w3", "described"}, {"w4", "d4"},
                 {"w5", "d5"}, {"w7", "d7"}, {"added", "new"}})
            built.AddWord(word, description);
        QCOMPARE(snapshot(edited).section('|', 2), snapshot(built).section('|', 2));
        QCOMPARE(edited.SaveDictionary(path("edited.dyb")), 0);
        QCOMPARE(built.SaveDictionary(path("built.dyb")), 0);
        QCOMPARE(readBytes(path("edited.dyb")), readBytes(path("built.dyb")));
    }

    // The created date is kept bit for bit, even when it names no date-time (then it reads as
    // empty text); its text sets the same date-time again, to the second.
    void createdDate_data()
    {
        QTest::addColumn<QByteArray>("created");
        QTest::addColumn<bool>("empty");
        QTest::newRow("NaN with payload") << QByteArray::fromHex("230100000000f87f") << true;
        QTest::newRow("-inf") << bytesOf(-qInf()) << true;
        QTest::newRow("year 99") << bytesOf(-657435.0) << true;
        QTest::newRow("year 100") << bytesOf(-657434.5) << false;
        QTest::newRow("year 10000") << bytesOf(2958466.0) << true;
        QTest::newRow("2023-03-15 02:57:46.598") << bytesOf(45000.123456) << false;
        QTest::newRow("1899-12-29 06:00") << bytesOf(-1.25) << false;
    }

    void createdDate()
    {
        QFETCH(QByteArray, created);
        clsDictionary d;
        const QString text = openCreated(d, created);
        QTEST(text.isEmpty(), "empty");
        QCOMPARE(savedCreated(d), created);
        if (text.isEmpty())
            return;
        QVERIFY(d.setDictionaryCreated(text));
        const double seconds = qFromLittleEndian<double>(savedCreated(d).constData()) * 86400 -
                               qFromLittleEndian<double>(created.constData()) * 86400;
        QVERIFY2(qAbs(seconds) < 1, qPrintable(QString::number(seconds)));
    }

    // Before 1899-12-30 the whole part counts days back and the fraction the time forward: -1.25
    // has the date of -1.0 (1899-12-29) and the time of 0.25 (06:00), in any locale's form.
    void createdBeforeTheEpoch()
    {
        clsDictionary d;
        const QString text = openCreated(d, bytesOf(-1.25)), day = openCreated(d, bytesOf(-1.0)),
                      time = openCreated(d, bytesOf(0.25));
        const auto prefix = std::mismatch(text.begin(), text.end(), day.begin(), day.end()).first;
        const auto suffix =
            std::mismatch(text.rbegin(), text.rend(), time.rbegin(), time.rend()).first;
        QVERIFY2(prefix >= suffix.base(), qPrintable(text + " / " + day + " / " + time));
    }

    // A failed open or save keeps the content, FileName and change flag, creates no file and
    // leaves the existing one whole: every truncation of the worked example, an impossible upper
    // index, a missing file, a folder that is missing or is a file, a text over 65,535 bytes.
    void failuresKeepEverything_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("old"); // what old.dyb holds
        QTest::addColumn<int>("nameBytes");
        for (int length = 0; length < kExample.size(); ++length)
            QTest::addRow("open the example cut to %d bytes", length)
                << false << "old.dyb" << kExample.left(length) << 2;
        QTest::newRow("index -2") << false << "old.dyb" << kEmptyHeader + "\xfe\xff\xff\xff" << 2;
        QTest::newRow("index INT_MAX")
            << false << "old.dyb" << kEmptyHeader + "\xff\xff\xff\x7f" + QByteArray(8, '\0') << 2;
        QTest::newRow("open a missing file") << false << "absent.dyb" << kExample << 2;
        QTest::newRow("save with no name") << true << "" << kExample << 2;
        QTest::newRow("save to a missing folder") << true << "missing/x.dyb" << kExample << 2;
        QTest::newRow("save where the folder is a file") << true << "plain/x.dyb" << kExample << 2;
        QTest::newRow("save to a name that is a folder") << true << "." << kExample << 2;
        QTest::newRow("save a text over 65,535 bytes") << true << "old.dyb" << kExample << 65536;
    }

    void failuresKeepEverything()
    {
        QFETCH(bool, save);
        QFETCH(QString, name);
        QFETCH(QByteArray, old);
        QFETCH(int, nameBytes);
        QTemporaryDir work; // the current folder from here on, so that "" has a place to go
        QVERIFY(QDir::setCurrent(work.path()));
        writeBytes("plain", "a file, not a folder");
        writeBytes("old.dyb", old);
        clsDictionary d; // edited, of a file
        d.CreateDictionary("pw", "au", QString(nameBytes, 'n'));
        d.AddWord("keep", "me");
        d.setFileName("previous.dyb");
        d.setDictionaryChanged(true);
        const QString before = snapshot(d);
        QCOMPARE(save ? d.SaveDictionary(name) : d.OpenDictionary(name), -1);
        QCOMPARE(snapshot(d), before);
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({"old.dyb", "plain"}));
        QCOMPARE(readBytes("old.dyb"), old);
    }
};

QTEST_GUILESS_MAIN(tst_dictionaryFormat)
#include "tst_dictionaryFormat.moc"
