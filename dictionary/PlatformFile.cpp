#include "PlatformFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX

namespace {

FileStamp stampFrom(const struct stat& status)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = status.st_size;
#ifdef Q_OS_DARWIN
    const timespec modified = status.st_mtimespec;
#else
    const timespec modified = status.st_mtim;
#endif
    stamp.modifiedNs = qint64(modified.tv_sec) * 1000000000 + modified.tv_nsec;
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    return stamp;
}

} // namespace

bool PlatformFile::openRegularForReading(QFile& file)
{
    // Without O_NONBLOCK the open of a named pipe waits for a writer; the type is checked on what
    // was opened, so that nothing can be swapped in between. A regular file's reads never wait,
    // whatever the flag says.
    const int handle =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return false;
    struct stat status;
    if (::fstat(handle, &status) == 0 && S_ISREG(status.st_mode) &&
        file.open(handle, QIODevice::ReadOnly | QIODevice::Unbuffered,
                  QFileDevice::AutoCloseHandle))
        return true;
    ::close(handle);
    return false;
}

bool PlatformFile::isRegularOrAbsent(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

FileStamp PlatformFile::stampOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? stampFrom(status)
                                                                     : FileStamp();
}

FileStamp PlatformFile::stampOf(int handle)
{
    struct stat status;
    return ::fstat(handle, &status) == 0 ? stampFrom(status) : FileStamp();
}

void PlatformFile::takeOwnerAndMode(int handle, const QString& path)
{
    struct stat replaced;
    if (::stat(QFile::encodeName(path).constData(), &replaced) != 0)
        return; // a new file: the saver's, as the system makes it
    // Owner first, since a change of owner may clear the set-user-ID bits that the mode restores.
    // Only root may give a file away; a member of the file's group may still keep the group. What
    // cannot be kept is left as the system made it: the save goes ahead, as text editors do.
    if (::fchown(handle, replaced.st_uid, replaced.st_gid) != 0)
        (void)(::fchown(handle, uid_t(-1), replaced.st_gid) == 0);
    // A file system without modes (a FAT stick) refuses this too; the new file then has the mode
    // the system gives it.
    (void)(::fchmod(handle, replaced.st_mode & 07777) == 0);
}

bool PlatformFile::syncFile(int handle)
{
    return ::fsync(handle) == 0;
}

bool PlatformFile::syncFolderOf(const QString& path)
{
    const QFileInfo file(path);
    const QString real = file.canonicalFilePath();
    const QByteArray folder = QFile::encodeName(
        QFileInfo(real.isEmpty() ? file.absoluteFilePath() : real).absolutePath());
    const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return false;
    const bool synced = ::fsync(handle) == 0;
    return ::close(handle) == 0 && synced;
}

#else

// Elsewhere Qt's own checks stand in: no named pipes to block on, no owners to keep, and no
// folder to sync.
bool PlatformFile::openRegularForReading(QFile& file)
{
    return QFileInfo(file.fileName()).isFile() &&
           file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool PlatformFile::isRegularOrAbsent(const QString& path)
{
    const QFileInfo file(path);
    return !file.exists() || file.isFile();
}

FileStamp PlatformFile::stampOf(const QString& path)
{
    const QFileInfo file(path);
    FileStamp stamp;
    stamp.exists = file.exists();
    stamp.size = file.size();
    stamp.modifiedNs = file.lastModified().toMSecsSinceEpoch() * 1000000;
    return stamp;
}

FileStamp PlatformFile::stampOf(int handle)
{
    Q_UNUSED(handle)
    return FileStamp();
}

void PlatformFile::takeOwnerAndMode(int handle, const QString& path)
{
    Q_UNUSED(handle)
    Q_UNUSED(path)
}

bool PlatformFile::syncFile(int handle)
{
    Q_UNUSED(handle)
    return true;
}

bool PlatformFile::syncFolderOf(const QString& path)
{
    Q_UNUSED(path)
    return true;
}

#endif
