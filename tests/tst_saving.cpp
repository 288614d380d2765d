// Saving and opening under faults: a save killed at any moment, on the machine's own file system
// and on one without unnamed temporary files (NTFS through FUSE); a disk that fills up at any
// byte; folders that refuse writes or syncs; system calls that fail or are interrupted, failed on
// purpose with strace; links, owners and modes; the leftovers of saves that could not clean up.
// Each outcome says what the file holds, what the document says, and what is left beside it.
// Its saves run in child processes, as another user or with a small disk: Unix only.
#include "TestFiles.h"
#include "clsDictionary.h"

#include <QtTest>

#include <csignal>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What a folder holds besides the dictionary.
QStringList leftovers(const QString& folder)
{
    QStringList all = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                             QDir::NoDotAndDotDot);
    all.removeOne("saved.dyb");
    return all;
}

// How a save or an open of file that gave status left the document: "done", with no change left;
// "kept": failed, the file name and change flag kept; "unconfirmed": failed after the rename,
// which gave the document the file and kept the change flag; or "broken": otherwise, or a failure
// without a reason, or the file taken for another program's.
QString endOf(const clsDictionary& d, const QString& file, int status)
{
    if (d.FileChangedOnDisk() || (status == 0) == d.DictionaryChanged() ||
        (status == 0) != d.FailureReason().isEmpty())
        return "broken";
    if (status == 0)
        return "done";
    return d.FileName() == file ? "unconfirmed" : "kept";
}

// What a save or an open in a child process came to, as the child saw it.
struct Outcome
{
    QString ended; // as endOf says, or "killed" before it could say
    int words = 0;
    QString reason;
};

// Runs a save of d to file, or an open of it, in a child process, which first runs prepare (a
// small disk, another user) and waits for strace, given arguments that fail chosen calls, to
// attach; killed killAfterUs into it when that is not negative. The document has changes, and
// the file name before.dyb.
Outcome inChild(clsDictionary& d, const QString& file, bool save,
                const std::function<bool()>& prepare = {}, const QStringList& strace = {},
                qint64 killAfterUs = -1)
{
    int go[2] = {-1, -1}, told[2] = {-1, -1};
    const pid_t child = pipe(go) == 0 && pipe(told) == 0 ? fork() : -1;
    if (child == 0) { // does its part and leaves without cleaning up what belongs to the parent
        for (char c; read(go[0], &c, 1) < 0 && errno == EINTR;)
            continue;
        d.setFileName("before.dyb");
        d.setDictionaryChanged(true);
        if (prepare && !prepare())
            _exit(1);
        const int status = save ? d.SaveDictionary(file) : d.OpenDictionary(file);
        const QString words = QString::number(d.WordCount() + 1);
        const QByteArray outcome =
            QStringList{endOf(d, file, status), words, d.FailureReason()}.join('\n').toUtf8();
        while (write(told[1], outcome.constData(), outcome.size()) < 0 && errno == EINTR) {
        }
        _exit(0);
    }
    ::close(go[0]);
    ::close(told[1]);
    QProcess tracer; // which says on standard error once it has attached
    tracer.setReadChannel(QProcess::StandardError);
    if (child > 0 && !strace.isEmpty()) {
        tracer.start("strace",
                     QStringList{"-o", "/dev/null", "-p", QString::number(child)} + strace);
        for (QByteArray said; !said.contains("attached") && tracer.waitForReadyRead(5000);)
            said += tracer.readAll();
    }
    const bool went = write(go[1], "g", 1) == 1;
    // Never kill(-1), which is every process there is.
    if (child > 0 && killAfterUs >= 0 && usleep(useconds_t(killAfterUs)) == 0)
        kill(child, SIGKILL);
    QFile said;
    said.open(told[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QStringList seen = QString(said.readAll()).split('\n');
    ::close(go[1]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    tracer.waitForFinished();
    if (child < 0 || !went || (!strace.isEmpty() && tracer.exitCode() != 0))
        return {"no child, or strace failed: " + tracer.errorString(), 0, {}};
    if (seen.size() != 3)
        return {"killed", 0, {}};
    return {seen.at(0), seen.at(1).toInt(), seen.at(2)};
}

} // namespace

class tst_saving : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_ntfs; // an NTFS file system mounted through FUSE, empty where none could be

    QByteArray saved(clsDictionary& d, const QString& folder)
    {
        const QString file = folder + "/saved.dyb";
        return d.SaveDictionary(file) == 0 ? readBytes(file) : "unsaved";
    }

    // Saves d over a copy of kOld in folder in a child process (see inChild) and checks that it
    // ended as expected, that the file then holds its old bytes if the save "kept" them and whole
    // otherwise, and that nothing is left beside it. A save killed first leaves either file whole.
    static void checkSave(clsDictionary& d, const QString& folder, const QByteArray& whole,
                          const QString& expected, const std::function<bool()>& prepare = {},
                          qint64 killAfterUs = -1)
    {
        const QString file = folder + "/saved.dyb";
        QVERIFY(writeBytes(file, kOld));
        const QString ended = inChild(d, file, true, prepare, {}, killAfterUs).ended;
        const QByteArray bytes = readBytes(file);
        const QString holds = bytes == kOld ? "old" : bytes == whole ? "new" : "broken";
        QVERIFY(chmod(QFile::encodeName(folder), 0755) == 0);
        if (killAfterUs >= 0 && ended == "killed") {
            QVERIFY(holds != "broken");
            return;
        }
        QCOMPARE(ended, expected);
        QCOMPARE(holds, ended == "kept" ? "old" : "new");
        QCOMPARE(leftovers(folder), QStringList());
    }

    // Before a save in a child: its folder given that mode, and the saver made nobody, who owns
    // the file, since permission bits do not stop root.
    static std::function<bool()> asNobodyIn(const QString& folder, mode_t mode)
    {
        return [=] {
            const QByteArray file = QFile::encodeName(folder + "/saved.dyb");
            return chmod(QFile::encodeName(folder), mode) == 0 &&
                   (geteuid() != 0 || (chown(file, 65534, 0) == 0 && setuid(65534) == 0));
        };
    }

private slots:
    void initTestCase()
    {
        // Others may pass through, as the saves as nobody must.
        QVERIFY(chmod(QFile::encodeName(m_dir.path()), 0711) == 0);
        // An NTFS image of 64 MB, made and mounted where the tools and the rights are there.
        const QString image = m_dir.filePath("ntfs.img"), mount = m_dir.filePath("ntfs");
        if (geteuid() == 0 && QFile::exists("/dev/fuse") && writeBytes(image, {}) &&
            QFile::resize(image, 64 << 20) && QDir().mkdir(mount) &&
            QProcess::execute("mkntfs", {"-Q", "-F", "-q", image}) == 0 &&
            QProcess::execute("ntfs-3g", {image, mount}) == 0)
            m_ntfs = mount;
    }

    void cleanupTestCase()
    {
        if (!m_ntfs.isEmpty())
            QProcess::execute("umount", {m_ntfs});
    }

    // Killed at any moment, a save leaves the old file or the new one, whole, and no other; the
    // next save removes what it left. A disk that fills up at any byte of a save, the last one
    // included, fails the save, leaves the old file, the file name and the change flag as they
    // were, and leaves nothing beside it; with room for the whole file the save succeeds: every
    // limit for a small dictionary, which is written in one piece, and the limits around the
    // 1 MiB pieces of a large one. A folder that refuses writes fails the save too. One whose
    // entries cannot be synced after the rename fails it as well, but the document then belongs
    // to the new file, and does not take it for another program's.
    void savesUnderFaults_data()
    {
        QTest::addColumn<QString>("fileSystem");
        QTest::newRow("the machine's own") << "own";
        QTest::newRow("NTFS through FUSE, without unnamed temporary files") << "ntfs";
    }

    void savesUnderFaults()
    {
        QFETCH(QString, fileSystem);
        const QString folder = fileSystem == "own" ? m_dir.filePath("own") : m_ntfs;
        if (folder.isEmpty())
            QSKIP("No NTFS could be mounted: that needs root, /dev/fuse, mkntfs and ntfs-3g");
        QVERIFY(QDir().mkpath(folder));
        clsDictionary small, large;
        small.AddWord("word", "added");
        for (int i = 0; i < 200000; ++i)
            large.AddWord(QString("word%1").arg(i), "added");
        // The large one as opened, its words written straight from the bytes read, and one more.
        QVERIFY(saved(large, folder) != "unsaved" &&
                large.OpenDictionary(folder + "/saved.dyb") == 0);
        large.AddWord("extra", "");
        QElapsedTimer timer;
        timer.start();
        const QByteArray whole = saved(large, folder);
        const qint64 saveUs = timer.nsecsElapsed() / 1000;
        for (int kill = 0; kill < 50; ++kill) {
            // Spread over the save and a little past it, so that some kills come after the end.
            const double at = (kill + QRandomGenerator::global()->generateDouble()) / 50;
            checkSave(large, folder, whole, "done", {}, qint64(at * 1.2 * saveUs));
        }
        for (clsDictionary* d : {&small, &large}) {
            const QByteArray bytes = saved(*d, folder);
            QList<qint64> limits{bytes.size() - 1, bytes.size()};
            for (qint64 limit = 0; d == &small && limit < bytes.size() - 1; ++limit)
                limits << limit;
            for (qint64 mib = 1 << 20; d == &large && mib < bytes.size(); mib += 1 << 20)
                limits << mib - 1 << mib << mib + 1;
            // A disk that fills up after limit bytes, for the rest of the child's writes: a write
            // past it fails instead of raising SIGXFSZ.
            for (const qint64 limit : limits)
                checkSave(*d, folder, bytes, limit >= bytes.size() ? "done" : "kept", [=] {
                    std::signal(SIGXFSZ, SIG_IGN);
                    const rlimit disk{rlim_t(limit), rlim_t(limit)};
                    return setrlimit(RLIMIT_FSIZE, &disk) == 0;
                });
        }
        if (fileSystem == "ntfs")
            return; // whose modes are fixed at mount time
        checkSave(small, folder, "", "kept", asNobodyIn(folder, 0555));
        // A folder that cannot be read cannot be synced: the rename may not last.
        checkSave(small, folder, saved(small, folder), "unconfirmed", asNobodyIn(folder, 0333));
    }

    // Calls failed on purpose in a save by root through a link to a file of another owner, or in
    // an open: a signal fails nothing; a failure before the rename keeps the old file, one after
    // it the new. Whatever fails, the link stays a link, the file keeps its owner, group and mode,
    // the reason names the file, and the next save leaves nothing beside it.
    void failedCalls_data()
    {
        QTest::addColumn<bool>("save"); // else open
        QTest::addColumn<QStringList>("strace");
        QTest::addColumn<QString>("ended"); // as endOf says
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("leftovers"); // beside it, which the next save removes
        const QString calls = "openat,read,write,newfstatat,fstat,statx,readlink,rename,unlink,"
                              "flock,fsync,fchown,fchmod,getdents64:error=EINTR:when=1";
        const QStringList interrupted{"-e", "inject=" + calls, "-e", "inject=close:error=EINTR"};
        const QString eio = "link.dyb: Input/output error."; // named as the user named it
        QTest::newRow("a signal in each save call") << true << interrupted << "done" << "" << 0;
        QTest::newRow("a signal in each open call") << false << interrupted << "done" << "" << 0;
        QTest::newRow("the link cannot be read")
            << true << QStringList{"-e", "inject=readlink:error=EIO"} << "kept" << eio << 0;
        // With -P, only calls on the file the link points to fail.
        QTest::newRow("the file cannot be looked at")
            << true << QStringList{"-P", m_dir.filePath("shared/saved.dyb"), "-e",
                                   "inject=newfstatat,statx,lstat:error=EIO"} << "kept" << eio << 0;
        QTest::newRow("the rename and the removal fail")
            << true << QStringList{"-e", "inject=rename,unlink:error=EIO"} << "kept" << eio << 1;
        QTest::newRow("the folder cannot be synced after the rename")
            << true << QStringList{"-e", "inject=fsync:error=EIO:when=2"} << "unconfirmed"
            << "link.dyb holds the new words, but the disk did not confirm the save "
               "(Input/output error): a power cut could still undo it." << 0;
    }

    void failedCalls()
    {
        QFETCH(bool, save);
        QFETCH(QStringList, strace);
        QFETCH(QString, ended);
        if (geteuid() != 0 || QStandardPaths::findExecutable("strace").isEmpty())
            QSKIP("Files of another owner need root, and failed calls strace");
        const QString folder = m_dir.filePath("shared"), file = folder + "/saved.dyb",
                      link = m_dir.filePath("link.dyb");
        QFile::remove(link);
        QVERIFY(QDir().mkpath(folder) && writeBytes(file, kOld) &&
                chown(QFile::encodeName(file), 1, 4242) == 0 &&
                chmod(QFile::encodeName(file), 0640) == 0 && QFile::link(file, link));
        clsDictionary d, held;
        d.AddWord("one", "");
        d.AddWord("two", "");
        const Outcome seen = inChild(d, link, save, {}, strace);
        QCOMPARE(seen.ended, ended);
        QCOMPARE(seen.words, save ? 2 : 1);
        QTEST(seen.reason, "reason");
        struct stat kept;
        QVERIFY(QFileInfo(link).isSymLink() && stat(QFile::encodeName(file), &kept) == 0);
        QCOMPARE(kept.st_uid, uid_t(1));
        QCOMPARE(kept.st_gid, gid_t(4242));
        QCOMPARE(kept.st_mode & 07777, mode_t(0640));
        QTEST(int(leftovers(folder).size()), "leftovers"); // before the open, which removes them
        // The file holds the old words after an open or a save that kept them, else the new.
        const bool isNew = held.OpenDictionary(file) == 0 && held.WordCount() == 1;
        QCOMPARE(QString(readBytes(file) == kOld ? "old" : isNew ? "new" : "broken"),
                 !save || ended == "kept" ? "old" : "new");
        QVERIFY(d.SaveDictionary(link) == 0);
        QCOMPARE(leftovers(folder), QStringList());
    }

    // An open or a save of a file removes the leftovers of its earlier saves that nobody holds,
    // and nothing else: not one that a running save holds, nor one of another file, nor a file
    // of the user's whose name only looks like one.
    void leftoversOfEarlierSavesGo()
    {
        const QString folder = m_dir.filePath("left");
        // The first goes; the others stay, in the order a folder lists them.
        const QStringList names{".d.dyb.lexivault-Abc12345", ".d.dyb.lexivault-Abc1234",
                                ".d.dyb.lexivault-Held1234", ".e.dyb.lexivault-Abc12345", "d.dyb",
                                "d.dyb.lexivault-Abc12345"};
        QVERIFY(QDir().mkpath(folder));
        for (const QString& name : names)
            QVERIFY(writeBytes(folder + '/' + name, kOld));
        QFile held(folder + '/' + names.at(2)); // as a running save holds its file
        QVERIFY(held.open(QIODevice::ReadOnly) && flock(held.handle(), LOCK_EX) == 0);
        clsDictionary d;
        // The open removes one, the save another that came after it.
        QVERIFY(d.OpenDictionary(folder + "/d.dyb") == 0 &&
                writeBytes(folder + "/.d.dyb.lexivault-Zz99Zz99", kOld) &&
                d.SaveDictionary(folder + "/d.dyb") == 0 &&
                !QFile::exists(folder + '/' + names.at(0)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), names.mid(1));
    }

    // A member of the file's group who does not own it keeps the file's group and mode when it
    // saves; the file is then its own. (Root keeps the owner too: see failedCalls.)
    void aGroupMembersSaveKeepsTheGroupAndMode()
    {
        if (geteuid() != 0)
            QSKIP("A file of another owner, and a saver who is another user, need root");
        const gid_t group = 4242;
        const QString folder = m_dir.filePath("owned");
        const QByteArray file = QFile::encodeName(folder + "/saved.dyb");
        clsDictionary d;
        QVERIFY(QDir().mkpath(folder) && chown(QFile::encodeName(folder), 0, group) == 0);
        checkSave(d, folder, saved(d, folder), "done", [=] {
            return chmod(QFile::encodeName(folder), 0770) == 0 && chown(file, 1, group) == 0 &&
                   chmod(file, 0660) == 0 && setgroups(1, &group) == 0 && setgid(65534) == 0 &&
                   setuid(65534) == 0;
        });
        struct stat kept;
        QVERIFY(stat(file, &kept) == 0);
        QCOMPARE(kept.st_uid, uid_t(65534));
        QCOMPARE(kept.st_gid, group);
        QCOMPARE(kept.st_mode & 07777, mode_t(0660));
    }
};

QTEST_GUILESS_MAIN(tst_saving)
#include "tst_saving.moc"
