#pragma once

#include "DictionaryContent.h"
#include "FileStamp.h"
#include "ReplacingFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Writes a .dyb file. The new content goes to a temporary file that is flushed to disk and then
// renamed over the old one, whose mode, owner and group it takes, so a failure at any point before
// the rename leaves the old file whole (see ReplacingFile). Only a regular file is replaced: a
// named pipe, a device or a folder of that name fails the save and stays as it is. Words as they
// were read are written straight from the bytes they were read from; only changed and added
// words, and the header, are encoded. A writer holds no state but its own, so a copy of a
// document's content can be written on any thread.
class DictionaryWriter
{
public:
    explicit DictionaryWriter(const QString& sFile);

    // False when the save failed: an empty name, a text too long for its 16-bit count, or any
    // error of the file system. A save can fail after the rename, when the folder's entry
    // cannot be synced: the file then holds the new words, which renamed() tells.
    bool write(const DictionaryContent& content);
    bool renamed() const { return m_file.renamed(); }
    // What the file is once renamed.
    FileStamp stamp() const { return m_file.stamp(); }
    // Why write failed.
    QString failure() const { return m_failure; }

    // Bytes written after the last word record, where readers of the file stop.
    void setTrailer(const QByteArray& bytes) { m_trailer = bytes; }

    // Every text fits its 16-bit count.
    static bool fits(const DictionaryContent& content);
    static bool textFits(const QString& text);
    // Every character of every text has a byte of its own in the file's code page.
    static bool encodesExactly(const DictionaryContent& content);

private:
    bool writeAll(const DictionaryContent& content);
    QString tooLong(const DictionaryContent& content) const;
    bool writeStored(QByteArrayView record);
    bool writeEdited(const WordEntry& entry);
    bool settleRun();
    void appendText(const QString& text);
    void appendBytes(const void* bytes, qsizetype size);
    bool writeBuffer();
    bool writeBytes(QByteArrayView bytes);

    QString m_sFile;
    ReplacingFile m_file;
    QString m_failure;
    QByteArray m_buffer;  // bytes not written yet, before m_run
    QByteArrayView m_run; // stored records, one after the other, not written yet
    QByteArray m_trailer;
};
