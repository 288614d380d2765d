#include "PlatformFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#include <qt_windows.h>
#endif

#if defined(Q_OS_UNIX)

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
#ifdef Q_OS_DARWIN
    // On macOS fsync leaves the data in the drive's own cache; F_FULLFSYNC has the drive write it.
    // File systems that cannot (network shares, some sticks) refuse it, and fsync is all there is.
    if (::fcntl(handle, F_FULLFSYNC) == 0)
        return true;
#endif
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

#elif defined(Q_OS_WIN)

namespace {

// Size, last write time (in 100 ns steps) and the volume and index that name the file.
FileStamp stampFrom(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    FileStamp stamp;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return stamp;
    const auto join = [](DWORD high, DWORD low) { return (quint64(high) << 32) | low; };
    stamp.exists = true;
    stamp.size = qint64(join(info.nFileSizeHigh, info.nFileSizeLow));
    stamp.modifiedNs =
        qint64(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) *
        100;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = join(info.nFileIndexHigh, info.nFileIndexLow);
    return stamp;
}

// The \\?\ form of a path's full name, as Qt opens every file: the only form in which the
// system takes paths past 260 characters. A share's \\server\name becomes \\?\UNC\server\name.
QString longPathOf(const QString& path)
{
    const QString native = QDir::toNativeSeparators(path);
    if (native.startsWith(QLatin1String("\\\\?\\")) || native.startsWith(QLatin1String("\\\\.\\")))
        return native;
    const auto* given = reinterpret_cast<const wchar_t*>(native.utf16());
    QString full(GetFullPathNameW(given, 0, nullptr, nullptr), QChar());
    full.resize(GetFullPathNameW(given, DWORD(full.size()), reinterpret_cast<wchar_t*>(full.data()),
                                 nullptr));
    return full.startsWith(QLatin1String("\\\\")) ? QLatin1String("\\\\?\\UNC") + full.mid(1)
                                                  : QLatin1String("\\\\?\\") + full;
}

} // namespace

// Windows has no named pipes among files, and a new file takes the permissions its folder gives
// new files: there is no owner or mode to carry over.
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
    // Reading the attributes needs no share of the file, so another program's open is no obstacle.
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(longPathOf(path).utf16()),
                    FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileStamp stamp = stampFrom(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return stamp;
}

FileStamp PlatformFile::stampOf(int handle)
{
    return stampFrom(reinterpret_cast<HANDLE>(_get_osfhandle(handle)));
}

void PlatformFile::takeOwnerAndMode(int handle, const QString& path)
{
    Q_UNUSED(handle)
    Q_UNUSED(path)
}

bool PlatformFile::syncFile(int handle)
{
    // The file's buffers reach the disk, and the result says whether they did.
    return _commit(handle) == 0;
}

bool PlatformFile::syncFolderOf(const QString& path)
{
    // NTFS journals the rename itself; a folder cannot be flushed on its own.
    Q_UNUSED(path)
    return true;
}

#endif
