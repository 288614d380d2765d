#include "WordTable.h"

#include <QtEndian>

#include "Windows1252.h"

namespace {

quint16 countAt(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

qint64 descriptionAt(const QByteArray& bytes, qint64 record)
{
    return record + 2 + countAt(bytes, record);
}

qint64 recordAt(qint64 entry)
{
    return entry >> 1;
}

bool isLatin1Entry(qint64 entry)
{
    return (entry & 1) == 0;
}

} // namespace

qint64 WordTable::storedEntry(const QByteArray& bytes, qint64 at)
{
    const qint64 description = descriptionAt(bytes, at);
    const bool latin1 =
        Windows1252::isLatin1(bytes.constData() + at + 2, countAt(bytes, at)) &&
        Windows1252::isLatin1(bytes.constData() + description + 2, countAt(bytes, description));
    return 2 * at + (latin1 ? 0 : 1);
}

void WordTable::adopt(QByteArray bytes, QVector<qint64> entries)
{
    m_bytes = std::move(bytes);
    m_records = std::move(entries);
    m_edited.clear();
}

void WordTable::clear()
{
    m_bytes = QByteArray();
    m_records = QVector<qint64>();
    m_edited = QVector<WordEntry>();
}

// Most texts hold no byte of 0x80 to 0x9F, and those that opened so are decoded without looking.
QString WordTable::textAt(qint64 at, bool latin1) const
{
    const char* text = m_bytes.constData() + at + 2;
    return latin1 ? QString::fromLatin1(text, countAt(m_bytes, at))
                  : Windows1252::decode(text, countAt(m_bytes, at));
}

QString WordTable::word(qsizetype index) const
{
    const qint64 entry = m_records.at(index);
    return entry >= 0 ? textAt(recordAt(entry), isLatin1Entry(entry))
                      : m_edited.at(-1 - entry).Word;
}

QString WordTable::description(qsizetype index) const
{
    const qint64 entry = m_records.at(index);
    return entry >= 0 ? textAt(descriptionAt(m_bytes, recordAt(entry)), isLatin1Entry(entry))
                      : m_edited.at(-1 - entry).Description;
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
    const qint64 record = recordAt(entry);
    const qint64 description = descriptionAt(m_bytes, record);
    const qint64 end = description + 2 + countAt(m_bytes, description);
    return QByteArrayView(m_bytes.constData() + record, end - record);
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
