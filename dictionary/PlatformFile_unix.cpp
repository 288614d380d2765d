#include "PlatformFile.h"

#include "FailureText.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Repeats a call that a signal interrupted: a signal is no reason to fail.
template <typename Call> auto repeated(Call call)
{
    auto result = call();
    while (result == -1 && errno == EINTR)
        result = call();
    return result;
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

PlatformFile::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return PlatformFile::Kind::Regular;
    if (S_ISDIR(mode))
        return PlatformFile::Kind::Folder;
    if (S_ISFIFO(mode))
        return PlatformFile::Kind::Pipe;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return PlatformFile::Kind::Device;
    if (S_ISSOCK(mode))
        return PlatformFile::Kind::Socket;
    return PlatformFile::Kind::Other;
}

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

// The open file still has the name: no other save's clean-up has removed it.
bool stillNamed(int handle, const QByteArray& name)
{
    struct stat opened, named;
    return repeated([&] { return ::fstat(handle, &opened); }) == 0 &&
           repeated([&] { return ::lstat(name.constData(), &named); }) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

PlatformFile::~PlatformFile()
{
    close();
}

bool PlatformFile::fail()
{
    m_error = errno;
    return false;
}

bool PlatformFile::exists() const
{
    return m_error == EEXIST;
}

bool PlatformFile::openForReading(const QString& path)
{
    close();
    m_kind = Kind::Absent;
    // Without O_NONBLOCK the open of a named pipe waits for a writer; the type is checked on what
    // was opened, so that nothing can be swapped in between. A regular file's reads never wait,
    // whatever the flag says.
    const QByteArray name = encoded(path);
    const int handle =
        repeated([&] { return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); });
    if (handle < 0) {
        fail();
        Status status; // a socket cannot be opened, but can be told
        int ignored = 0;
        if (statusOf(path, status, ignored) && status.kind != Kind::Regular)
            m_kind = status.kind;
        return false;
    }
    m_handle = handle;
    struct stat status;
    if (repeated([&] { return ::fstat(handle, &status); }) != 0) {
        fail();
        close();
        return false;
    }
    m_kind = kindOf(status.st_mode);
    if (m_kind == Kind::Regular)
        return true;
    m_error = 0;
    close();
    return false;
}

qint64 PlatformFile::read(char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const size_t piece = size_t(qMin<qint64>(size - done, 1 << 30));
        const ssize_t got = repeated([&] { return ::read(m_handle, data + done, piece); });
        if (got < 0) {
            fail();
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

bool PlatformFile::createNew(const QString& path)
{
    close();
    const QByteArray name = encoded(path);
    // Readable and writable as far as the umask allows, as any new file: takeOwnerAndMode gives it
    // the replaced file's mode before a word is written.
    const int handle = repeated([&] {
        return ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    });
    if (handle < 0)
        return fail();
    m_handle = handle;
    // The lock tells other saves that the file is in use, and lasts while it is open, so that a
    // save that is killed leaves a file that nobody holds. A file system without locks
    // (ENOLCK) keeps the file unlocked, and its leftovers are never removed.
    (void)(repeated([&] { return ::flock(handle, LOCK_EX); }) == 0);
    // Another save's clean-up may have removed the file between the open and the lock, as one
    // that nobody held; another name is then tried.
    if (stillNamed(handle, name))
        return true;
    close();
    m_error = EEXIST;
    return false;
}

bool PlatformFile::write(const char* data, qint64 size)
{
    while (size > 0) {
        const size_t piece = size_t(qMin<qint64>(size, 1 << 30));
        const ssize_t done = repeated([&] { return ::write(m_handle, data, piece); });
        if (done < 0)
            return fail();
        data += done;
        size -= done;
    }
    return true;
}

void PlatformFile::takeOwnerAndMode(const Status& replaced)
{
    if (replaced.kind != Kind::Regular)
        return; // a new file: the saver's, as the system makes it
    // Owner first, since a change of owner may clear the set-user-ID bits that the mode restores.
    // Only root may give a file away; a member of the file's group may still keep the group. What
    // cannot be kept is left as the system made it: the save goes ahead, as text editors do.
    if (repeated([&] { return ::fchown(m_handle, replaced.owner, replaced.group); }) != 0)
        (void)(repeated([&] { return ::fchown(m_handle, uid_t(-1), replaced.group); }) == 0);
    // A file system without modes (a FAT stick) refuses this too; the new file then has the mode
    // the system gives it.
    (void)(repeated([&] { return ::fchmod(m_handle, replaced.mode & 07777); }) == 0);
}

bool PlatformFile::sync()
{
#ifdef Q_OS_DARWIN
    // On macOS fsync leaves the data in the drive's own cache; F_FULLFSYNC has the drive write it.
    // File systems that cannot (network shares, some sticks) refuse it, and fsync is all there is.
    if (repeated([&] { return ::fcntl(m_handle, F_FULLFSYNC); }) == 0)
        return true;
#endif
    return repeated([&] { return ::fsync(m_handle); }) == 0 || fail();
}

bool PlatformFile::renameOver(const QString& from, const QString& to)
{
    const QByteArray source = encoded(from), target = encoded(to);
    bool interrupted = false;
    while (::rename(source.constData(), target.constData()) != 0) {
        if (errno == EINTR) {
            interrupted = true;
            continue;
        }
        // A rename that a signal interrupted on its way back has happened all the same.
        if (errno == ENOENT && interrupted && stampOf(to) == stamp())
            return true;
        return fail();
    }
    return true;
}

FileStamp PlatformFile::stamp() const
{
    struct stat status;
    return repeated([&] { return ::fstat(m_handle, &status); }) == 0 ? stampFrom(status)
                                                                        : FileStamp();
}

void PlatformFile::close()
{
    if (m_handle == kNoHandle)
        return;
    // Not repeated: the descriptor is gone even when a signal interrupted the close. Nothing is
    // lost when the close fails: a written file has been synced before, and a read one is done.
    (void)(::close(m_handle) == 0);
    m_handle = kNoHandle;
}

bool PlatformFile::resolveLinks(const QString& path, QString& target, int& error)
{
    target = path;
    char buffer[PATH_MAX];
    // As the system does, a chain of more than 40 links is taken for a loop.
    for (int links = 0; links <= 40; ++links) {
        const QByteArray name = encoded(target);
        const ssize_t size =
            repeated([&] { return ::readlink(name.constData(), buffer, sizeof buffer); });
        if (size < 0) {
            // No link, or nothing there yet: the path names the file the save writes.
            if (errno == EINVAL || errno == ENOENT)
                return true;
            error = errno;
            return false;
        }
        if (size_t(size) >= sizeof buffer) {
            error = ENAMETOOLONG;
            return false;
        }
        const QString link = QFile::decodeName(QByteArray(buffer, int(size)));
        target = link.startsWith(QLatin1Char('/')) ? link
                                                   : QFileInfo(target).path() + QLatin1Char('/') + link;
    }
    error = ELOOP;
    return false;
}

bool PlatformFile::statusOf(const QString& path, Status& status, int& error)
{
    const QByteArray name = encoded(path);
    struct stat found;
    status = Status();
    if (repeated([&] { return ::stat(name.constData(), &found); }) != 0) {
        error = errno;
        return errno == ENOENT;
    }
    status.kind = kindOf(found.st_mode);
    status.owner = found.st_uid;
    status.group = found.st_gid;
    status.mode = found.st_mode;
    return true;
}

FileStamp PlatformFile::stampOf(const QString& path)
{
    const QByteArray name = encoded(path);
    struct stat status;
    return repeated([&] { return ::stat(name.constData(), &status); }) == 0 ? stampFrom(status)
                                                                             : FileStamp();
}

QStringList PlatformFile::entriesOf(const QString& folder)
{
    QStringList names;
    const QByteArray name = encoded(folder);
    DIR* entries = nullptr;
    do
        entries = ::opendir(name.constData());
    while (!entries && errno == EINTR);
    if (!entries)
        return names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(entries);
        if (!entry && errno == EINTR)
            continue;
        if (!entry)
            break;
        names << QFile::decodeName(entry->d_name);
    }
    (void)(::closedir(entries) == 0); // a folder that was only read has nothing to lose
    return names;
}

void PlatformFile::removeIfAbandoned(const QString& path)
{
    const QByteArray name = encoded(path);
    const int handle = repeated(
        [&] { return ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); });
    if (handle < 0)
        return;
    // Removed while held, and only while it still has the name, so that a save that has just
    // made it and waits for its lock finds the name gone and takes another.
    struct stat status;
    if (repeated([&] { return ::fstat(handle, &status); }) == 0 && S_ISREG(status.st_mode) &&
        repeated([&] { return ::flock(handle, LOCK_EX | LOCK_NB); }) == 0 &&
        stillNamed(handle, name))
        (void)remove(path); // what cannot be removed now, the next save tries again
    (void)(::close(handle) == 0);
}

bool PlatformFile::remove(const QString& path)
{
    const QByteArray name = encoded(path);
    return repeated([&] { return ::unlink(name.constData()); }) == 0;
}

bool PlatformFile::syncFolderOf(const QString& path, int& error)
{
    const QByteArray folder = encoded(QFileInfo(path).absolutePath());
    const int handle =
        repeated([&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (handle < 0) {
        error = errno;
        return false;
    }
    const bool synced = repeated([&] { return ::fsync(handle); }) == 0;
    if (!synced)
        error = errno;
    (void)(::close(handle) == 0); // the sync has told; EINTR here is no failure
    return synced;
}

QString PlatformFile::describe(int error, const QString& file, Access access)
{
    const QString folder = QFileInfo(file).absolutePath();
    Status status;
    int ignored = 0;
    switch (error) {
    case EROFS:
        return FailureText::readOnlyFolder(folder);
    case EACCES:
    case EPERM:
        return FailureText::noPermission(file, access);
    case ENAMETOOLONG:
        return encoded(QFileInfo(file).absoluteFilePath()).size() >= PATH_MAX
                   ? FailureText::pathTooLong(PATH_MAX - 1) // and its NUL
                   : FailureText::nameTooLong(NAME_MAX);
    case ENOENT:
    case ENOTDIR:
        if (!statusOf(folder, status, ignored) || status.kind != Kind::Folder)
            return FailureText::missingFolder(folder);
        break;
    default:
        break;
    }
    return FailureText::system(file, qt_error_string(error));
}
