// Kills saves of a million-word dictionary at random moments and counts what each kill left: the
// old file, the new one, or a broken one, and the temporary files beside it, right after the kill
// and after the next save of the same file. scripts/kill-saves runs it on the machine's own file
// system and on NTFS through FUSE, which has no unnamed temporary files.
//
// kill_saves FOLDER [KILLS]   works in FOLDER, 200 kills by default
#include "clsDictionary.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWords = 1000000;

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

// The bytes of the files in the folder besides the dictionary, -1 when there are none.
qint64 leftovers(const QString& folder)
{
    qint64 bytes = -1;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (file.fileName() != "big.dyb")
            bytes = qMax<qint64>(bytes, 0) + file.size();
    }
    return bytes;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kill_saves FOLDER [KILLS]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]), file = folder + "/big.dyb",
                  old = folder + "/../kill_saves-old.dyb";
    const int kills = argc > 2 ? std::atoi(argv[2]) : 200;
    clsDictionary d, tiny;
    for (int i = 0; i < kWords; ++i)
        d.AddWord(QString::asprintf("word%07d", i),
                  QString::asprintf("The meaning of word%07d", i).leftJustified(50, '.'));
    if (d.SaveDictionary(old) != 0 || d.OpenDictionary(old) != 0)
        return 1;
    d.AddWord("new", "a word the old file does not have"); // the new file: the old one's words and one more
    QElapsedTimer timer;
    timer.start();
    if (d.SaveDictionary(file) != 0)
        return 1;
    const double saveUs = timer.nsecsElapsed() / 1000.0;
    const QByteArray oldHash = hashOf(old), newHash = hashOf(file);
    std::printf("%s: a save of %d words (%lld bytes) takes %.0f ms\n", qPrintable(folder), kWords,
                QFileInfo(file).size(), saveUs / 1000);
    std::fflush(stdout);

    int heldOld = 0, heldNew = 0, broken = 0, leftAfterKill = 0, leftAfterNextSave = 0;
    qint64 largestLeft = 0;
    for (int round = 0; round < kills; ++round) {
        QFile::remove(file);
        if (!QFile::copy(old, file))
            return 1;
        const pid_t child = fork();
        if (child < 0)
            return 1;
        if (child == 0)
            _exit(d.SaveDictionary(file) == 0 ? 0 : 1);
        // At a random moment of the save, or a little after its end.
        usleep(useconds_t(QRandomGenerator::global()->bounded(1.2) * saveUs));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const QByteArray held = hashOf(file);
        (held == oldHash ? heldOld : held == newHash ? heldNew : broken)++;
        const qint64 left = leftovers(folder);
        leftAfterKill += left >= 0;
        largestLeft = qMax(largestLeft, left);
        if (tiny.SaveDictionary(file) != 0)
            return 1;
        leftAfterNextSave += leftovers(folder) >= 0;
    }
    QFile::remove(old);
    std::printf("%d kills: old %d, new %d, broken %d; temporary files left by %d kills (at most "
                "%lld bytes), and after the next save by %d\n",
                kills, heldOld, heldNew, broken, leftAfterKill, largestLeft, leftAfterNextSave);
    return broken == 0 && leftAfterNextSave == 0 ? 0 : 1;
}
