#include "DictionaryReader.h"

#include <QtEndian>
#include <cstring>
#include <limits>
#include <new>

#include "FailureText.h"
#include "ReplacingFile.h"
#include "Windows1252.h"

namespace {

// The file is read in pieces of at most this size, each no longer than what the rest of the
// dictionary surely takes, so bytes after the last word record are never read, however many there
// are.
constexpr qsizetype kPieceSize = 1 << 20;
// The buffer's first size, or the file's when it is smaller. It is beyond the largest block that
// the C library keeps among its small ones, so the buffer is a mapping of its own from the start
// and grows without copies.
constexpr qint64 kFirstBuffer = 64 << 20;
// The smallest word record: two empty counted texts.
constexpr qint64 kSmallestRecord = 4;

} // namespace

DictionaryReader::DictionaryReader(const QString& sFile) : m_sFile(sFile) {}

bool DictionaryReader::read(DictionaryContent& content)
{
    if (m_sFile.isEmpty()) {
        m_failure = QStringLiteral("No file was named.");
        return false;
    }
    ReplacingFile::removeLeftovers(m_sFile);
    if (!m_file.openForReading(m_sFile)) {
        const PlatformFile::Kind kind = m_file.kind();
        m_failure = kind != PlatformFile::Kind::Absent && kind != PlatformFile::Kind::Regular
                        ? FailureText::notAFile(m_sFile, kind)
                        : PlatformFile::describe(m_file.error(), m_sFile,
                                                 PlatformFile::Access::Reading);
        return false;
    }
    // Taken before the read, so that a write by another program during it still shows.
    m_stamp = m_file.stamp();
    if (!m_stamp.exists)
        m_stamp = PlatformFile::stampOf(m_sFile);
    bool ok = false;
    try {
        ok = readAll(content);
    } catch (const std::bad_alloc&) {
        m_failure = QStringLiteral("%1 is too large for the memory available.")
                        .arg(FailureText::nameOf(m_sFile));
    }
    m_file.close();
    return ok;
}

bool DictionaryReader::readAll(DictionaryContent& content)
{
    m_fileSize = m_stamp.size;
    return readHeader(content.Header) && readWords(content.Words);
}

bool DictionaryReader::notADictionary(const QString& found)
{
    m_failure = FailureText::notADictionary(m_sFile, found);
    return false;
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

bool DictionaryReader::readWords(WordTable& words)
{
    qint32 upperIndex = 0;
    if (!readBytes(&upperIndex, sizeof upperIndex))
        return false;
    upperIndex = qFromLittleEndian(upperIndex);
    m_inWords = true;
    // A word index is a signed 32-bit number, so 2^31 words would have no index for their count.
    const qint64 count = qint64(upperIndex) + 1;
    if (count < 0)
        return notADictionary(QStringLiteral("its count of words, %1, cannot be right")
                                  .arg(FailureText::number(count)));
    if (upperIndex == std::numeric_limits<qint32>::max() || count * kSmallestRecord > bytesLeft())
        return notADictionary(QStringLiteral("it announces %1 words, more than its %2 bytes can "
                                             "hold")
                                  .arg(FailureText::number(count), FailureText::number(m_fileSize)));

    // With room for a sixteenth more, so that the first words added after the open do not copy
    // an index of millions to a larger block, which the C library does where it placed it among
    // its small blocks, as it does once it has given back one of its size.
    QVector<qint64> records;
    records.reserve(count + count / 16);
    qint64 at = m_position;
    // The bytes are searched for one that is not Latin-1 as the records come to them, while they
    // are still at hand from the read. The first from the last search on lies at notLatin1, or
    // none before it when it is where that search ended: the one record that reaches past that
    // counts as holding one, which only costs it the slower decoding.
    qint64 notLatin1 = -1;
    while (records.size() < count) {
        const qint64 end = recordEnd(at);
        if (end <= m_buffer.size()) {
            if (notLatin1 < at)
                notLatin1 = at + Windows1252::findNotLatin1(m_buffer.constData() + at,
                                                            m_buffer.size() - at);
            records.append(WordTable::storedEntry(at, notLatin1 >= end));
            at = end;
            continue;
        }
        // The rest of this record, as far as its counts show, and the smallest possible others.
        const qint64 surelyLeft =
            end - m_buffer.size() + (count - records.size() - 1) * kSmallestRecord;
        if (!readMore(surelyLeft))
            return false;
    }
    m_buffer.squeeze(); // the room it had for more
    words.adopt(std::move(m_buffer), std::move(records));
    return true;
}

// Where the record at offset at ends, as far as the buffer shows: a count not read yet counts as
// that of an empty text. The record lies whole in the buffer when this is within it.
qint64 DictionaryReader::recordEnd(qint64 at) const
{
    const qint64 size = m_buffer.size();
    const char* bytes = m_buffer.constData();
    if (at + 2 > size)
        return at + kSmallestRecord;
    const qint64 description = at + 2 + qFromLittleEndian<quint16>(bytes + at);
    if (description + 2 > size)
        return description + 2;
    return description + 2 + qFromLittleEndian<quint16>(bytes + description);
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

// Makes at least size unread bytes available in the buffer.
bool DictionaryReader::ensureAvailable(qsizetype size)
{
    while (m_buffer.size() - m_position < size) {
        if (!readMore(size - (m_buffer.size() - m_position)))
            return false;
    }
    return true;
}

// Appends up to size of the file's next bytes to the buffer, at most a piece; false at the end
// of the file or on an error. The bytes the file needs are at least those read and size.
bool DictionaryReader::readMore(qint64 size)
{
    const qsizetype kept = m_buffer.size();
    const qsizetype piece = qMin<qint64>(size, kPieceSize);
    makeRoom(piece);
    m_buffer.resize(kept + piece);
    const qint64 got = m_file.read(m_buffer.data() + kept, piece);
    m_buffer.resize(kept + qMax<qint64>(got, 0));
    if (got < 0) {
        m_failure =
            PlatformFile::describe(m_file.error(), m_sFile, PlatformFile::Access::Reading);
        return false;
    }
    if (got > 0)
        return true;
    return notADictionary(QStringLiteral("it ends after %1 bytes, but its %2 at least %3")
                              .arg(FailureText::number(kept),
                                   m_inWords ? QStringLiteral("words need")
                                             : QStringLiteral("header needs"),
                                   FailureText::number(qint64(kept) + size)));
}

// The buffer grows as it is filled, doubling, up to the file's size: beyond its first size it
// never holds room for more than twice the bytes read, so a file that ends in a long run of bytes
// after its records costs no more than one without them. Room that is not filled takes no
// memory, and the room past the last record is given back once it is known.
void DictionaryReader::makeRoom(qsizetype size)
{
    const qint64 needed = qint64(m_buffer.size()) + size;
    if (needed <= m_buffer.capacity())
        return;
    const qint64 doubled = qMin(qMax<qint64>(2 * m_buffer.capacity(), kFirstBuffer), m_fileSize);
    m_buffer.reserve(qMax(needed, doubled));
}

qint64 DictionaryReader::bytesLeft() const
{
    // The buffer holds the file's bytes from its start.
    return m_fileSize - m_position;
}
