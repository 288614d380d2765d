#include "WordTable.h"

#include <QVarLengthArray>

void WordTable::adopt(QByteArray bytes, QVector<qint64> entries)
{
    m_bytes = std::move(bytes);
    m_records = std::move(entries);
    m_edited.clear();
    m_emptied = 0;
    m_index.clear();
    // The records follow each other from the first on.
    m_storedBytes = m_records.isEmpty() ? 0
                                        : recordEnd(recordOf(m_records.constLast())) -
                                              recordOf(m_records.constFirst());
}

void WordTable::clear()
{
    m_bytes = QByteArray();
    m_records = QVector<qint64>();
    m_edited = QVector<WordEntry>();
    m_storedBytes = 0;
    m_emptied = 0;
    m_index.clear();
}

qsizetype WordTable::findWord(const QString& prefix, qsizetype from) const
{
    QVarLengthArray<char16_t, 64> folded(prefix.size());
    for (qsizetype i = 0; i < prefix.size(); ++i)
        folded[i] = prefix.at(i).toCaseFolded().unicode();
    const WordIndex::Range range = WordIndex::rangeOf(prefix);
    const qsizetype count = size();
    from = from >= 0 && from < count ? from : 0;
    const qsizetype found = findIn(from, count, prefix, folded.constData(), range);
    return found >= 0 ? found : findIn(0, from, prefix, folded.constData(), range);
}

bool WordTable::indexWords(qsizetype count) const
{
    indexUpTo(m_index.size() + count);
    return m_index.size() == size();
}

// The first word from index to end that begins with prefix, whose characters folded are given,
// or -1. The words are indexed as far as the search comes, a stretch at a time.
qsizetype WordTable::findIn(qsizetype index, qsizetype end, const QString& prefix,
                            const char16_t* folded, const WordIndex::Range& range) const
{
    constexpr qsizetype kStretch = 64 * WordIndex::kRunLength;
    qsizetype run = -1;
    while (index < end) {
        if (index >= m_index.size()) {
            indexUpTo(index + kStretch);
            run = -1;
        }
        run = run < 0 ? m_index.runOf(index) : run + 1;
        const qsizetype runEnd = qMin(end, m_index.runEnd(run));
        if (m_index.mayHold(run, range)) {
            for (; index < runEnd; ++index) {
                if (startsWith(index, prefix, folded))
                    return index;
            }
        }
        index = runEnd;
    }
    return -1;
}

// Whether the word at index begins with prefix, whose characters folded are given. A character of
// a record is a byte, so a prefix longer than the record's word, or one with a surrogate, which
// no byte folds to, does not begin it.
bool WordTable::startsWith(qsizetype index, const QString& prefix, const char16_t* folded) const
{
    const qint64 entry = m_records.at(index);
    if (!isStoredEntry(entry))
        return m_edited.at(placeOf(entry)).Word.startsWith(prefix, Qt::CaseInsensitive);
    const qint64 record = recordOf(entry);
    if (countAt(record) < prefix.size())
        return false;
    const auto* text = reinterpret_cast<const uchar*>(m_bytes.constData() + record + 2);
    const std::array<char16_t, 256>& foldedBytes = WordIndex::foldedBytes();
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (foldedBytes[text[i]] != folded[i])
            return false;
    }
    return true;
}

WordIndex::Key WordTable::keyOf(qsizetype index) const
{
    const qint64 entry = m_records.at(index);
    if (!isStoredEntry(entry))
        return WordIndex::keyOf(m_edited.at(placeOf(entry)).Word);
    const qint64 record = recordOf(entry);
    return WordIndex::keyOf(reinterpret_cast<const uchar*>(m_bytes.constData() + record + 2),
                            countAt(record));
}

void WordTable::indexUpTo(qsizetype count) const
{
    for (qsizetype index = m_index.size(), end = qMin(count, size()); index < end; ++index)
        m_index.add(keyOf(index));
}

void WordTable::setWord(qsizetype index, const QString& text)
{
    edit(index).Word = text;
    m_index.changed(index, keyOf(index));
}

void WordTable::setDescription(qsizetype index, const QString& text)
{
    edit(index).Description = text;
}

void WordTable::append(const QString& word, const QString& description)
{
    m_edited.append(WordEntry{word, description});
    m_records.append(entryOfEdited(m_edited.size() - 1));
    if (m_index.size() == size() - 1)
        m_index.add(keyOf(size() - 1));
}

void WordTable::remove(qsizetype index)
{
    m_index.removed(index);
    forget(index);
    m_records.remove(index);
    if (m_records.isEmpty()) {
        clear();
        return;
    }
    if (m_records.size() < m_records.capacity() / 4)
        m_records.squeeze(); // the index of a table that once held many more words
    dropLeftovers();
}

// What the word at index holds, let go as far as its place allows: the texts of a changed or
// added word, while its entry stays until dropLeftovers; the bytes of a record as read stay in
// the block and are only no longer counted.
void WordTable::forget(qsizetype index)
{
    const qint64 entry = m_records.at(index);
    if (isStoredEntry(entry)) {
        const qint64 record = recordOf(entry);
        m_storedBytes -= recordEnd(record) - record;
    } else {
        m_edited[placeOf(entry)] = WordEntry();
        ++m_emptied;
    }
}

// Once the emptied entries outnumber the words, or the bytes of records no word reads any more
// outweigh those still read, they are dropped: the entries and the records still in use are
// moved together, in word order. So memory stays within a small factor of what the words hold,
// however many changes and deletions came before, and each drop costs about as much as the
// deletions since the one before. Records as read stay one after the other, so saving still
// writes them in long runs.
void WordTable::dropLeftovers()
{
    const bool dropBytes = 2 * m_storedBytes < m_bytes.size();
    const bool dropEntries = m_emptied > m_records.size();
    if (!dropBytes && !dropEntries)
        return;
    QByteArray bytes;
    QVector<WordEntry> edited;
    if (dropBytes)
        bytes.reserve(m_storedBytes);
    if (dropEntries)
        edited.reserve(m_edited.size() - m_emptied);
    for (qint64& entry : m_records) {
        if (isStoredEntry(entry) && dropBytes) {
            const qint64 record = recordOf(entry);
            const qint64 movedTo = bytes.size();
            bytes.append(m_bytes.constData() + record, recordEnd(record) - record);
            entry = storedEntry(movedTo, isLatin1(entry));
        } else if (!isStoredEntry(entry) && dropEntries) {
            edited.append(std::move(m_edited[placeOf(entry)]));
            entry = entryOfEdited(edited.size() - 1);
        }
    }
    if (dropBytes)
        m_bytes = std::move(bytes);
    if (dropEntries) {
        m_edited = std::move(edited);
        m_emptied = 0;
    }
}

QByteArrayView WordTable::storedRecord(qsizetype index) const
{
    const qint64 entry = m_records.at(index);
    if (!isStoredEntry(entry))
        return {};
    const qint64 record = recordOf(entry);
    return QByteArrayView(m_bytes.constData() + record, recordEnd(record) - record);
}

const WordEntry& WordTable::editedEntry(qsizetype index) const
{
    return m_edited.at(placeOf(m_records.at(index)));
}

// The word's texts as an entry of their own, decoded from the bytes the first time it changes.
WordEntry& WordTable::edit(qsizetype index)
{
    if (isStored(index)) {
        m_edited.append(WordEntry{word(index), description(index)});
        forget(index); // its record's bytes
        m_records[index] = entryOfEdited(m_edited.size() - 1);
        dropLeftovers();
    }
    return m_edited[placeOf(m_records.at(index))];
}
