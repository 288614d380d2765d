#pragma once

#include "PlatformFile.h"

#include <QString>

// The sentences that say why an open or a save failed, shown below "Could not open dictionary"
// or "Could not save dictionary". Each names the file, or the folder when the folder is at fault,
// and ends with a full stop.
class FailureText
{
public:
    // The name the user knows the file by: its last part.
    static QString nameOf(const QString& path);
    // "words.dyb: No space left on device."
    static QString system(const QString& path, const QString& systemText);
    // "words.dyb is a folder, not a file."
    static QString notAFile(const QString& path, PlatformFile::Kind kind);
    static QString readOnlyFolder(const QString& folder);
    static QString noPermission(const QString& path, PlatformFile::Access access);
    static QString missingFolder(const QString& folder);
    static QString pathTooLong(int limit);
    static QString nameTooLong(int limit);
    // After the rename: the file holds the new words, but the disk has not confirmed its name.
    static QString notConfirmed(const QString& path, const QString& systemText);
    // "words.dyb is not a dictionary file: " and what the reader found.
    static QString notADictionary(const QString& path, const QString& found);
    static QString number(qint64 value);
};
