#pragma once

#include "WordEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>

// The words of a dictionary, index 0 first. The words of an opened file stay in the bytes they
// were read from, as counted Windows-1252 texts, and are decoded when they are asked for; a word
// that is changed or added lives beside them as text until the next open. So opening keeps one
// block of bytes and an index instead of two strings a word, and saving writes every untouched
// word straight from the bytes it was read from.
class WordTable
{
public:
    // Takes the bytes of a file and an entry for each of its word records, made by storedEntry.
    void adopt(QByteArray bytes, QVector<qint64> entries);
    // The entry of the record that starts at offset at of bytes, in which it lies whole.
    static qint64 storedEntry(const QByteArray& bytes, qint64 at);
    void clear(); // no words, no storage

    qsizetype size() const { return m_records.size(); }
    QString word(qsizetype index) const;
    QString description(qsizetype index) const;
    void setWord(qsizetype index, const QString& text);
    void setDescription(qsizetype index, const QString& text);
    void append(const QString& word, const QString& description);
    void remove(qsizetype index);

    // A record still as read: its bytes, word and description with their counts. Empty for a
    // changed or added word, whose texts are in editedEntry.
    QByteArrayView storedRecord(qsizetype index) const;
    const WordEntry& editedEntry(qsizetype index) const;
    bool isStored(qsizetype index) const { return m_records.at(index) >= 0; }

private:
    QString textAt(qint64 at, bool latin1) const;
    WordEntry& edit(qsizetype index);

    QByteArray m_bytes;
    // Per word: for a record as read, twice where it starts in m_bytes, plus one when its texts
    // are not all Latin-1 (see Windows1252::isLatin1); below zero, -1 - its place in m_edited.
    QVector<qint64> m_records;
    QVector<WordEntry> m_edited;
};
