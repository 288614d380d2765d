#pragma once

#include "DictionaryContent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// Writes a .dyb file. The new content goes to a temporary file that is flushed to disk and then
// renamed over the old one, so a failure at any point leaves the old file whole. Words as they
// were read are written straight from the bytes they were read from; only changed and added
// words, and the header, are encoded.
class DictionaryWriter
{
public:
    explicit DictionaryWriter(const QString& sFile);

    // False when nothing was written: an empty name, a text too long for its 16-bit count, or
    // any error of the file system.
    bool write(const DictionaryContent& content);

    // Every text fits its 16-bit count.
    static bool fits(const DictionaryContent& content);
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
    bool syncToDisk();

    QSaveFile m_file;
    QByteArray m_buffer;  // bytes not written yet, before m_run
    QByteArrayView m_run; // stored records, one after the other, not written yet
};
