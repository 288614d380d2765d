// The dictionary document: its notifications, their order and moments, the unsaved-changes flag
// and the created date.
#include "clsDictionary.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <functional>

using Operation = std::function<void(clsDictionary&)>;
Q_DECLARE_METATYPE(Operation)

namespace {

// Logs each notification with what a listener sees of the document at that moment.
void listen(clsDictionary& d, QObject& context, QStringList& log)
{
    const auto note = [&d, &log](const QString& event) {
        QStringList words;
        d.FillComboBox(words);
        log << QString("%1 changed=%2 file=%3 name=%4 words=%5")
                   .arg(event, d.DictionaryChanged() ? "true" : "false", d.FileName(),
                        d.DictionaryName(), words.join(','));
    };
    QObject::connect(&d, &clsDictionary::Closing, &context, [=] { note("Closing"); });
    QObject::connect(&d, &clsDictionary::Changed, &context,
                     [=](bool amount) { note(amount ? "Changed(true)" : "Changed(false)"); });
    QObject::connect(&d, &clsDictionary::Opened, &context, [=] { note("Opened"); });
    QObject::connect(&d, &clsDictionary::Renewed, &context, [=] { note("Renewed"); });
}

// A clean document: name "nm", author "au", password "pw", words a, b, c described A, B, C.
void fill(clsDictionary& d)
{
    d.CreateDictionary("pw", "au", "nm");
    for (const char* word : {"a", "b", "c"})
        d.AddWord(word, QString(word).toUpper());
    d.setDictionaryChanged(false);
}

QString content(const clsDictionary& d)
{
    QStringList parts{d.DictionaryName(), d.DictionaryAuthor(), d.DictionaryPassword(),
                      d.DictionaryCreated()};
    for (qint32 i = 0; i <= d.WordCount(); ++i)
        parts << d.WordName(i) + '=' + d.WordDescription(i);
    return parts.join('|');
}

// A four-digit year in the digits of the locale that formats the created date.
QString localYear(int year)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(year);
}

QByteArray bytesOf(double value)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

double valueOf(const QByteArray& bytes)
{
    return bytes.size() == 8 ? qFromLittleEndian<double>(bytes.constData()) : qQNaN();
}

} // namespace

class tst_dictionaryDocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The 8 bytes of the created date as the document saves them.
    QByteArray savedCreated(clsDictionary& d)
    {
        QFile file(path("created.dyb"));
        if (d.SaveDictionary(file.fileName()) != 0 || !file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll().mid(6, 8);
    }

    // Opens an otherwise empty file whose created date is the given 8 bytes.
    void openWithCreated(clsDictionary& d, const QByteArray& created)
    {
        QFile file(path("raw.dyb"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(6, '\0') + created + QByteArray(4, '\xff'));
        file.close();
        QCOMPARE(d.OpenDictionary(file.fileName()), 0);
    }

    QString createdText(double value)
    {
        clsDictionary d;
        openWithCreated(d, bytesOf(value));
        return d.DictionaryCreated();
    }

private slots:
    void initTestCase()
    {
        clsDictionary d;
        fill(d);
        QCOMPARE(d.SaveDictionary(path("filled.dyb")), 0);
    }

    void newDocumentIsEmptyAndClean()
    {
        const QDateTime now = QDateTime::currentDateTime();
        clsDictionary d;
        QCOMPARE(d.WordCount(), -1);
        QCOMPARE(d.WordName(0) + d.WordDescription(0) + d.FileName(), "");
        QVERIFY(!d.DictionaryChanged());
        QStringList list{"kept"};
        d.FillComboBox(list);
        QCOMPARE(list, QStringList{"kept"});
        // Created is the moment of construction, as an OLE date in local time.
        const double expected =
            QDate(1899, 12, 30).daysTo(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
        QVERIFY(qAbs(valueOf(savedCreated(d)) - expected) * 86400 < 5);
    }

    void operationsNotifyAndSetTheFlag_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("flagBefore");
        QTest::addColumn<bool>("flagAfter");
        QTest::addColumn<QString>("fileAfter");
        const QString start = "start.dyb", filled = path("filled.dyb"), saved = path("saved.dyb");
        using D = clsDictionary&;
        QTest::newRow("WordDescription") << Operation([](D d) { d.setWordDescription(2, "Z"); })
                                         << "Changed(false)" << false << true << start;
        QTest::newRow("Name same") << Operation([](D d) { d.setDictionaryName("nm"); })
                                   << "Changed(false)" << false << true << start;
        QTest::newRow("Created same")
            << Operation([](D d) { QVERIFY(d.setDictionaryCreated(d.DictionaryCreated())); })
            << "Changed(false)" << false << true << start;
        QTest::newRow("CreateDictionary") << Operation([](D d) { d.CreateDictionary(); })
                                          << "Closing,Renewed" << true << false << "";
        QTest::newRow("Open") << Operation([=](D d) { QCOMPARE(d.OpenDictionary(filled), 0); })
                              << "Opened" << true << false << filled;
        QTest::newRow("Open missing") << Operation([=](D d) { d.OpenDictionary(path("no.dyb")); })
                                      << "" << true << true << start;
        QTest::newRow("Save") << Operation([=](D d) { QCOMPARE(d.SaveDictionary(saved), 0); }) << ""
                              << true << false << saved;
        QTest::newRow("Save fails") << Operation([=](D d) { d.SaveDictionary(path("no/x.dyb")); })
                                    << "" << true << true << start;
        QTest::newRow("Created not a date")
            << Operation([](D d) { QVERIFY(!d.setDictionaryCreated("not a date")); }) << "" << false
            << false << start;
        for (qint32 index : {-1, 3}) { // before the first word, after the last
            const auto invalid = [index](D d) {
                d.setWordName(index, "x");
                d.setWordDescription(index, "x");
                d.DeleteWord(index);
                QCOMPARE(d.WordName(index) + d.WordDescription(index), "");
            };
            QTest::addRow("index %d", index) << Operation(invalid) << "" << false << false << start;
        }
    }

    void operationsNotifyAndSetTheFlag()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, events);
        QFETCH(bool, flagBefore);
        clsDictionary d;
        fill(d);
        d.setFileName("start.dyb");
        d.setDictionaryChanged(flagBefore);
        const QString before = content(d);
        QObject context;
        QStringList log;
        listen(d, context, log);
        operation(d);
        QCOMPARE(log.replaceInStrings(QRegularExpression(" .*"), "").join(','), events);
        QTEST(d.DictionaryChanged(), "flagAfter");
        QTEST(d.FileName(), "fileAfter");
        if (events.isEmpty()) // nothing notified: the content did not change either
            QCOMPARE(content(d), before);
    }

    // Inside each notification the change is already applied, except that Changed still sees the
    // old flag, and Closing sees the whole content before it goes.
    void listenerSeesTheDocumentAtEachNotification()
    {
        clsDictionary d;
        fill(d);
        d.setFileName("f.dyb");
        QObject context;
        QStringList log;
        listen(d, context, log);
        d.AddWord("d", "D");
        d.setWordName(0, "a2");
        d.DeleteWord(1);
        d.CloseDictionary();
        d.CreateDictionary("", "", "new");
        d.setDictionaryChanged(true);
        d.OpenDictionary(path("filled.dyb"));
        QCOMPARE(log,
                 QStringList({
                     "Changed(true) changed=false file=f.dyb name=nm words=a,b,c,d",
                     "Changed(false) changed=true file=f.dyb name=nm words=a2,b,c,d",
                     "Changed(true) changed=true file=f.dyb name=nm words=a2,c,d",
                     "Closing changed=true file=f.dyb name=nm words=a2,c,d",
                     "Closing changed=false file= name= words=",
                     "Renewed changed=false file= name=new words=",
                     "Opened changed=false file=" + path("filled.dyb") + " name=nm words=a,b,c",
                 }));
    }

    // Later words and their descriptions move down; an index that names no word does nothing.
    void deleteWordClosesTheGap()
    {
        const QStringList cases{"0:bc", "1:ac", "2:ab", "3:abc"};
        for (const QString& deletion : cases) {
            clsDictionary d;
            for (const QChar word : QString("abc"))
                d.AddWord(word, word.toUpper());
            d.DeleteWord(deletion.left(1).toInt());
            QStringList names;
            d.FillComboBox(names);
            const QString left = deletion.mid(2);
            QCOMPARE(names.join(""), left);
            QCOMPARE(d.WordDescription(1), left.mid(1, 1).toUpper());
        }
        clsDictionary only;
        only.AddWord("a", "");
        only.DeleteWord(0);
        QCOMPARE(only.WordCount(), -1);
    }

    // A listener may still save the whole content from inside Closing; then all is emptied.
    void closeEmptiesAfterClosing()
    {
        clsDictionary d;
        fill(d);
        const QString before = content(d);
        QObject context;
        connect(&d, &clsDictionary::Closing, &context,
                [&] { QCOMPARE(d.SaveDictionary(path("closing.dyb")), 0); });
        d.CloseDictionary();
        QCOMPARE(d.WordCount(), -1);
        QCOMPARE(content(d).section('|', 0, 2), "||");
        QVERIFY(d.DictionaryCreated().contains(localYear(1899)));
        QCOMPARE(savedCreated(d), QByteArray(8, '\0')); // OLE date 0 is 1899-12-30 00:00
        QCOMPARE(d.OpenDictionary(path("closing.dyb")), 0);
        QCOMPARE(content(d), before);
    }

    void createdTextRestoresTheSameSecond()
    {
        const double value = 45000.123456; // 2023-03-15 02:57:46.598
        clsDictionary opened, set;
        openWithCreated(opened, bytesOf(value));
        const QString text = opened.DictionaryCreated();
        QVERIFY2(text.contains(localYear(2023)), qPrintable(text));
        QVERIFY(set.setDictionaryCreated(text));
        QCOMPARE(set.DictionaryCreated(), text);
        const double back = valueOf(savedCreated(set));
        QVERIFY2(qAbs(back - value) * 86400 < 1, qPrintable(QString::number(back, 'f', 8)));
    }

    // Before 1899-12-30 the integer part counts days back and the fraction counts time forward:
    // -1.25 has the date of -1.0 (1899-12-29) and the time of 0.25 (06:00), in any locale's form.
    void negativeOleDateCountsTheTimeForward()
    {
        const QString text = createdText(-1.25), day = createdText(-1.0), time = createdText(0.25);
        const auto prefix = std::mismatch(text.begin(), text.end(), day.begin(), day.end()).first;
        const auto suffix =
            std::mismatch(text.rbegin(), text.rend(), time.rbegin(), time.rend()).first;
        QVERIFY2(prefix >= suffix.base(), qPrintable(text + " / " + day + " / " + time));
        clsDictionary d;
        QVERIFY(d.setDictionaryCreated(text));
        QCOMPARE(savedCreated(d), bytesOf(-1.25));
    }

    void createdWithoutADateTimeReadsEmptyAndSavesBitForBit_data()
    {
        QTest::addColumn<QByteArray>("created");
        QTest::addColumn<bool>("empty");
        QTest::newRow("NaN with payload") << QByteArray::fromHex("230100000000f87f") << true;
        QTest::newRow("-inf") << bytesOf(-qInf()) << true;
        QTest::newRow("year 99") << bytesOf(-657435.0) << true;
        QTest::newRow("year 100") << bytesOf(-657434.5) << false;
        QTest::newRow("year 10000") << bytesOf(2958466.0) << true;
    }

    void createdWithoutADateTimeReadsEmptyAndSavesBitForBit()
    {
        QFETCH(QByteArray, created);
        clsDictionary d;
        openWithCreated(d, created);
        QTEST(d.DictionaryCreated().isEmpty(), "empty");
        QCOMPARE(savedCreated(d), created);
    }
};

QTEST_GUILESS_MAIN(tst_dictionaryDocument)
#include "tst_dictionaryDocument.moc"
