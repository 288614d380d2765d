#pragma once

#include "DictionaryContent.h"
#include "FileStamp.h"
#include "PlatformFile.h"

#include <QByteArray>
#include <QString>

// Reads a .dyb file. It trusts no count: every length is checked against the bytes that are
// left, so a truncated or hostile file fails cleanly instead of reading past its end or
// reserving memory for records that cannot be there. The words' records are kept as read, in
// one block that holds nothing past the last record, with an index of where each starts.
class DictionaryReader
{
public:
    explicit DictionaryReader(const QString& sFile);

    // Fills content from the file; false when the file is missing, is no regular file, or is not
    // a whole dictionary. First removes what killed saves of the file left behind.
    bool read(DictionaryContent& content);
    // What the file was as it was read.
    FileStamp stamp() const { return m_stamp; }
    // Why read failed.
    QString failure() const { return m_failure; }

private:
    bool readAll(DictionaryContent& content);
    bool readHeader(DictionaryHeader& header);
    bool readWords(WordTable& words);
    qint64 recordEnd(qint64 at) const;
    bool readText(QString& text);
    bool readBytes(void* destination, qsizetype size);
    bool ensureAvailable(qsizetype size);
    bool readMore(qint64 size);
    void makeRoom(qsizetype size);
    qint64 bytesLeft() const;
    bool notADictionary(const QString& found);

    QString m_sFile;
    PlatformFile m_file;
    FileStamp m_stamp;
    QString m_failure;
    bool m_inWords = false; // past the header
    qint64 m_fileSize = 0;
    QByteArray m_buffer;      // the file's bytes from its start, as far as they have been read
    qsizetype m_position = 0; // next unread byte in m_buffer
};
