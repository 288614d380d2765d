#include "WordTable.h"

void WordTable::adopt(QByteArray bytes, QVector<qint64> records)
{
    m_bytes = std::move(bytes);
    m_records = std::move(records);
    m_edited.clear();
    markNotLatin1();
}

// Turns each record's offset into its entry, marking the records whose texts hold a byte that is
// not Latin-1. The block is searched for such bytes as a whole, as most hold few or none; a byte
// found in a record's counts marks it too, which only costs it the slower decoding.
void WordTable::markNotLatin1()
{
    const qsizetype count = m_records.size();
    const qint64 end = count > 0 ? recordEnd(m_records.constLast()) : 0;
    qint64 from = count > 0 ? m_records.constFirst() : 0;
    qsizetype record = 0;
    while (from < end) {
        const qint64 found = from + Windows1252::findNotLatin1(m_bytes.constData() + from, end - from);
        if (found == end)
            break;
        // The records before the one that holds the byte are Latin-1 throughout.
        while (record + 1 < count && m_records.at(record + 1) <= found)
            m_records[record++] *= 2;
        const qint64 offset = m_records.at(record);
        m_records[record++] = 2 * offset + 1;
        from = recordEnd(offset);
    }
    for (; record < count; ++record)
        m_records[record] *= 2;
}

void WordTable::clear()
{
    m_bytes = QByteArray();
    m_records = QVector<qint64>();
    m_edited = QVector<WordEntry>();
}

void WordTable::setWord(qsizetype index, const QString& text)
{
    edit(index).Word = text;
}

void WordTable::setDescription(qsizetype index, const QString& text)
{
    edit(index).Description = text;
}

void WordTable::append(const QString& word, const QString& description)
{
    m_edited.append(WordEntry{word, description});
    m_records.append(-qint64(m_edited.size()));
}

void WordTable::remove(qsizetype index)
{
    m_records.remove(index);
    if (m_records.isEmpty())
        clear();
}

QByteArrayView WordTable::storedRecord(qsizetype index) const
{
    const qint64 entry = m_records.at(index);
    if (entry < 0)
        return {};
    const qint64 record = entry >> 1;
    return QByteArrayView(m_bytes.constData() + record, recordEnd(record) - record);
}

const WordEntry& WordTable::editedEntry(qsizetype index) const
{
    return m_edited.at(-1 - m_records.at(index));
}

// The word's texts as an entry of their own, decoded from the bytes the first time it changes.
WordEntry& WordTable::edit(qsizetype index)
{
    qint64& entry = m_records[index];
    if (entry >= 0) {
        m_edited.append(WordEntry{word(index), description(index)});
        entry = -qint64(m_edited.size());
    }
    return m_edited[-1 - entry];
}
