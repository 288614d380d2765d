// Saving under faults: a save killed at any moment, a disk that fills up at any byte, a folder
// that refuses writes. The killed saves and the refused ones run in a child, this program started
// again with "--child", so that the kill and the dropped privileges stay out of the test itself.
#include "FileSizeLimit.h"
#include "clsDictionary.h"

#include <QtTest> // with the whole of QtCore

#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

static QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static bool setMode(const QString& path, mode_t mode)
{
    return chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Child: opens source, adds a word and saves over target under the fault, telling when the save
// starts, then the status, file name and changed flag it ends with.
static int saveInChild(const QByteArray& fault, const QString& source, const QString& target)
{
    clsDictionary d;
    if (d.OpenDictionary(source) != 0)
        return 1;
    d.AddWord("extra", "added by the child");
    if (fault == "read-only" && geteuid() == 0) {
        // Permission bits do not stop root: become nobody, owner of the file it saves over.
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(QFile::encodeName(target), nobody->pw_uid, nobody->pw_gid) != 0 ||
            setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
            setuid(nobody->pw_uid) != 0)
            return std::puts("cannot become nobody"); // the output tells the test
    }
    std::puts("saving");
    std::fflush(stdout);
    const qint32 status = d.SaveDictionary(target);
    std::printf("%d %s %s\n", status, qPrintable(QFileInfo(d.FileName()).fileName()),
                d.DictionaryChanged() ? "changed" : "unchanged");
    return 0;
}

class tst_saveFaults : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir; // old.dyb, large.dyb (the child's source) and one folder per test
    QByteArray m_oldBytes, m_newBytes; // old.dyb; large.dyb with the child's word added
    qint64 m_saveUs = 0;               // from "saving" to the line after the save, last run

    // Runs the child and returns what it printed; killAfterUs >= 0 kills it that far into the save.
    QByteArray runChild(const QString& fault, const QString& target, qint64 killAfterUs = -1)
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child", fault, m_dir.filePath("large.dyb"), target});
        child.waitForReadyRead(120000); // "saving"
        QElapsedTimer sinceSaving;
        sinceSaving.start();
        if (killAfterUs >= 0) {
            QThread::usleep(killAfterUs);
            child.kill(); // SIGKILL
        } else {
            child.waitForReadyRead(120000); // the line printed once the save is over
        }
        m_saveUs = sinceSaving.nsecsElapsed() / 1000;
        child.waitForFinished(120000);
        return child.readAllStandardOutput();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && setMode(m_dir.path(), 0755)); // nobody must read the source
        clsDictionary d;
        d.AddWord("first", "old one");
        QCOMPARE(d.SaveDictionary(m_dir.filePath("old.dyb")), 0);
        m_oldBytes = readBytes(m_dir.filePath("old.dyb"));
        for (int i = 0; i < 200000; ++i)
            d.AddWord(QString("word%1").arg(i, 6, 10, QLatin1Char('0')),
                      QString("description of word %1").arg(i));
        QVERIFY(d.SaveDictionary(m_dir.filePath("large.dyb")) == 0 &&
                setMode(m_dir.filePath("large.dyb"), 0644));
        d.AddWord("extra", "added by the child");
        QCOMPARE(d.SaveDictionary(m_dir.filePath("new.dyb")), 0);
        m_newBytes = readBytes(m_dir.filePath("new.dyb"));
    }

    void killedSaveLeavesTheOldOrTheNewFile()
    {
        const QString target = m_dir.filePath("killed/words.dyb");
        // One save left to finish writes the new content and tells how long a save takes.
        QVERIFY(QDir(m_dir.path()).mkdir("killed") &&
                QFile::copy(m_dir.filePath("old.dyb"), target));
        QCOMPARE(runChild("none", target), "saving\n0 words.dyb unchanged\n");
        QCOMPARE(readBytes(target), m_newBytes);
        const qint64 saveUs = m_saveUs;

        const int kills = 50;
        int leftOld = 0, leftNew = 0;
        for (int kill = 0; kill < kills; ++kill) {
            QVERIFY(QFile::remove(target) && QFile::copy(m_dir.filePath("old.dyb"), target));
            // Spread over the save and a little past it, so that some kills come after the end.
            const auto delayUs = qint64((kill + QRandomGenerator::global()->generateDouble()) /
                                        kills * 1.2 * saveUs);
            QVERIFY(runChild("none", target, delayUs).startsWith("saving\n"));
            const QByteArray bytes = readBytes(target);
            QVERIFY2(bytes == m_oldBytes || bytes == m_newBytes,
                     qPrintable(QString("neither old nor new after a kill %1 us in").arg(delayUs)));
            ++(bytes == m_oldBytes ? leftOld : leftNew);
            QCOMPARE(clsDictionary().OpenDictionary(target), 0);
            // A temporary file from the kill may remain, but never as another dictionary.
            QCOMPARE(QFileInfo(target).dir().entryList({"*.dyb"}, QDir::Files | QDir::Hidden),
                     QStringList{"words.dyb"});
        }
        qInfo("%d kills: %d left the old content, %d the new (a whole save takes %lld ms)", kills,
              leftOld, leftNew, saveUs / 1000);
    }

    // A disk that fills up at any byte of a save, the last one included, fails the save and
    // leaves the old file, the file name and the change flag as they were; with room for the whole
    // file the save succeeds. Every limit for a small dictionary, which is written in one piece,
    // and the limits around the 1 MiB pieces of a large one.
    void fullDiskFailsTheSave()
    {
        const QString folder = m_dir.filePath("full"), target = folder + "/words.dyb";
        QVERIFY(QDir().mkdir(folder));
        clsDictionary small;
        QCOMPARE(small.OpenDictionary(m_dir.filePath("old.dyb")), 0);
        for (int i = 0; i < 20; ++i)
            small.AddWord(QString("word%1").arg(i), "added");
        clsDictionary large;
        QCOMPARE(large.OpenDictionary(m_dir.filePath("large.dyb")), 0);
        large.AddWord("extra", "added by the child");

        for (clsDictionary* d : {&small, &large}) {
            QCOMPARE(d->SaveDictionary(m_dir.filePath("whole.dyb")), 0);
            const QByteArray whole = readBytes(m_dir.filePath("whole.dyb"));
            QList<qint64> limits;
            for (qint64 limit = 0; d == &small && limit <= whole.size(); ++limit)
                limits << limit;
            for (qint64 mib = 1 << 20; d == &large && mib < whole.size(); mib += 1 << 20)
                limits << mib - 1 << mib << mib + 1;
            limits << whole.size() - 1 << whole.size();
            for (const qint64 limit : limits) {
                QVERIFY(!QFile::exists(target) || QFile::remove(target));
                QVERIFY(QFile::copy(m_dir.filePath("old.dyb"), target));
                d->setFileName("before.dyb");
                d->setDictionaryChanged(true);
                qint32 status = 0;
                {
                    const FileSizeLimit full(limit);
                    QVERIFY(full.isSet());
                    status = d->SaveDictionary(target);
                }
                const bool fits = limit >= whole.size();
                const QString at = QString("at a limit of %1 bytes").arg(limit);
                QVERIFY2(status == (fits ? 0 : -1), qPrintable(at));
                QVERIFY2(readBytes(target) == (fits ? whole : m_oldBytes), qPrintable(at));
                QCOMPARE(d->FileName(), fits ? target : "before.dyb");
                QCOMPARE(d->DictionaryChanged(), !fits);
                QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                QDir::NoDotAndDotDot),
                         QStringList{"words.dyb"});
            }
        }
    }

    void readOnlyFolderFailsTheSave()
    {
        const QString folder = m_dir.filePath("read-only"), target = folder + "/words.dyb";
        QVERIFY(QDir().mkdir(folder) && QFile::copy(m_dir.filePath("old.dyb"), target));
        QVERIFY(setMode(folder, 0555));
        const QByteArray output = runChild("read-only", target);
        QVERIFY(setMode(folder, 0755)); // lets the temporary folder be removed
        if (output == "cannot become nobody\n")
            QSKIP("Running as root and cannot become nobody, so no folder can refuse a save");
        QCOMPARE(output, "saving\n-1 large.dyb changed\n");
        QCOMPARE(readBytes(target), m_oldBytes);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"words.dyb"});
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0)
        return saveInChild(argv[2], argv[3], argv[4]);
    QCoreApplication app(argc, argv);
    tst_saveFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_saveFaults.moc"
