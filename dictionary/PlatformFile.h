#pragma once

#include "FileStamp.h"

#include <QString>

class QFile;

// The few file-system calls that Qt does not offer, for the reader and the writer, in one place:
// a path is a file in the file system's sense or not (a named pipe, a device, a socket or a folder
// is no dictionary), what a file was when it was last read or written, who owns a replaced file,
// and syncs to disk whose results are read.
class PlatformFile
{
public:
    // Opens file, unbuffered, for reading when it is an existing regular file or a link to one,
    // without ever waiting as the open of a named pipe would; false for anything else.
    static bool openRegularForReading(QFile& file);
    // A path names no file at all, or a regular file (or a link to one): something a save may
    // replace.
    static bool isRegularOrAbsent(const QString& path);

    static FileStamp stampOf(const QString& path);
    // The stamp of an open file; one that does not exist where the system cannot tell.
    static FileStamp stampOf(int handle);

    // Gives the file open as handle the mode of the file at path exactly, and its owner and group
    // as far as the system allows: root keeps both, a member of the file's group keeps the group.
    static void takeOwnerAndMode(int handle, const QString& path);

    // Both true when the data, or the folder's entry for a renamed file, has reached the disk.
    static bool syncFile(int handle);
    static bool syncFolderOf(const QString& path);
};
