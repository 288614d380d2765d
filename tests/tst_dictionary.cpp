// The dictionary document and its .dyb files: the byte layout, the Windows-1252 texts and the
// warning about the characters they lack, the created date kept bit for bit, hostile files, a
// file edited and saved again, the notifications and the change flag, finding words, and changes
// by another program. A failed open leaves the document as it was; saving under faults is
// tst_saving's, and the reasons failures give are shown at the window (tst_mainWindow). Memory
// is measured by bench_dictionary. This program links the document's library and Qt Test only,
// so its build shows that the document needs no widgets.
#include "OleDate.h"
#include "TestFiles.h"
#include "clsDictionary.h"

#include <QtTest>

#include <functional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

// "Fruit" by "Lab", password "pw", created 2000-01-01 12:00 (36526.5), apple ("a red fruit") and
// pear (no description): 56 bytes.
const QByteArray kExample = QByteArray::fromHex("0500467275697403004c61620200707700000000d0d5e140"
                                                "0100000005006170706c650b006120726564206672756974"
                                                "0400706561720000");

// Empty name, author and password, created 0; the upper index and the records follow.
const QByteArray kEmptyHeader(14, '\0');

// What a document holds but its created date, compared field by field.
struct Content
{
    QString name, author, password;
    QStringList words, descriptions;
};

Content contentOf(const clsDictionary& d)
{
    Content content{d.DictionaryName(), d.DictionaryAuthor(), d.DictionaryPassword(), {}, {}};
    for (qint32 i = 0; i <= d.WordCount(); ++i) {
        content.words << d.WordName(i);
        content.descriptions << d.WordDescription(i);
    }
    return content;
}

const Content kExampleContent{"Fruit", "Lab", "pw", {"apple", "pear"}, {"a red fruit", ""}};

// Thirty words of 60,000-byte descriptions, 1.8 MB of words: w0 to w29, each described by one
// letter from 'a' on, but w24, whose description is of the byte 0x9C ('œ').
QByteArray thirtyLongWords()
{
    QByteArray file = kEmptyHeader + littleEndian(29);
    for (char i = 0; i < 30; ++i)
        file += counted("w" + QByteArray::number(i)) +
                counted(QByteArray(60000, i == 24 ? '\x9c' : 'a' + i));
    return file;
}

using Change = std::function<void(clsDictionary&)>;
using SetText = std::function<void(clsDictionary&, const QString&)>;

} // namespace

Q_DECLARE_METATYPE(Content)
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(SetText)

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
    // The created date's text is checked in Korean, whatever the machine's locale: its short
    // forms ("yy. M. d." and "AP h:mm") have spaces in the date, a two-digit year that must be
    // widened, no seconds and the AM/PM mark first.
    void init() { QLocale::setDefault(QLocale("ko_KR")); }

    // A file opens exactly when it holds every record its upper index announces, and saves back
    // byte for byte, its password as plain as every text, bytes after the last record left out;
    // one that does not open leaves the document as it was. Every byte reads as one character (the
    // five undefined ones as the control of the same value), in the header as in the words, and a
    // byte of 0x80 to 0x9F is found wherever it stands in a text of up to 40 bytes.
    void opensAndSavesBack_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<Content>("content"); // afterwards
        const Content unsaved{"", "", "", {"unsaved"}, {""}};
        QTest::newRow("the example, bytes after it")
            << kExample + "trailing" << true << kExampleContent;
        QTest::newRow("records of empty texts") << kEmptyHeader + littleEndian(1) + QByteArray(8, 0)
                                                << true << Content{"", "", "", {"", ""}, {"", ""}};
        for (int length = 0; length < kExample.size(); ++length)
            QTest::addRow("the example cut to %d bytes", length)
                << kExample.left(length) << false << unsaved;
        QTest::newRow("index -2") << kEmptyHeader + littleEndian(-2) << false << unsaved;
        QByteArray all, records;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QString text = QString::fromLatin1(all).replace(
            0x80, 32, "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        QTest::newRow("every byte")
            << counted(all) + kEmptyHeader.left(12) + littleEndian(0) + counted("w") + counted(all)
            << true << Content{text, "", "", {"w"}, {text}};
        Content placed;
        for (int length = 1; length <= 40; ++length) {
            for (int at = 0; at < length; ++at) {
                const QByteArray word = QByteArray(length, 'a').replace(at, 1, "\x9c");
                records += counted(word) + counted(word); // the description too
                placed.words << QString(length, 'a').replace(at, 1, "œ");
            }
        }
        placed.descriptions = placed.words;
        QTest::newRow("0x9C at every place")
            << kEmptyHeader + littleEndian(qint32(placed.words.size() - 1)) + records << true
            << placed;
    }

    void opensAndSavesBack()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, opens);
        QFETCH(Content, content);
        clsDictionary d;
        d.AddWord("unsaved", "");
        QVERIFY(writeBytes(path("opened.dyb"), file));
        QCOMPARE(d.OpenDictionary(path("opened.dyb")), opens ? 0 : -1);
        const Content read = contentOf(d);
        QCOMPARE(read.name, content.name);
        QCOMPARE(read.author, content.author);
        QCOMPARE(read.password, content.password);
        QCOMPARE(read.words, content.words);
        QCOMPARE(read.descriptions, content.descriptions);
        QCOMPARE(d.FileName(), opens ? path("opened.dyb") : QString());
        QCOMPARE(d.DictionaryChanged(), !opens);
        if (opens)
            QCOMPARE(saved(d), file.endsWith("trailing") ? kExample : file);
    }

    // A new dictionary is created now: its date's text, in Korean, begins with the year.
    void aNewDictionaryIsCreatedNow()
    {
        const QString created = clsDictionary().DictionaryCreated(); // made by CreateDictionary
        QVERIFY(created.startsWith(QString::number(QDate::currentDate().year())));
    }

    // A character the code page lacks is saved as one '?', and so is a surrogate pair or a lone
    // surrogate. The document warns beforehand of exactly these characters, in whichever text they
    // stand: one of the header's, or a word or a description added or changed.
    void warnsOfExactlyTheCharactersSavedAsQuestionMarks_data()
    {
        QTest::addColumn<SetText>("setText");
        using D = clsDictionary;
        QTest::newRow("the name") << SetText([](D& d, auto t) { d.setDictionaryName(t); });
        QTest::newRow("the author") << SetText([](D& d, auto t) { d.setDictionaryAuthor(t); });
        QTest::newRow("the password") << SetText([](D& d, auto t) { d.setDictionaryPassword(t); });
        QTest::newRow("an added word") << SetText([](D& d, auto t) { d.AddWord(t, ""); });
        QTest::newRow("an added description") << SetText([](D& d, auto t) { d.AddWord("", t); });
        QTest::newRow("a word of an opened file") << SetText([this](D& d, auto t) {
            d.OpenDictionary(path("example.dyb"));
            d.setWordName(1, t);
        });
    }

    void warnsOfExactlyTheCharactersSavedAsQuestionMarks()
    {
        QFETCH(SetText, setText);
        QVERIFY(writeBytes(path("example.dyb"), kExample));
        // Latin-1's upper half with the C1 controls, the code page's characters beyond it, some it
        // lacks, and surrogates, paired and alone; a file keeps of each what it keeps of a word.
        QStringList characters{"\U0001F600", QChar(0xD800), QChar(0xDC00)};
        for (const QChar c : QString("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸλЖ\uFFFD"))
            characters << c;
        for (char16_t c = 0x80; c <= 0xFF; ++c)
            characters << QChar(c);
        clsDictionary words, kept;
        for (const QString& c : characters)
            words.AddWord(c, "");
        QVERIFY(words.SaveDictionary(path("characters.dyb")) == 0 &&
                kept.OpenDictionary(path("characters.dyb")) == 0);
        QStringList wrong;
        for (qint32 i = 0; i < characters.size(); ++i) {
            clsDictionary d;
            setText(d, "a" + characters.at(i) + "b");
            const bool stored = kept.WordName(i) == characters.at(i);
            if (d.CanStoreEveryText() != stored || (!stored && kept.WordName(i) != "?"))
                wrong << "U+" + QString::number(characters.at(i).at(0).unicode(), 16);
        }
        QCOMPARE(wrong, QStringList());
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
        if (text.isEmpty())
            return;
        QVERIFY(d.setDictionaryCreated(text));
        const double again = qFromLittleEndian<double>(saved(d).constData() + 6);
        QVERIFY2(qAbs(again - created) * 86400 < 1, qPrintable(text));
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
        QVERIFY(texts.size() > 100); // the text follows the default locale
        QCOMPARE(inexact, QStringList());
    }

    // A file opened, edited and saved holds exactly what a dictionary given the same words and
    // edits holds, whether its words go out as they were read, in runs longer than the writer's
    // pieces, or edited between them.
    void anOpenedFileSavesWhatItsEditsMake_data()
    {
        QTest::addColumn<Change>("edit");
        using D = clsDictionary;
        QTest::newRow("untouched") << Change([](D&) {});
        QTest::newRow("a word added") << Change([](D& d) { d.AddWord("added", "new"); });
        QTest::newRow("the first word renamed") << Change([](D& d) { d.setWordName(0, "z"); });
        QTest::newRow("a description in the middle changed")
            << Change([](D& d) { d.setWordDescription(15, "changed"); });
        QTest::newRow("sixteen words deleted") << Change([](D& d) {
            for (int deleted = 0; deleted < 16; ++deleted)
                d.DeleteWord(10);
        });
    }

    void anOpenedFileSavesWhatItsEditsMake()
    {
        QFETCH(Change, edit);
        clsDictionary opened, built;
        QVERIFY(writeBytes(path("e.dyb"), thirtyLongWords()) &&
                opened.OpenDictionary(path("e.dyb")) == 0);
        for (qint32 i = 0; i <= opened.WordCount(); ++i)
            built.AddWord(opened.WordName(i), opened.WordDescription(i));
        edit(opened);
        edit(built);
        const QByteArray expected = saved(built).mid(14); // the words: the created dates differ
        QCOMPARE(saved(opened).mid(14), expected);
    }

    // Each notification comes with its change already applied, but for the change flag, which the
    // first one of a change sees as it was; writes of the same value notify too; Closing sees the
    // whole content before it goes; saving clears the flag without a notification.
    void notificationsComeWithTheirChange()
    {
        clsDictionary d;                 // new: empty, clean, of no file
        QStringList notified, wordsSeen; // since the last look; the words the last one saw
        bool flagSeen = false;           // by the first one since the last look
        QObject listener;                // gone before d, whose farewell Closing is not noted
        const auto note = [&](const QString& notification) {
            flagSeen = notified.isEmpty() ? d.DictionaryChanged() : flagSeen;
            notified << notification;
            wordsSeen = contentOf(d).words;
        };
        const auto look = [&] { return std::exchange(notified, {}); };
        connect(&d, &clsDictionary::Changed, &listener,
                [&](bool amount) { note(amount ? "Changed(amount)" : "Changed(text)"); });
        connect(&d, &clsDictionary::Closing, &listener, [&] { note("Closing"); });
        connect(&d, &clsDictionary::Renewed, &listener, [&] { note("Renewed"); });
        connect(&d, &clsDictionary::Opened, &listener, [&] { note("Opened"); });
        d.AddWord("a", "A");
        QCOMPARE(look(), QStringList{"Changed(amount)"});
        QCOMPARE(wordsSeen, QStringList{"a"});
        QVERIFY(!flagSeen && d.DictionaryChanged());
        d.setDictionaryAuthor(d.DictionaryAuthor());
        d.setDictionaryCreated(d.DictionaryCreated());
        QCOMPARE(look(), QStringList({"Changed(text)", "Changed(text)"}));
        QVERIFY(d.SaveDictionary(path("notified.dyb")) == 0 && !d.DictionaryChanged());
        QCOMPARE(look(), QStringList());
        d.CloseDictionary();
        QCOMPARE(look(), QStringList{"Closing"});
        QCOMPARE(wordsSeen, QStringList{"a"});
        d.CreateDictionary();
        QCOMPARE(look(), QStringList({"Closing", "Renewed"}));
        QCOMPARE(d.OpenDictionary(path("notified.dyb")), 0);
        QCOMPARE(look(), QStringList{"Opened"});
        QCOMPARE(wordsSeen, QStringList{"a"});
        d.setWordName(0, "z");
        QCOMPARE(look(), QStringList{"Changed(text)"});
        QCOMPARE(wordsSeen, QStringList{"z"});
        QVERIFY(!flagSeen);
    }

    // FillComboBox appends every word, the first one first, to what the list holds.
    void fillComboBoxAppendsEveryWordInOrder()
    {
        QStringList list{"kept"};
        clsDictionary d;
        QVERIFY(writeBytes(path("example.dyb"), kExample) &&
                d.OpenDictionary(path("example.dyb")) == 0);
        d.FillComboBox(list);
        QCOMPARE(list, QStringList({"kept", "apple", "pear"}));
    }

    // FindWord finds the first word from the index given on, then from the first word on, that
    // QString::startsWith finds ignoring case: in the file's own letters (µ and Greek Μ fold
    // alike, ß is not ss), in words as read, changed (to letters the file lacks too), added or
    // moved up by deletions, before the words are indexed, while they are and after (the same
    // edits in both).
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
                    const qint32 start = from >= 0 && from < count ? from : 0;
                    qint32 expected = -1;
                    for (qint32 k = 0; k < count && expected < 0; ++k)
                        if (d.WordName((start + k) % count).startsWith(prefix, Qt::CaseInsensitive))
                            expected = (start + k) % count;
                    if (d.FindWord(prefix, from) != expected)
                        wrong << state + ' ' + prefix + ' ' + QString::number(from);
                }
            }
        };
        check("read"); // which indexes them all
        QVERIFY(d.OpenDictionary(path("find.dyb")) == 0);
        for (const QString state : {"indexing", "indexed"}) {
            QCOMPARE(d.IndexWords(300), state == "indexed");
            d.setWordName(5, "Жук");
            d.AddWord(state == "indexing" ? "ŠKODA17" : "apples", "");
            for (const qint32 index : {0, 64, 64, 99, 130, 300})
                d.DeleteWord(index);
            check(state);
        }
        QCOMPARE(wrong, QStringList());
    }

#ifdef Q_OS_UNIX
    // A file that another program wrote, or moved another file over, since the document last read
    // or wrote it shows as changed, even when only a nanosecond of its time or only its identity
    // tells; a file that has gone does not. (That its own saves do not, tst_saving checks at each.)
    void changesByAnotherProgram_data()
    {
        QTest::addColumn<Change>("step"); // after the document opened the file
        QTest::addColumn<bool>("changed");
        const QString file = path("shared.dyb"), copy = path("copy.dyb");
        // Gives a file the modification time of another, its lowest bit of nanoseconds flipped.
        const auto retime = [](const QString& target, const QString& timeOf, long flip) {
            struct stat of;
            if (stat(QFile::encodeName(timeOf), &of) != 0)
                return false;
            const timespec times[2] = {of.st_atim, {of.st_mtim.tv_sec, of.st_mtim.tv_nsec ^ flip}};
            return utimensat(AT_FDCWD, QFile::encodeName(target), times, 0) == 0;
        };
        using D = clsDictionary;
        QTest::newRow("nothing") << Change([](D&) {}) << false;
        QTest::newRow("a nanosecond of its time changed")
            << Change([=](D&) { QVERIFY(retime(file, file, 1)); }) << true;
        QTest::newRow("a copy of the same time moved over it") << Change([=](D&) {
            QVERIFY(writeBytes(copy, readBytes(file)) && retime(copy, file, 0) &&
                    rename(QFile::encodeName(copy), QFile::encodeName(file)) == 0);
        }) << true;
        QTest::newRow("removed") << Change([=](D&) { QVERIFY(QFile::remove(file)); }) << false;
    }

    void changesByAnotherProgram()
    {
        QFETCH(Change, step);
        clsDictionary mine;
        QVERIFY(writeBytes(path("shared.dyb"), kOld) &&
                mine.OpenDictionary(path("shared.dyb")) == 0);
        step(mine);
        QTEST(mine.FileChangedOnDisk(), "changed");
    }
#endif
};

QTEST_GUILESS_MAIN(tst_dictionary)
#include "tst_dictionary.moc"
