#pragma once

#include "FileStamp.h"

#include <QString>
#include <QStringList>

// Every call into the file system that the reader and the writer make, in one place, with one
// implementation per platform family (PlatformFile_unix.cpp, PlatformFile_win.cpp). A call that a
// signal interrupts is repeated. A call that fails keeps the system's error code, which describe()
// turns into a sentence the user can act on.
//
// An object is one open file: one being read, or a new file being written beside the one it
// is to replace. It closes the file when it goes.
class PlatformFile
{
public:
    // What a path names.
    enum class Kind
    {
        Absent,
        Regular,
        Folder,
        Pipe,
        Device,
        Socket,
        Other
    };
    // A path as a save finds it: what it is and, on Unix, who owns it and its mode.
    struct Status
    {
        Kind kind = Kind::Absent;
        quint32 owner = 0;
        quint32 group = 0;
        quint32 mode = 0;
    };
    // Whether a failed call was reading or writing, which decides what a refused access means.
    enum class Access
    {
        Reading,
        Writing
    };

    PlatformFile() = default;
    ~PlatformFile();
    PlatformFile(const PlatformFile&) = delete;
    PlatformFile& operator=(const PlatformFile&) = delete;

    // Opens path for reading when it is a regular file (or a link to one), without ever waiting as
    // the open of a named pipe would; for anything else the error is that of kind().
    bool openForReading(const QString& path);
    // Up to size bytes, fewer only at the end of the file; -1 on an error.
    qint64 read(char* data, qint64 size);
    // Makes path, which must not exist, and holds it so that no other save's clean-up removes it
    // (a lock where the file system has locks); false with EEXIST-like errors when it exists,
    // which exists() then tells.
    bool createNew(const QString& path);
    bool write(const char* data, qint64 size);
    // Gives the file the owner, group and mode of a file it replaces, as far as the system lets
    // the saver: root keeps both, a member of the file's group keeps the group. A file system
    // without owners or modes keeps what it gives new files.
    void takeOwnerAndMode(const Status& replaced);
    // True once the data has reached the disk.
    bool sync();
    // Renames the file, which must be open under from, over to.
    bool renameOver(const QString& from, const QString& to);
    // The file as it is now; one that does not exist when the system cannot tell.
    FileStamp stamp() const;
    void close();

    bool isOpen() const { return m_handle != kNoHandle; }
    // The system's code for the last call that failed.
    int error() const { return m_error; }
    // The last failure was that of a name that already exists.
    bool exists() const;
    // What the last openForReading found at its path.
    Kind kind() const { return m_kind; }

    // The file or folder a path names once every symbolic link of its last part is followed;
    // the path itself when that is no link or does not exist. False, with the error, when a
    // link cannot be read: a save must then not put a file in its place.
    static bool resolveLinks(const QString& path, QString& target, int& error);
    // What path is. False, with the error, when the system cannot tell.
    static bool statusOf(const QString& path, Status& status, int& error);
    static FileStamp stampOf(const QString& path);
    // The names in a folder, hidden ones included; empty when it cannot be read.
    static QStringList entriesOf(const QString& folder);
    // Removes a regular file that nobody holds, that is, the leftover of a save that ended
    // without cleaning up; leaves a file that a running save holds, and anything else.
    static void removeIfAbandoned(const QString& path);
    static bool remove(const QString& path);
    // True once the folder's entries, a renamed file's new name among them, have reached the disk.
    static bool syncFolderOf(const QString& path, int& error);

    // One or two plain sentences on a failed call: file is the dictionary's path; a failure of the
    // folder (a read-only one, say) names the folder.
    static QString describe(int error, const QString& file, Access access);

private:
#if defined(Q_OS_WIN)
    using Handle = void*;
    static inline const Handle kNoHandle = reinterpret_cast<Handle>(static_cast<qintptr>(-1));
#else
    using Handle = int;
    static constexpr Handle kNoHandle = -1;
#endif
    bool fail();

    Handle m_handle = kNoHandle;
    int m_error = 0;
    Kind m_kind = Kind::Absent;
};
