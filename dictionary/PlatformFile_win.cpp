#include "PlatformFile.h"

#include "FailureText.h"

#include <QDir>
#include <QFileInfo>

#include <qt_windows.h>
#include <string>

// Windows has no signals to interrupt a call, no named pipes among files, and no owner or mode to
// carry over: a new file takes the permissions its folder gives new files. Paths are given in the
// \\?\ form, which takes paths of up to 32,767 characters.

namespace {

constexpr int kLongestPath = 32767;

std::wstring nativePath(const QString& path)
{
    QString native =
        QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.startsWith(QLatin1String("\\\\?\\")) || native.startsWith(QLatin1String("\\\\.\\")))
        return native.toStdWString();
    if (native.startsWith(QLatin1String("\\\\"))) // \\server\share\...
        return (QLatin1String("\\\\?\\UNC\\") + native.mid(2)).toStdWString();
    return (QLatin1String("\\\\?\\") + native).toStdWString();
}

QString fromNativePath(QString native)
{
    if (native.startsWith(QLatin1String("\\\\?\\UNC\\")))
        native = QLatin1String("\\\\") + native.mid(8);
    else if (native.startsWith(QLatin1String("\\\\?\\")))
        native = native.mid(4);
    return QDir::fromNativeSeparators(native);
}

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

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

PlatformFile::~PlatformFile()
{
    close();
}

bool PlatformFile::fail()
{
    m_error = int(GetLastError());
    return false;
}

bool PlatformFile::exists() const
{
    return DWORD(m_error) == ERROR_FILE_EXISTS || DWORD(m_error) == ERROR_ALREADY_EXISTS;
}

bool PlatformFile::openForReading(const QString& path)
{
    close();
    m_kind = Kind::Absent;
    const std::wstring name = nativePath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_kind = Kind::Folder;
        m_error = 0;
        return false;
    }
    // Shared in every way, so that another program's open or rename is no obstacle.
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return fail();
    m_handle = handle;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        m_kind = Kind::Device;
        m_error = 0;
        close();
        return false;
    }
    m_kind = Kind::Regular;
    return true;
}

qint64 PlatformFile::read(char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        DWORD got = 0;
        const DWORD piece = DWORD(qMin<qint64>(size - done, 1 << 30));
        if (!ReadFile(m_handle, data + done, piece, &got, nullptr)) {
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
    // Shared with nobody but a rename, for as long as it is open: that is the lock that keeps
    // other saves' clean-up away, and it is gone with the handle when a save is killed.
    const HANDLE handle = CreateFileW(nativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return fail();
    m_handle = handle;
    return true;
}

bool PlatformFile::write(const char* data, qint64 size)
{
    while (size > 0) {
        DWORD done = 0;
        const DWORD piece = DWORD(qMin<qint64>(size, 1 << 30));
        if (!WriteFile(m_handle, data, piece, &done, nullptr))
            return fail();
        data += done;
        size -= done;
    }
    return true;
}

void PlatformFile::takeOwnerAndMode(const Status& replaced)
{
    Q_UNUSED(replaced)
}

bool PlatformFile::sync()
{
    return FlushFileBuffers(m_handle) || fail();
}

bool PlatformFile::renameOver(const QString& from, const QString& to)
{
    // Written through: the rename is on disk once the call returns.
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    const std::wstring source = nativePath(from), target = nativePath(to);
    if (MoveFileExW(source.c_str(), target.c_str(), flags))
        return true;
    if (GetLastError() != ERROR_SHARING_VIOLATION)
        return fail();
    // A file system that renames no file while it is open: closed first, so that the lock ends
    // an instant before the file has its name.
    close();
    return MoveFileExW(source.c_str(), target.c_str(), flags) || fail();
}

FileStamp PlatformFile::stamp() const
{
    return stampFrom(m_handle);
}

void PlatformFile::close()
{
    if (m_handle == kNoHandle)
        return;
    // Nothing is lost when the close fails: a written file has been flushed before.
    (void)(CloseHandle(m_handle) != 0);
    m_handle = kNoHandle;
}

bool PlatformFile::resolveLinks(const QString& path, QString& target, int& error)
{
    target = path;
    const std::wstring name = nativePath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        error = int(code);
        return isMissing(code);
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // A symbolic link or a junction: the file it leads to, as the system finds it.
    const HANDLE handle =
        CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = int(GetLastError());
        return false;
    }
    std::wstring resolved(kLongestPath + 1, L'\0');
    const DWORD size = GetFinalPathNameByHandleW(handle, resolved.data(), DWORD(resolved.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    error = int(size == 0 ? GetLastError() : DWORD(ERROR_FILENAME_EXCED_RANGE));
    CloseHandle(handle);
    if (size == 0 || size >= resolved.size())
        return false;
    target = fromNativePath(QString::fromWCharArray(resolved.data(), int(size)));
    return true;
}

bool PlatformFile::statusOf(const QString& path, Status& status, int& error)
{
    status = Status();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(nativePath(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = GetLastError();
        error = int(code);
        return isMissing(code);
    }
    status.kind = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::Regular;
    status.mode = data.dwFileAttributes;
    return true;
}

FileStamp PlatformFile::stampOf(const QString& path)
{
    // Reading the attributes needs no share of the file, so another program's open is no obstacle.
    const HANDLE handle = CreateFileW(nativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileStamp stamp = stampFrom(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return stamp;
}

QStringList PlatformFile::entriesOf(const QString& folder)
{
    QStringList names;
    WIN32_FIND_DATAW found;
    const std::wstring pattern = nativePath(folder) + L"\\*";
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names << QString::fromWCharArray(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void PlatformFile::removeIfAbandoned(const QString& path)
{
    const std::wstring name = nativePath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return;
    // Opens only when no other handle is open, since a running save shares its file with nobody;
    // the file goes as this handle closes.
    const HANDLE handle = CreateFileW(name.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool PlatformFile::remove(const QString& path)
{
    return DeleteFileW(nativePath(path).c_str()) != 0;
}

bool PlatformFile::syncFolderOf(const QString& path, int& error)
{
    // NTFS journals the rename, which MOVEFILE_WRITE_THROUGH has written before it returned; a
    // folder cannot be flushed on its own.
    Q_UNUSED(path)
    Q_UNUSED(error)
    return true;
}

QString PlatformFile::describe(int error, const QString& file, Access access)
{
    const QString folder = QFileInfo(file).absolutePath();
    switch (DWORD(error)) {
    case ERROR_WRITE_PROTECT:
        return FailureText::readOnlyFolder(folder);
    case ERROR_ACCESS_DENIED:
        return FailureText::noPermission(file, access);
    case ERROR_FILENAME_EXCED_RANGE:
        return FailureText::pathTooLong(kLongestPath);
    case ERROR_PATH_NOT_FOUND:
        return FailureText::missingFolder(folder);
    default:
        return FailureText::system(file, qt_error_string(error));
    }
}
