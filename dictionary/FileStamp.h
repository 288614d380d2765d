#pragma once

#include <QtGlobal>

// What a file was at one moment: its size, its modification time to the nanosecond and, where the
// system tells it, which file it is (device and inode). Two stamps of one path differ once another
// program has written the file, or moved another file over its name, in between.
struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs &&
               device == other.device && inode == other.inode;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
