// Saving under faults: a save killed at any moment, a disk that fills up half-way, a folder that
// refuses writes. Each fault is set up in a child process, this program run again with
// "--child", so that the kill, the file-size limit or the dropped privileges stay out of the test.
#include "clsDictionary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kKills = 50;
constexpr int kLargeWordCount = 200000;
constexpr int kChildSkipped = 77; // the child could not set up its fault

void addWords(clsDictionary& d, int count)
{
    for (int i = 0; i < count; ++i)
        d.AddWord(QString("word%1").arg(i, 6, 10, QLatin1Char('0')),
                  QString("description of word %1").arg(i));
}

// Permission bits do not stop root. A test running as root therefore gives the folder and its
// files to nobody, and the child becomes nobody before it saves.
bool giveToNobody(const QStringList& paths)
{
    if (geteuid() != 0)
        return true;
    const passwd* nobody = getpwnam("nobody");
    for (const QString& path : paths) {
        if (!nobody ||
            chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            return false;
    }
    return true;
}

bool dropRoot()
{
    if (geteuid() != 0)
        return true;
    const passwd* nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails instead of killing
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Child: opens the large dictionary in source and saves it over target, saying when the save
// starts and how long it took.
int saveOver(const QString& source, const QString& target)
{
    clsDictionary d;
    if (d.OpenDictionary(source) != 0)
        return 1;
    std::puts("saving");
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    if (d.SaveDictionary(target) != 0)
        return 1;
    std::printf("saved in %lld us\n", timer.nsecsElapsed() / 1000);
    return 0;
}

// Child: opens old.dyb in folder, adds words and saves them as other.dyb under the fault.
int saveUnderFault(const QString& fault, const QString& folder)
{
    clsDictionary d;
    if (d.OpenDictionary(folder + "/old.dyb") != 0)
        return 1;
    addWords(d, 20000); // some 600 KB, far past the limit below
    if (fault == "full-disk")
        limitFileSize(64 * 1024);
    else if (!dropRoot())
        return kChildSkipped;
    const qint32 status = d.SaveDictionary(folder + "/other.dyb");
    std::printf("status %d, file %s, changed %s\n", status,
                qPrintable(QFileInfo(d.FileName()).fileName()),
                d.DictionaryChanged() ? "true" : "false");
    return 0;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A small dictionary, saved to sFile; returns its bytes.
QByteArray saveOldDictionary(const QString& sFile)
{
    clsDictionary d;
    d.CreateDictionary("", "old", "old");
    d.AddWord("first", "old one");
    d.AddWord("second", "old two");
    return d.SaveDictionary(sFile) == 0 ? readBytes(sFile) : QByteArray();
}

QStringList dictionaryFiles(const QString& folder)
{
    QStringList found;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (name.endsWith(".dyb", Qt::CaseInsensitive))
            found << name;
    }
    return found;
}

void startChild(QProcess& child, const QStringList& arguments)
{
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
}

} // namespace

class tst_saveFaults : public QObject
{
    Q_OBJECT

private slots:
    void killedSaveLeavesTheOldOrTheNewFile()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("words.dyb");
        const QByteArray oldBytes = saveOldDictionary(target);
        QVERIFY(!oldBytes.isEmpty());
        // The new content lives outside the folder that is checked for stray dictionaries.
        QTemporaryDir sourceDir;
        const QString source = sourceDir.filePath("large.dyb");
        {
            clsDictionary large;
            addWords(large, kLargeWordCount);
            QCOMPARE(large.SaveDictionary(source), 0);
        }
        const QByteArray newBytes = readBytes(source);

        // One save left to finish tells how long a save takes.
        QProcess child;
        startChild(child, {"save-over", source, target});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitCode(), 0);
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        QVERIFY(lines.size() >= 2 && lines.at(1).startsWith("saved in "));
        const double saveUs = lines.at(1).mid(9).split(' ').first().toDouble();
        QCOMPARE(readBytes(target), newBytes);

        int leftOld = 0, leftNew = 0, temporaries = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            QVERIFY(writeBytes(target, oldBytes));
            // Spread over the save and a little past it, so that some kills come after the end.
            const double delayUs =
                (kill + QRandomGenerator::global()->generateDouble()) / kKills * 1.2 * saveUs;
            QProcess saving;
            startChild(saving, {"save-over", source, target});
            while (!saving.canReadLine())
                QVERIFY(saving.waitForReadyRead(120000));
            QThread::usleep(qulonglong(delayUs));
            saving.kill(); // SIGKILL
            QVERIFY(saving.waitForFinished(120000));

            const QByteArray bytes = readBytes(target);
            QVERIFY2(bytes == oldBytes || bytes == newBytes,
                     qPrintable(QString("killed %1 us into the save: %2 bytes, neither old nor new")
                                    .arg(qint64(delayUs))
                                    .arg(bytes.size())));
            const bool old = bytes == oldBytes;
            (old ? leftOld : leftNew)++;
            clsDictionary d;
            QCOMPARE(d.OpenDictionary(target), 0);
            QCOMPARE(d.WordCount(), old ? 1 : kLargeWordCount - 1);

            // A temporary file from the kill may remain, but never as another dictionary.
            QCOMPARE(dictionaryFiles(dir.path()), QStringList{"words.dyb"});
            const QStringList all = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            for (const QString& name : all) {
                if (name != "words.dyb" && QFile::remove(dir.filePath(name)))
                    ++temporaries;
            }
        }
        qInfo("%d kills: %d left the old content, %d the new; %d temporary files left behind "
              "(a whole save takes %.0f ms)",
              kKills, leftOld, leftNew, temporaries, saveUs / 1000);
    }

    void failedWriteKeepsTheFilesAndTheState_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("disk full half-way") << "full-disk";
        QTest::newRow("read-only folder") << "read-only";
    }

    // The dictionary opened from old.dyb gets words and is saved as other.dyb, which exists.
    void failedWriteKeepsTheFilesAndTheState()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString folder = dir.filePath("dictionaries");
        QVERIFY(QDir().mkdir(folder));
        const QByteArray oldBytes = saveOldDictionary(folder + "/old.dyb");
        QVERIFY(writeBytes(folder + "/other.dyb", oldBytes));
        // Only the folder's own permissions may refuse the save, so nobody must reach it.
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther |
                              QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), readable | QFile::WriteOwner));
        if (fault == "read-only" &&
            !giveToNobody({folder, folder + "/old.dyb", folder + "/other.dyb"}))
            QSKIP("Running as root without a user nobody, so no folder can refuse a save");
        QVERIFY(QFile::setPermissions(folder, fault == "read-only" ? readable
                                                                   : readable | QFile::WriteOwner));

        QProcess child;
        startChild(child, {fault, folder});
        QVERIFY(child.waitForFinished(120000));
        QFile::setPermissions(folder, readable | QFile::WriteOwner);
        if (child.exitCode() == kChildSkipped)
            QSKIP("Running as root and could not become nobody, so no folder can refuse a save");
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), "status -1, file old.dyb, changed true");
        QCOMPARE(readBytes(folder + "/old.dyb"), oldBytes);
        QCOMPARE(readBytes(folder + "/other.dyb"), oldBytes);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"old.dyb", "other.dyb"}));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0) {
        const QString mode = QString::fromLocal8Bit(argv[2]);
        const QString path = QString::fromLocal8Bit(argv[3]);
        if (mode == "save-over" && argc == 5)
            return saveOver(path, QString::fromLocal8Bit(argv[4]));
        return saveUnderFault(mode, path);
    }
    QCoreApplication app(argc, argv);
    tst_saveFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_saveFaults.moc"
