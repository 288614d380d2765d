#pragma once

#include "WordEntry.h"
#include "WordIndex.h"

#include "Windows1252.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>
#include <QtEndian>

// The words of a dictionary, index 0 first. The words of an opened file stay in the bytes they
// were read from, as counted Windows-1252 texts, and are decoded when they are asked for; a word
// that is changed or added lives beside them as text. So opening keeps one block of bytes and an
// index instead of two strings a word, and saving writes every untouched word straight from the
// bytes it was read from. A deleted word's texts go at once; the entry that held them, and the
// bytes of records no word reads any more, go once they outweigh what the words hold.
class WordTable
{
public:
    // Each word has one entry of 64 bits: a record as read, by where it starts in the bytes and
    // whether its texts are all Latin-1; or a changed or added word, by its place among the
    // edited ones. A record's entry says Latin-1 only when no byte of its texts is outside it
    // (Windows1252::findNotLatin1); one in its counts only costs it the slower decoding.
    static qint64 storedEntry(qint64 record, bool latin1) { return 2 * record + (latin1 ? 0 : 1); }

    // Takes the bytes of a file and the entries of its word records in order (storedEntry). The
    // caller has checked that every record lies whole within the bytes.
    void adopt(QByteArray bytes, QVector<qint64> entries);
    void clear(); // no words, no storage

    qsizetype size() const { return m_records.size(); }
    // Inline, as callers that read every word call them a million times.
    QString word(qsizetype index) const
    {
        const qint64 entry = m_records.at(index);
        return isStoredEntry(entry) ? textAt(recordOf(entry), isLatin1(entry))
                                    : m_edited.at(placeOf(entry)).Word;
    }
    QString description(qsizetype index) const
    {
        const qint64 entry = m_records.at(index);
        return isStoredEntry(entry) ? textAt(descriptionAt(recordOf(entry)), isLatin1(entry))
                                    : m_edited.at(placeOf(entry)).Description;
    }
    // The first word from index from on, then from the first word on, that begins with prefix,
    // letter case ignored as QString::startsWith ignores it; -1 when none does. Records as read
    // are compared in their bytes, and runs of words that the index shows none of begins so are
    // passed over.
    qsizetype findWord(const QString& prefix, qsizetype from) const;
    // Indexes up to count more words for findWord, which otherwise indexes those it comes to;
    // true once every word is indexed.
    bool indexWords(qsizetype count) const;

    void setWord(qsizetype index, const QString& text);
    void setDescription(qsizetype index, const QString& text);
    void append(const QString& word, const QString& description);
    void remove(qsizetype index);

    // A record still as read: its bytes, word and description with their counts. Empty for a
    // changed or added word, whose texts are in editedEntry.
    QByteArrayView storedRecord(qsizetype index) const;
    const WordEntry& editedEntry(qsizetype index) const;
    bool isStored(qsizetype index) const { return isStoredEntry(m_records.at(index)); }
    // Entries held for changed and added words, those emptied by deletions among them.
    qsizetype editedEntries() const { return m_edited.size(); }

private:
    static qint64 entryOfEdited(qsizetype place) { return -1 - qint64(place); }
    static bool isStoredEntry(qint64 entry) { return entry >= 0; }
    static qint64 recordOf(qint64 entry) { return entry >> 1; }
    static bool isLatin1(qint64 entry) { return (entry & 1) == 0; }
    static qsizetype placeOf(qint64 entry) { return qsizetype(-1 - entry); }

    // Through a view, whose data is the block's or null, never the one byte that an empty
    // QByteArray points to, which compilers would take these two bytes to overrun.
    quint16 countAt(qint64 at) const
    {
        return qFromLittleEndian<quint16>(QByteArrayView(m_bytes).data() + at);
    }
    qint64 descriptionAt(qint64 record) const { return record + 2 + countAt(record); }
    qint64 recordEnd(qint64 record) const
    {
        const qint64 description = descriptionAt(record);
        return description + 2 + countAt(description);
    }
    void forget(qsizetype index);
    void dropLeftovers();
    // Most texts hold no byte of 0x80 to 0x9F, and those that opened so are decoded without
    // looking.
    QString textAt(qint64 at, bool latin1) const
    {
        const char* text = m_bytes.constData() + at + 2;
        return latin1 ? QString::fromLatin1(text, countAt(at))
                      : Windows1252::decode(text, countAt(at));
    }
    WordEntry& edit(qsizetype index);
    bool startsWith(qsizetype index, const QString& prefix, const char16_t* folded) const;
    qsizetype findIn(qsizetype index, qsizetype end, const QString& prefix, const char16_t* folded,
                     const WordIndex::Range& range) const;
    WordIndex::Key keyOf(qsizetype index) const;
    void indexUpTo(qsizetype count) const;

    QByteArray m_bytes;
    QVector<qint64> m_records; // each word's entry

    QVector<WordEntry> m_edited;
    qint64 m_storedBytes = 0;  // of m_bytes, those of records still as read
    qsizetype m_emptied = 0;   // entries of m_edited whose word was deleted
    mutable WordIndex m_index; // of the first words, grown as they are searched or indexed
};
