// The .dyb byte layout, hostile files, and what a failed open or save leaves behind.
#include "clsDictionary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <climits>

namespace {

// "Fruit" by "Lab", no password, created 2000-01-01 12:00 (36526.5), apple ("a red fruit") and
// pear (no description): 54 bytes.
const QByteArray kExample = QByteArray::fromHex("0500467275697403004c61620000"
                                                "00000000d0d5e140"
                                                "01000000"
                                                "05006170706c65"
                                                "0b006120726564206672756974"
                                                "0400706561720000");

QByteArray counted(const QByteArray& text)
{
    QByteArray count(2, '\0');
    qToLittleEndian<quint16>(quint16(text.size()), count.data());
    return count + text;
}

// Empty name, author and password, created 0, then the upper index and the records.
QByteArray emptyHeaderFile(qint32 upperIndex, const QByteArray& records = {})
{
    QByteArray bytes(18, '\0');
    qToLittleEndian(upperIndex, bytes.data() + 14);
    return bytes + records;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Everything that a failed open or save must leave as it was.
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

    // A document with unsaved edits to a file it was saved to.
    void prepareEdited(clsDictionary& d)
    {
        d.CreateDictionary("pw", "au", "nm");
        d.AddWord("keep", "me");
        QCOMPARE(d.SaveDictionary(path("previous.dyb")), 0);
        d.setWordDescription(0, "edited");
    }

private slots:
    void workedExampleRoundTripsByteForByte()
    {
        // Bytes after the last record are ignored on reading and gone after saving.
        writeBytes(path("example.dyb"), kExample + "trailing");
        clsDictionary opened;
        QCOMPARE(opened.OpenDictionary(path("example.dyb")), 0);
        QCOMPARE(opened.DictionaryName() + '/' + opened.DictionaryAuthor(), "Fruit/Lab");
        QCOMPARE(opened.DictionaryPassword(), "");
        QCOMPARE(opened.WordCount(), 1);
        QCOMPARE(opened.WordName(0) + '/' + opened.WordDescription(0), "apple/a red fruit");
        QCOMPARE(opened.WordName(1) + '/' + opened.WordDescription(1), "pear/");
        QCOMPARE(opened.SaveDictionary(path("resaved.dyb")), 0);
        QCOMPARE(readBytes(path("resaved.dyb")), kExample);
    }

    void emptyDictionaryIsEighteenBytesEvenOverALongerFile()
    {
        writeBytes(path("empty.dyb"), QByteArray(4096, 'j'));
        clsDictionary d;
        QCOMPARE(d.SaveDictionary(path("empty.dyb")), 0);
        const QByteArray bytes = readBytes(path("empty.dyb"));
        QCOMPARE(bytes.size(), 18);
        QCOMPARE(bytes.left(6), QByteArray(6, '\0'));
        QCOMPARE(bytes.mid(14), QByteArray(4, '\xff'));
    }

    void textsAreCountedInBytesAfterConversion()
    {
        clsDictionary d;
        d.setDictionaryPassword("secret"); // plain bytes in the file
        d.AddWord(QString(300, 'x'), "");
        QCOMPARE(d.SaveDictionary(path("counted.dyb")), 0);
        QCOMPARE(readBytes(path("counted.dyb")).mid(4, 8), counted("secret"));
        QCOMPARE(readBytes(path("counted.dyb")).mid(24),
                 QByteArray("\x2c\x01") + QByteArray(300, 'x') + counted(""));

        // The 16-bit count limits bytes, not UTF-16 units: 80,000 units make 40,000 bytes.
        d.setWordName(0, QString(65535, 'x'));
        d.setWordDescription(0, QString::fromUcs4(U"\U0001F600").repeated(40000));
        QCOMPARE(d.SaveDictionary(path("counted.dyb")), 0);
        QCOMPARE(readBytes(path("counted.dyb")).size(), 24 + 2 + 65535 + 2 + 40000);
    }

    void everyByteReadsAsOneCharacterAndSavesBack()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QByteArray file = emptyHeaderFile(0, counted("w") + counted(all));
        writeBytes(path("all.dyb"), file);
        clsDictionary d;
        QCOMPARE(d.OpenDictionary(path("all.dyb")), 0);
        const QString text = d.WordDescription(0);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
        QCOMPARE(text.at(0xE9), QChar(0x00E9));
        for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            QCOMPARE(text.at(undefined), QChar(undefined));
        QCOMPARE(d.SaveDictionary(path("all2.dyb")), 0);
        QCOMPARE(readBytes(path("all2.dyb")), file);
    }

    void missingCharactersBecomeOneQuestionMarkEach()
    {
        const QString word = QString("A") + QChar(0x4E2D) + "B" + QString::fromUcs4(U"\U0001F600") +
                             "C" + QChar(0xD800) + "D" + QChar(0xDC00) + "E" + QChar(0x20AC);
        clsDictionary d;
        d.AddWord(word, "");
        QCOMPARE(d.SaveDictionary(path("missing.dyb")), 0);
        QCOMPARE(readBytes(path("missing.dyb")).mid(18), counted("A?B?C?D?E\x80") + counted(""));
    }

    void hostileFilesFailAndKeepTheDocument_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        for (int length = 0; length < kExample.size(); ++length)
            QTest::addRow("example cut to %d bytes", length) << kExample.left(length) << -1;
        QTest::newRow("index -2") << emptyHeaderFile(-2) << -1;
        QTest::newRow("index INT_MIN") << emptyHeaderFile(INT_MIN) << -1;
        QTest::newRow("index INT_MAX") << emptyHeaderFile(INT_MAX, QByteArray(8, '\0')) << -1;
        // Each record takes at least 4 bytes: 12 bytes can hold 3 empty records, not 4.
        QTest::newRow("3 records in 12 bytes") << emptyHeaderFile(2, QByteArray(12, '\0')) << 0;
        QTest::newRow("4 records in 12 bytes") << emptyHeaderFile(3, QByteArray(12, '\0')) << -1;
    }

    void hostileFilesFailAndKeepTheDocument()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        writeBytes(path("hostile.dyb"), file);
        clsDictionary d;
        prepareEdited(d);
        const QString before = snapshot(d);
        QCOMPARE(d.OpenDictionary(path("hostile.dyb")), status);
        QCOMPARE(d.WordCount(), status == 0 ? 2 : 0);
        if (status != 0)
            QCOMPARE(snapshot(d), before);
    }

    // Run in an empty folder: nothing may appear in it, and an existing file must stay whole.
    void failuresTouchNoFileAndNoState_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("nameBytes");
        QTest::newRow("open missing file") << false << "absent.dyb" << 2;
        QTest::newRow("open empty name") << false << "" << 2;
        QTest::newRow("open a folder") << false << "." << 2;
        QTest::newRow("save empty name") << true << "" << 2;
        QTest::newRow("save to a missing folder") << true << "missing/x.dyb" << 2;
        QTest::newRow("save where the folder is a file") << true << "plain/x.dyb" << 2;
        QTest::newRow("save a text over 65,535 bytes") << true << "old.dyb" << 65536;
    }

    void failuresTouchNoFileAndNoState()
    {
        QFETCH(bool, save);
        QFETCH(QString, name);
        QFETCH(int, nameBytes);
        QTemporaryDir work;
        const QString previousCurrent = QDir::currentPath();
        QDir::setCurrent(work.path());
        writeBytes("plain", "a file, not a folder");
        writeBytes("old.dyb", kExample);
        clsDictionary d;
        prepareEdited(d);
        d.setDictionaryName(QString(nameBytes, 'n'));
        const QString before = snapshot(d);
        const int status = save ? d.SaveDictionary(name) : d.OpenDictionary(name);
        const QStringList files = QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const QByteArray old = readBytes("old.dyb");
        QDir::setCurrent(previousCurrent);
        QCOMPARE(status, -1);
        QCOMPARE(snapshot(d), before);
        QCOMPARE(files, QStringList({"old.dyb", "plain"}));
        QCOMPARE(old, kExample);
    }
};

QTEST_GUILESS_MAIN(tst_dictionaryFormat)
#include "tst_dictionaryFormat.moc"
