#pragma once

#include "FileStamp.h"
#include "PlatformFile.h"

#include <QString>

// The new content of a file, written beside it under a temporary name and renamed over it once it
// is whole and on disk, so that the file holds its old bytes or its new ones, never anything in
// between. The temporary file is named "." + the file's name + ".lexivault-" + eight letters and
// digits, a name that only this program makes, and its save holds it (locked, where the file
// system has locks) until the rename. A save that fails removes it; one that is killed cannot,
// so every save and every open of a file first removes the leftovers of earlier saves of that
// file that nobody holds.
class ReplacingFile
{
public:
    explicit ReplacingFile(const QString& sFile);
    ~ReplacingFile(); // removes the temporary file unless it has been renamed

    // Follows links to the file they name, which must be a regular file or absent, removes
    // leftovers and makes the temporary file, with the replaced file's owner and mode.
    bool open();
    bool write(const char* data, qint64 size);
    // Syncs the file, renames it over the old one and syncs the folder, whose entry the rename
    // changed. False when a step failed; renamed() then tells whether the file has its name.
    bool commit();
    bool renamed() const { return m_renamed; }
    // What the file is once renamed.
    FileStamp stamp() const { return m_stamp; }
    // Why open, write or commit failed.
    QString failure() const { return m_failure; }

    static void removeLeftovers(const QString& sFile);

private:
    static void removeLeftoversOf(const QString& target);
    static QString temporaryPrefix(const QString& target);
    bool fail(int error);

    QString m_file;      // as the caller names it
    QString m_target;    // links followed
    QString m_temporary; // while it exists
    PlatformFile m_handle;
    FileStamp m_stamp;
    bool m_renamed = false;
    QString m_failure;
};
