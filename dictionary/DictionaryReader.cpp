#include "DictionaryReader.h"

#include <QtEndian>
#include <cstring>
#include <limits>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

#include "PlatformFile.h"
#include "Windows1252.h"

namespace {

// The file is read in pieces, and only as far as its last word record: bytes after it are never
// read, however many there are.
constexpr qsizetype kPieceSize = 1 << 20;
// The smallest word record: two empty counted texts.
constexpr qint64 kSmallestRecord = 4;

// The file's bytes and the index of its records are large blocks that are filled once and then
// read all over: asking for large pages where the system has them spares the processor one page
// fault and one translation per 4 KiB, which is most of the time of an open on some machines.
void adviseLargePages(const void* data, qint64 size)
{
#ifdef Q_OS_LINUX
    constexpr quintptr kPage = 4096;
    const quintptr start = (quintptr(data) + kPage - 1) & ~(kPage - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(kPage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE); // only advice
#else
    Q_UNUSED(data)
    Q_UNUSED(size)
#endif
}

} // namespace

DictionaryReader::DictionaryReader(const QString& sFile) : m_file(sFile) {}

bool DictionaryReader::read(DictionaryContent& content)
{
    if (m_file.fileName().isEmpty() || !m_file.exists())
        return false;
    if (!PlatformFile::openRegularForReading(m_file))
        return false;
    // Taken before the read, so that a write by another program during it still shows.
    m_stamp = PlatformFile::stampOf(m_file.handle());
    if (!m_stamp.exists)
        m_stamp = PlatformFile::stampOf(m_file.fileName());
    bool ok = false;
    try {
        ok = readAll(content);
    } catch (const std::bad_alloc&) {
        ok = false; // a file too large for the memory available
    }
    m_file.close();
    return ok;
}

bool DictionaryReader::readAll(DictionaryContent& content)
{
    m_fileSize = m_file.size();
    // Reserving touches no memory; only the bytes read take any.
    m_buffer.reserve(m_fileSize);
    adviseLargePages(m_buffer.constData(), m_buffer.capacity());
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

bool DictionaryReader::readWords(WordTable& words)
{
    qint32 upperIndex = 0;
    if (!readBytes(&upperIndex, sizeof upperIndex))
        return false;
    upperIndex = qFromLittleEndian(upperIndex);
    // A word index is a signed 32-bit number, so 2^31 words would have no index for their count.
    const qint64 count = qint64(upperIndex) + 1;
    if (count < 0 || upperIndex == std::numeric_limits<qint32>::max() ||
        count * kSmallestRecord > bytesLeft())
        return false;

    QVector<qint64> records;
    records.reserve(count);
    adviseLargePages(records.constData(), count * qint64(sizeof(qint64)));
    qint64 at = m_position;
    while (records.size() < count) {
        const qint64 end = recordEnd(at);
        if (end >= 0) {
            records.append(at);
            at = end;
        } else if (!readMore()) {
            return false;
        }
    }
    words.adopt(std::move(m_buffer), std::move(records));
    return true;
}

// Where the record at offset at ends, or -1 when it does not lie whole in the buffer.
qint64 DictionaryReader::recordEnd(qint64 at) const
{
    const qint64 size = m_buffer.size();
    const char* bytes = m_buffer.constData();
    if (at + 2 > size)
        return -1;
    const qint64 description = at + 2 + qFromLittleEndian<quint16>(bytes + at);
    if (description + 2 > size)
        return -1;
    const qint64 end = description + 2 + qFromLittleEndian<quint16>(bytes + description);
    return end <= size ? end : -1;
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
        if (!readMore())
            return false;
    }
    return true;
}

// Appends the file's next piece to the buffer; false at the end of the file or on an error.
bool DictionaryReader::readMore()
{
    const qsizetype kept = m_buffer.size();
    // Within the size the file had at the start the buffer never moves; a file that grew since
    // is read on.
    const qint64 rest = m_fileSize - m_file.pos();
    const qsizetype piece = rest > 0 ? qMin<qint64>(rest, kPieceSize) : kPieceSize;
    m_buffer.resize(kept + piece);
    const qint64 got = m_file.read(m_buffer.data() + kept, piece);
    m_buffer.resize(kept + qMax<qint64>(got, 0));
    return got > 0;
}

qint64 DictionaryReader::bytesLeft() const
{
    return (m_buffer.size() - m_position) + (m_fileSize - m_file.pos());
}
