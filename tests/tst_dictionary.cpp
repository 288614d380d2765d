// The dictionary document and its .dyb files: the byte layout, the Windows-1252 texts, the created
// date kept bit for bit, hostile files, a file edited and saved again, the notifications and the
// change flag, and changes by another program. What a failed open or save leaves behind is
// checked throughout: the document as it was, the old file whole, no stray file. Saving under
// faults is tst_saving's.
#include "OleDate.h"
#include "clsDictionary.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

// "Fruit" by "Lab", no password, created 2000-01-01 12:00 (36526.5), apple ("a red fruit") and
// pear (no description): 54 bytes.
const QByteArray kExample = QByteArray::fromHex("0500467275697403004c6162000000000000d0d5e1400100"
                                                "000005006170706c650b0061207265642066727569740400"
                                                "706561720000");

// Empty name, author and password, created 0; the upper index and the records follow.
const QByteArray kEmptyHeader(14, '\0');

// The created date's text is checked in Korean, whatever the machine's locale: its short forms
// ("yy. M. d." and "AP h:mm") have spaces in the date, a two-digit year that must be widened, no
// seconds and the AM/PM mark first.
const QLocale kKorean("ko_KR");
const bool kKoreanLocale = (QLocale::setDefault(kKorean), true);

template <typename T> QByteArray littleEndian(T value)
{
    QByteArray bytes(sizeof value, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A text as the file holds it: its 16-bit count, then its bytes.
const auto counted = [](const QByteArray& text) {
    return littleEndian(quint16(text.size())) + text;
};

// One word, "first", described "old one": what the faulty saves save over.
const QByteArray kOld = kEmptyHeader + littleEndian(0) + counted("first") + counted("old one");

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The document's file name, change flag and content, its created date left out.
QString snapshot(const clsDictionary& d)
{
    QStringList parts{d.FileName(), QString::number(d.DictionaryChanged()), d.DictionaryName(),
                      d.DictionaryAuthor(), d.DictionaryPassword()};
    for (qint32 i = 0; i <= d.WordCount(); ++i)
        parts << d.WordName(i) + '=' + d.WordDescription(i);
    return parts.join('|');
}

} // namespace

class tst_dictionary : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QByteArray saved(clsDictionary& d)
    {
        return d.SaveDictionary(path("saved.dyb")) == 0 ? readBytes(path("saved.dyb")) : "unsaved";
    }

private slots:
    // Windows removes no folder that is current.
    void cleanup() { QDir::setCurrent(QDir::tempPath()); }

    // Files open exactly when they hold every record their upper index announces, as the
    // document shows here, and save back byte for byte, bytes after the last record left out; a
    // file that does not open leaves the document as it was. Every byte reads as one character (the
    // five undefined ones as the control of the same value), in the header as in the words, and
    // a byte of 0x80 to 0x9F is found wherever it stands in a text of up to 40 bytes.
    void opensAndSavesBack_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown"); // from the name on; empty: the file does not open
        QTest::newRow("the example, bytes after it") << kExample + "trailing"
                                                     << "Fruit|Lab||apple=a red fruit|pear=";
        QTest::newRow("records of empty texts")
            << kEmptyHeader + littleEndian(1) + QByteArray(8, 0) << "|||=|=";
        for (int length = 0; length < kExample.size(); ++length)
            QTest::addRow("the example cut to %d bytes", length) << kExample.left(length) << "";
        QTest::newRow("index -2") << kEmptyHeader + littleEndian(-2) << "";
        QTest::newRow("index INT_MAX") << kEmptyHeader + littleEndian(INT_MAX) << "";
        QByteArray all, records;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QString text = QString::fromLatin1(all).replace(
            0x80, 32, "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        QTest::newRow("every byte")
            << counted(all) + kEmptyHeader.left(12) + littleEndian(0) + counted("w") + counted(all)
            << text + "|||w=" + text;
        QStringList shown;
        for (int length = 1; length <= 40; ++length) {
            for (int at = 0; at < length; ++at) {
                QByteArray word(length, 'a'), description(length, 'a');
                word[at] = '\x9c';
                description[at] = '\xa0';
                records += counted(word) + counted(description);
                shown << QString(length, 'a').replace(at, 1, "œ") + '=' +
                             QString(length, 'a').replace(at, 1, "\u00A0");
            }
        }
        QTest::newRow("0x9C at every place")
            << kEmptyHeader + littleEndian(qint32(shown.size() - 1)) + records
            << "|||" + shown.join('|');
    }

    void opensAndSavesBack()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        clsDictionary d;
        d.AddWord("unsaved", "");
        const QString before = snapshot(d);
        const bool opens =
            writeBytes(path("opened.dyb"), file) && d.OpenDictionary(path("opened.dyb")) == 0;
        QCOMPARE(snapshot(d), opens ? path("opened.dyb") + "|0|" + shown : before);
        QCOMPARE(opens ? saved(d) : file, file.endsWith("trailing") ? kExample : file);
#ifdef Q_OS_UNIX // where a file's blocks tell whether it is sparse
        if (!file.endsWith("trailing"))
            return;
        // The same file followed by 100 GB of zeros, which cost nothing: it opens the same.
        QFile padded(path("opened.dyb"));
        struct stat held = {};
        if (!padded.resize(qint64(100) << 30) ||
            stat(QFile::encodeName(padded.fileName()), &held) != 0 || held.st_blocks > 1024)
            QSKIP("the file system cannot hold a sparse file of 100 GB");
        QCOMPARE(d.OpenDictionary(padded.fileName()), 0);
        QCOMPARE(snapshot(d), padded.fileName() + "|0|" + shown);
#endif
    }

    // A new dictionary, created this year (the Korean date begins with it), keeps its password
    // plain; texts are counted in bytes after conversion, up to 65,535, and a character the code
    // page lacks becomes one '?', and so does a surrogate pair or a lone surrogate. The document
    // tells beforehand whether a header text or a changed word holds such a character.
    void savedLayout()
    {
        clsDictionary d;
        d.CreateDictionary("secret");
        QVERIFY(d.DictionaryCreated().startsWith(QString::number(QDate::currentDate().year())));
        QCOMPARE(saved(d).remove(12, 8),
                 kEmptyHeader.left(4) + counted("secret") + littleEndian(-1));
        // 65,533 characters and two outside the BMP, four UTF-16 units, make 65,535 bytes.
        d.AddWord("A\u4E2DB\U0001F600C" + QString(QChar(0xD800)) + "D" + QChar(0xDC00) + "E€",
                  QString(65533, 'x') + QString::fromUcs4(U"\U0001F600\U0001F600"));
        QCOMPARE(saved(d).mid(24, 14), counted("A?B?C?D?E\x80") + "\xff\xff");
        QVERIFY(!d.CanStoreEveryText());
        d.setWordName(0, "€\u0081ÿ");
        d.setWordDescription(0, "");
        QVERIFY(d.CanStoreEveryText());
        d.setDictionaryAuthor("λ");
        QVERIFY(!d.CanStoreEveryText());
    }

    // The created date is kept bit for bit, even when it names no date-time (then it reads as
    // empty text); its text sets the same date-time again, to the second. Before 1899-12-30 the
    // whole part counts days back and the fraction the time forward.
    void createdDate_data()
    {
        QTest::addColumn<double>("created");
        QTest::addColumn<bool>("empty");
        QTest::newRow("NaN with payload")
            << qFromLittleEndian<double>("\x23\x01\0\0\0\0\xf8\x7f") << true;
        QTest::newRow("-inf") << -qInf() << true;
        QTest::newRow("year 99") << -657435.0 << true;
        QTest::newRow("year 100") << -657434.5 << false;
        QTest::newRow("year 10000") << 2958466.0 << true;
        QTest::newRow("2023-03-15 02:57:46.598") << 45000.123456 << false;
        QTest::newRow("1899-12-29 06:00") << -1.25 << false;
    }

    void createdDate()
    {
        QFETCH(double, created);
        const QByteArray file = kEmptyHeader.left(6) + littleEndian(created) + littleEndian(-1);
        clsDictionary d;
        QVERIFY(writeBytes(path("c.dyb"), file) && d.OpenDictionary(path("c.dyb")) == 0);
        const QString text = d.DictionaryCreated();
        QTEST(text.isEmpty(), "empty");
        QCOMPARE(saved(d), file);
        QVERIFY(text.isEmpty() || d.setDictionaryCreated(text));
        const double seconds =
            (qFromLittleEndian<double>(saved(d).constData() + 6) - created) * 86400;
        QVERIFY(text.isEmpty() || qAbs(seconds) < 1);
    }

    // The created date's text reads back to the second in every locale Qt knows, morning and
    // evening, whatever its digits, its time format and where it puts the am/pm mark.
    void createdDateTextInEveryLocale()
    {
        QStringList inexact;
        QSet<QString> texts;
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            QLocale::setDefault(locale);
            for (const QTime& time : {QTime(2, 5, 9), QTime(21, 36, 46)}) {
                const double created = OleDate::fromDateTime(QDate(2023, 3, 15), time);
                const QString text = OleDate::toText(created);
                double back = 0;
                texts << text;
                if (!OleDate::fromText(text, back) || back != created)
                    inexact << locale.bcp47Name() + ' ' + text;
            }
        }
        QLocale::setDefault(kKorean);
        QVERIFY(texts.size() > 100); // the text follows the default locale
        QCOMPARE(inexact, QStringList());
    }

    // A failed save keeps the content, FileName and change flag, creates no file and leaves the
    // existing one whole: no name, a folder that is missing or is a file, a name that is a folder,
    // a named pipe or a device (one that reads as endless zeros), a text over 65,535 bytes. So
    // does an open of a missing file, or of one that is no regular file, which fails at once.
    void failuresKeepEverything()
    {
        QTemporaryDir work; // the current folder in this test, so that "" has a place to go
        QVERIFY(QDir::setCurrent(work.path()) && writeBytes("plain", "a file") &&
                writeBytes("old.dyb", kOld));
        QStringList special; // no regular files
#ifdef Q_OS_UNIX
        QVERIFY(mkfifo("pipe", 0644) == 0 &&
                (geteuid() != 0 || mknod("zero", S_IFCHR | 0644, makedev(1, 5)) == 0));
        special << "pipe" << (geteuid() == 0 ? "zero" : "pipe");
#endif
        clsDictionary d; // edited, of a file
        d.CreateDictionary("pw", "au", "nn");
        d.AddWord("keep", "me");
        d.setFileName("previous.dyb");
        const QString before = snapshot(d);
        for (const QString& name : QStringList{"absent.dyb", "."} + special)
            QCOMPARE(d.OpenDictionary(name), -1);
        for (const QString& name : QStringList{"", "missing/x.dyb", "plain/x.dyb", "."} + special +
                                       QStringList{"old.dyb"}) {
            d.setDictionaryName(QString(name.size() == 7 ? 65536 : 2, 'n'));
            QCOMPARE(d.SaveDictionary(name), -1);
            QCOMPARE(snapshot(d).replace(QString(65536, 'n'), "nn"), before);
        }
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).join(','),
                 "old.dyb,plain");
        QCOMPARE(readBytes("old.dyb"), kOld);
    }

    // A file opened, edited and saved holds exactly what a dictionary given the same words holds:
    // a word renamed, 16 deleted, one added, and long runs of words as they were read between,
    // before and after the deleted words' bytes were let go. A deleted word's texts go at once,
    // the bytes it was read from and the entry that held its texts once they outweigh the words
    // left; editing a word over and over holds one entry.
    void savedEditsOfAnOpenedFile()
    {
        QByteArray file = kEmptyHeader + littleEndian(29);
        QVector<qint64> records;
        clsDictionary edited, built;
        for (char i = 0; i < 30; ++i) {
            records << WordTable::storedEntry(file.size(), i != 24);
            file += counted("w" + QByteArray::number(i)) +
                    counted(QByteArray(60000, i == 24 ? '\x9c' : 'a' + i));
            if (i < 10 || i > 25)
                built.AddWord(i ? "w" + QByteArray::number(i) : "renamed",
                              QByteArray(60000, 'a' + i));
        }
        built.AddWord("added", "new");
        QVERIFY(writeBytes(path("e.dyb"), file) && edited.OpenDictionary(path("e.dyb")) == 0);
        edited.setWordName(0, "renamed");
        for (int deleted = 0; deleted < 16; ++deleted)
            edited.DeleteWord(10);
        edited.AddWord("added", "new");
        QCOMPARE(saved(edited).mid(14), saved(built).mid(14)); // the words, the dates left out
        WordTable words; // the same words, sharing the file's bytes
        words.adopt(file, records);
        const QString churned(5000, 'c');
        for (int round = 0; round < 1000; ++round) {
            words.setDescription(0, QString::number(round));
            words.append("churned", churned);
            words.remove(30);
        }
        QVERIFY(churned.isDetached() && words.editedEntries() <= 2 * words.size() + 1);
        QVERIFY(!file.isDetached());
        for (int deleted = 0; deleted < 14; ++deleted) // and word 0 changed: half are not read
            words.remove(10);
        QVERIFY(file.isDetached() && words.description(10) == QString(60000, u'œ'));
    }

    // Each notification comes with its change already applied, except that Changed still sees the
    // old flag; writes of the same value notify too, writes that change nothing do not; Closing
    // sees the whole content before it goes; saving clears the flag without a notification.
    void notificationsAndChangeFlag()
    {
        QStringList log;
        clsDictionary d; // new: empty, clean, of no file
        QObject context; // gone before d, whose farewell Closing is not logged
        const auto note = [&](const QString& event) { log << event + ' ' + snapshot(d); };
        connect(&d, &clsDictionary::Closing, &context, [=] { note("Closing"); });
        connect(&d, &clsDictionary::Changed, &context,
                [=](bool amount) { note(amount ? "+-" : "text"); });
        connect(&d, &clsDictionary::Opened, &context, [=] { note("Opened"); });
        connect(&d, &clsDictionary::Renewed, &context, [=] { note("Renewed"); });
        d.setDictionaryName("nm");
        d.AddWord("a", "A");
        d.setWordDescription(0, "Z");
        QVERIFY(d.setDictionaryCreated(d.DictionaryCreated()) &&
                !d.setDictionaryCreated("no date"));
        for (qint32 index : {-1, 1}) { // before the first word, after the last
            d.setWordName(index, "x");
            d.setWordDescription(index, "x");
            d.DeleteWord(index);
        }
        QCOMPARE(d.SaveDictionary(path("notified.dyb")), 0);
        d.setDictionaryName(d.DictionaryName());
        d.setDictionaryAuthor(d.DictionaryAuthor());
        d.setDictionaryPassword(d.DictionaryPassword());
        d.DeleteWord(0);
        d.CloseDictionary();
        d.CreateDictionary("", "", "new");
        d.setDictionaryChanged(true);
        QCOMPARE(d.OpenDictionary(path("notified.dyb")), 0);
        const QString file = path("notified.dyb");
        QCOMPARE(log, QStringList({"text |0|nm||", "+- |1|nm|||a=A", "text |1|nm|||a=Z",
                                   "text |1|nm|||a=Z", "text " + file + "|0|nm|||a=Z",
                                   "text " + file + "|1|nm|||a=Z", "text " + file + "|1|nm|||a=Z",
                                   "+- " + file + "|1|nm||", "Closing " + file + "|1|nm||",
                                   "Closing |0|||", "Renewed |0|new||",
                                   "Opened " + file + "|0|nm|||a=Z"}));
        QStringList list{"kept"}; // FillComboBox appends, index 0 first
        d.FillComboBox(list);
        QCOMPARE(list, QStringList({"kept", "a"}));
    }

    // FindWord finds the first word from the index given on, then from the first word on, that
    // QString::startsWith finds ignoring case: in the file's own letters (µ and Greek Μ fold
    // alike, ß is not ss), in words as read, changed (to letters the file lacks too), added or
    // moved up by deletions, before the words are indexed, while they are and after.
    void findsWordsAsStartsWithIgnoringCase()
    {
        const QStringList kinds{"apple", "Äpfel", "ŠKODA", "škoda", "Œuvre",  "µm",   "Ÿes",
                                "ab",    "",      "word",  "WORD",  "straße", "€uro", "z"};
        clsDictionary source, d;
        for (int i = 0; i < 448; ++i) // in runs of a kind, as the index likes them best
            source.AddWord(kinds.at(i / 32) + QString::number(i % 32), "");
        QVERIFY(source.SaveDictionary(path("find.dyb")) == 0 &&
                d.OpenDictionary(path("find.dyb")) == 0);
        QStringList wrong;
        const auto check = [&](const QString& state) {
            const qint32 count = d.WordCount() + 1;
            for (const QString prefix : {"a", "AP", "äP", "škoda1", "ŠKOD", "œU", "Μ", "ÿ", "WORD3",
                                         "word", "strasse", "ж", "жу", "𝔸", "€", "z7", "x"}) {
                for (const qint32 from : {-1, 0, 1, 63, 64, 65, 127, count - 1, count}) {
                    qint32 expected = -1;
                    for (qint32 k = 0, start = from >= 0 && from < count ? from : 0;
                         k < count && expected < 0; ++k) {
                        if (d.WordName((start + k) % count).startsWith(prefix, Qt::CaseInsensitive))
                            expected = (start + k) % count;
                    }
                    if (d.FindWord(prefix, from) != expected)
                        wrong << state + ' ' + prefix + ' ' + QString::number(from);
                }
            }
        };
        check("read");
        QVERIFY(d.OpenDictionary(path("find.dyb")) == 0 && !d.IndexWords(200));
        d.setWordName(5, "Жук");
        d.setWordName(250, "𝔸bc");
        d.AddWord("ŠKODA17", "");
        for (const qint32 index : {0, 64, 64, 99, 130, 300})
            d.DeleteWord(index);
        check("indexing");
        QVERIFY(d.IndexWords(1000));
        d.setWordName(70, "жара");
        d.AddWord("apples", "");
        for (const qint32 index : {1, 63, 127, 290})
            d.DeleteWord(index);
        check("indexed");
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
    }

#ifdef Q_OS_UNIX
    // A file that another program wrote, or moved another file over, since the document last read
    // or wrote it shows as changed, even when only a nanosecond of its time or only its identity
    // tells; the document's own saves and a file that has gone do not.
    void changesByAnotherProgram()
    {
        const QString file = path("shared.dyb"), copy = path("copy.dyb");
        // Gives to a file the modification time of file, its lowest bit of nanoseconds flipped.
        const auto retime = [&](const QString& to, long flip) {
            struct stat of;
            if (stat(QFile::encodeName(file), &of) != 0)
                return false;
            const timespec times[2] = {of.st_atim,
                                       { of.st_mtim.tv_sec,
                                         of.st_mtim.tv_nsec ^ flip }};
            return utimensat(AT_FDCWD, QFile::encodeName(to), times, 0) == 0;
        };
        clsDictionary mine, other;
        QString changed; // at each step, whether mine sees a change; "!" where a step failed
        const auto look = [&](bool done) {
            changed += done ? QString::number(mine.FileChangedOnDisk()) : "!";
        };
        look(writeBytes(file, kOld) && mine.OpenDictionary(file) == 0 &&
             other.OpenDictionary(file) == 0);
        look(other.SaveDictionary(file) == 0);
        look(mine.SaveDictionary(file) == 0 && other.FileChangedOnDisk());
        look(retime(file, 1));
        look(mine.SaveDictionary(file) == 0 && writeBytes(copy, readBytes(file)) &&
             retime(copy, 0) && rename(QFile::encodeName(copy), QFile::encodeName(file)) == 0);
        look(QFile::remove(file));
        QCOMPARE(changed, "010110");
    }
#endif
};

QTEST_GUILESS_MAIN(tst_dictionary)
#include "tst_dictionary.moc"
