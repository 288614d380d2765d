// The dictionary document: its notifications, their order and moments, and the change flag.
#include "clsDictionary.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_dictionaryDocument : public QObject
{
    Q_OBJECT

private slots:
    // Each notification comes with its change already applied, except that Changed still sees the
    // old flag; writes of the same value notify too, writes that change nothing do not; Closing
    // sees the whole content before it goes; saving clears the flag without a notification.
    void notificationsAndChangeFlag()
    {
        QTemporaryDir dir;
        const QString saved = dir.filePath("saved.dyb");
        clsDictionary d; // new: empty, clean, of no file
        QObject context;
        QStringList log;
        const auto note = [&](const QString& event) {
            QStringList words;
            for (qint32 i = 0; i <= d.WordCount(); ++i)
                words << d.WordName(i) + '=' + d.WordDescription(i);
            log << QString("%1 changed=%2 file=%3 name=%4 words=%5")
                       .arg(event, d.DictionaryChanged() ? "true" : "false", d.FileName(),
                            d.DictionaryName(), words.join(','));
        };
        connect(&d, &clsDictionary::Closing, &context, [=] { note("Closing"); });
        connect(&d, &clsDictionary::Changed, &context,
                [=](bool amount) { note(amount ? "Changed(true)" : "Changed(false)"); });
        connect(&d, &clsDictionary::Opened, &context, [=] { note("Opened"); });
        connect(&d, &clsDictionary::Renewed, &context, [=] { note("Renewed"); });

        d.setDictionaryName("nm");
        d.AddWord("a", "A");
        d.AddWord("b", "B");
        d.setWordDescription(1, "Z");
        d.setDictionaryName("nm");
        const QString created = d.DictionaryCreated();
        QVERIFY(d.setDictionaryCreated(created));
        QVERIFY(!d.setDictionaryCreated("not a date"));
        for (qint32 index : {-1, 2}) { // before the first word, after the last
            d.setWordName(index, "x");
            d.setWordDescription(index, "x");
            d.DeleteWord(index);
        }
        QCOMPARE(d.SaveDictionary(saved), 0);
        d.AddWord("c", "C");
        d.setWordName(0, "a2");
        d.DeleteWord(1);
        d.CloseDictionary();
        d.CreateDictionary("", "", "new");
        d.setDictionaryChanged(true);
        QCOMPARE(d.OpenDictionary(saved), 0);
        const QString file = " file=" + saved + " name=nm words=";
        QCOMPARE(log, QStringList({"Changed(false) changed=false file= name=nm words=",
                                   "Changed(true) changed=true file= name=nm words=a=A",
                                   "Changed(true) changed=true file= name=nm words=a=A,b=B",
                                   "Changed(false) changed=true file= name=nm words=a=A,b=Z",
                                   "Changed(false) changed=true file= name=nm words=a=A,b=Z",
                                   "Changed(false) changed=true file= name=nm words=a=A,b=Z",
                                   "Changed(true) changed=false" + file + "a=A,b=Z,c=C",
                                   "Changed(false) changed=true" + file + "a2=A,b=Z,c=C",
                                   "Changed(true) changed=true" + file + "a2=A,c=C",
                                   "Closing changed=true" + file + "a2=A,c=C",
                                   "Closing changed=false file= name= words=",
                                   "Renewed changed=false file= name=new words=",
                                   "Opened changed=false" + file + "a=A,b=Z"}));
        QCOMPARE(d.DictionaryCreated(), created); // the failed write above changed nothing
        QStringList list{"kept"};                 // FillComboBox appends, index 0 first
        d.FillComboBox(list);
        QCOMPARE(list, QStringList({"kept", "a", "b"}));
    }
};

QTEST_GUILESS_MAIN(tst_dictionaryDocument)
#include "tst_dictionaryDocument.moc"
