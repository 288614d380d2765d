#pragma once

#include "DictionaryContent.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Reads a .dyb file. It trusts no count: every length is checked against the bytes that are
// left, so a truncated or hostile file fails cleanly instead of reading past its end or
// reserving memory for records that cannot be there.
class DictionaryReader
{
public:
    explicit DictionaryReader(const QString& sFile);

    // Fills content from the file; false when the file is missing or not a whole dictionary.
    bool read(DictionaryContent& content);

private:
    bool readAll(DictionaryContent& content);
    bool readHeader(DictionaryHeader& header);
    bool readWords(QVector<WordEntry>& words);
    void readBatch(QVector<WordEntry>& words, qint64 count);
    bool ensureRecord();
    qsizetype recordEnd(qsizetype at) const;
    quint16 countAt(qsizetype at) const;
    QString textAt(qsizetype at) const;
    bool readText(QString& text);
    bool readBytes(void* destination, qsizetype size);
    bool ensureAvailable(qsizetype size);
    qint64 bytesLeft() const;

    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_position = 0;          // next unread byte in m_buffer
    QVector<qsizetype> m_descriptions; // where a batch's descriptions are in m_buffer
};
