#pragma once

#include "DictionaryContent.h"
#include "FileStamp.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// Writes a .dyb file. The new content goes to a temporary file that is flushed to disk and then
// renamed over the old one, whose mode, owner and group it takes, so a failure at any point leaves
// the old file whole. Only a regular file is replaced: a named pipe, a device or a folder of that
// name fails the save and stays as it is. Words as they were read are written straight from the
// bytes they were read from; only changed and added words, and the header, are encoded.
class DictionaryWriter
{
public:
    explicit DictionaryWriter(const QString& sFile);

    // False when nothing was written: an empty name, a text too long for its 16-bit count, or
    // any error of the file system.
    bool write(const DictionaryContent& content);
    // What the file is once written.
    FileStamp stamp() const { return m_stamp; }

    // Bytes written after the last word record, where readers of the file stop.
    void setTrailer(const QByteArray& bytes) { m_trailer = bytes; }

    // Every text fits its 16-bit count.
    static bool fits(const DictionaryContent& content);
    static bool textFits(const QString& text);
    // Every character of every text has a byte of its own in the file's code page.
    static bool encodesExactly(const DictionaryContent& content);

private:
    bool writeAll(const DictionaryContent& content);
    bool writeStored(QByteArrayView record);
    bool writeEdited(const WordEntry& entry);
    bool settleRun();
    void appendText(const QString& text);
    void appendBytes(const void* bytes, qsizetype size);
    bool writeBuffer();
    bool writeBytes(QByteArrayView bytes);
    bool commit();

    QSaveFile m_file;
    FileStamp m_stamp;
    QByteArray m_buffer;  // bytes not written yet, before m_run
    QByteArrayView m_run; // stored records, one after the other, not written yet
    QByteArray m_trailer;
};
