#include "DictionaryReader.h"

#include <QtEndian>
#include <cstring>
#include <new>

#include "Windows1252.h"

namespace {

// Reading in chunks keeps the file's bytes out of memory while the words are built.
constexpr qsizetype kChunkSize = 1 << 20;
// The smallest word record: two empty counted texts.
constexpr qint64 kSmallestRecord = 4;

} // namespace

DictionaryReader::DictionaryReader(const QString& sFile) : m_file(sFile) {}

bool DictionaryReader::read(DictionaryContent& content)
{
    if (m_file.fileName().isEmpty() || !m_file.exists())
        return false;
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    bool ok = false;
    try {
        ok = readAll(content);
    } catch (const std::bad_alloc&) {
        ok = false; // an upper index too large for the memory available
    }
    m_file.close();
    return ok;
}

bool DictionaryReader::readAll(DictionaryContent& content)
{
    return readHeader(content.Header) && readWords(content.Words);
}

bool DictionaryReader::readHeader(DictionaryHeader& header)
{
    quint64 createdBits = 0;
    if (!readText(header.Name) || !readText(header.Author) || !readText(header.Password) ||
        !readBytes(&createdBits, sizeof createdBits))
        return false;
    createdBits = qFromLittleEndian(createdBits);
    std::memcpy(&header.Created, &createdBits, sizeof header.Created);
    return true;
}

bool DictionaryReader::readWords(QVector<WordEntry>& words)
{
    qint32 upperIndex = 0;
    if (!readBytes(&upperIndex, sizeof upperIndex))
        return false;
    upperIndex = qFromLittleEndian(upperIndex);
    const qint64 count = qint64(upperIndex) + 1;
    if (count < 0 || count * kSmallestRecord > bytesLeft())
        return false;

    // Reserving touches no memory; only records that are really there take any.
    words.clear();
    words.reserve(count);
    while (words.size() < count) {
        if (!ensureRecord())
            return false;
        readBatch(words, count);
    }
    return true;
}

// Reads the records that lie whole in the buffer: every word of the batch first, then every
// description, so that the words' texts sit close together in memory. Copying all words into
// the word list, as every change does, then goes at memory speed.
void DictionaryReader::readBatch(QVector<WordEntry>& words, qint64 count)
{
    const qsizetype first = words.size();
    m_descriptions.clear();
    qsizetype at = m_position;
    for (qsizetype end = recordEnd(at); end >= 0 && words.size() < count; end = recordEnd(at)) {
        words.append(WordEntry{textAt(at), QString()});
        m_descriptions.append(at + 2 + countAt(at));
        at = end;
    }
    for (qsizetype i = 0; i < m_descriptions.size(); ++i)
        words[first + i].Description = textAt(m_descriptions.at(i));
    m_position = at;
}

// Makes the record at the reading position lie whole in the buffer.
bool DictionaryReader::ensureRecord()
{
    if (!ensureAvailable(2))
        return false;
    qsizetype size = 2 + countAt(m_position) + 2;
    if (!ensureAvailable(size))
        return false;
    size += countAt(m_position + size - 2);
    return ensureAvailable(size);
}

// Where the record at offset at ends, or -1 when it does not lie whole in the buffer.
qsizetype DictionaryReader::recordEnd(qsizetype at) const
{
    const qsizetype size = m_buffer.size();
    if (at + 2 > size)
        return -1;
    const qsizetype description = at + 2 + countAt(at);
    if (description + 2 > size)
        return -1;
    const qsizetype end = description + 2 + countAt(description);
    return end <= size ? end : -1;
}

quint16 DictionaryReader::countAt(qsizetype at) const
{
    return qFromLittleEndian<quint16>(m_buffer.constData() + at);
}

QString DictionaryReader::textAt(qsizetype at) const
{
    return Windows1252::decode(m_buffer.constData() + at + 2, countAt(at));
}

bool DictionaryReader::readText(QString& text)
{
    quint16 size = 0;
    if (!readBytes(&size, sizeof size))
        return false;
    size = qFromLittleEndian(size);
    if (!ensureAvailable(size))
        return false;
    text = Windows1252::decode(m_buffer.constData() + m_position, size);
    m_position += size;
    return true;
}

bool DictionaryReader::readBytes(void* destination, qsizetype size)
{
    if (!ensureAvailable(size))
        return false;
    std::memcpy(destination, m_buffer.constData() + m_position, size_t(size));
    m_position += size;
    return true;
}

// Makes at least size unread bytes available in the buffer, reading the next chunk if needed.
bool DictionaryReader::ensureAvailable(qsizetype size)
{
    if (m_buffer.size() - m_position >= size)
        return true;
    m_buffer.remove(0, m_position);
    m_position = 0;
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(qMax(size, kChunkSize));
    const qint64 got = m_file.read(m_buffer.data() + kept, m_buffer.size() - kept);
    m_buffer.resize(kept + qMax<qint64>(got, 0));
    return got >= 0 && m_buffer.size() >= size;
}

qint64 DictionaryReader::bytesLeft() const
{
    return (m_buffer.size() - m_position) + (m_file.size() - m_file.pos());
}
