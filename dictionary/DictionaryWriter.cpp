#include "DictionaryWriter.h"

#include <QtEndian>
#include <cstring>
#include <limits>
#include <utility>

#include "FailureText.h"
#include "Windows1252.h"

namespace {

constexpr qsizetype kFlushSize = 1 << 20;
constexpr qsizetype kLongestText = std::numeric_limits<quint16>::max();

// Whether test holds for every text the writer encodes: the header's, and those of the words
// changed or added since the file was read. Words as they were read are written back as bytes,
// with the counts they came with, so they need no look, however many there are.
template <typename Test> bool everyEncodedText(const DictionaryContent& content, Test test)
{
    const DictionaryHeader& header = content.Header;
    if (!test(header.Name) || !test(header.Author) || !test(header.Password))
        return false;
    const WordTable& words = content.Words;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (!words.isStored(i) &&
            (!test(words.editedEntry(i).Word) || !test(words.editedEntry(i).Description)))
            return false;
    }
    return true;
}

} // namespace

DictionaryWriter::DictionaryWriter(const QString& sFile) : m_sFile(sFile), m_file(sFile) {}

bool DictionaryWriter::textFits(const QString& text)
{
    // Encoding never makes a text longer, so only long texts need counting.
    return text.size() <= kLongestText || Windows1252::encodedSize(text) <= kLongestText;
}

bool DictionaryWriter::fits(const DictionaryContent& content)
{
    return everyEncodedText(content, &DictionaryWriter::textFits);
}

bool DictionaryWriter::encodesExactly(const DictionaryContent& content)
{
    return everyEncodedText(content, Windows1252::canEncode);
}

bool DictionaryWriter::write(const DictionaryContent& content)
{
    if (m_sFile.isEmpty()) {
        m_failure = QStringLiteral("The dictionary has no file name.");
        return false;
    }
    if (!fits(content)) {
        m_failure = tooLong(content);
        return false;
    }
    if (!m_file.open() || !writeAll(content) || !m_file.commit()) {
        m_failure = m_file.failure();
        return false;
    }
    return true;
}

// Names the first text that does not fit its 16-bit count.
QString DictionaryWriter::tooLong(const DictionaryContent& content) const
{
    const auto quoted = [](const QString& text) {
        return QLatin1Char('"') + (text.size() > 40 ? text.left(40) + QChar(0x2026) : text) +
               QLatin1Char('"');
    };
    QString what;
    qsizetype bytes = 0;
    const auto check = [&](const QString& text, const QString& name) {
        if (!what.isEmpty() || textFits(text))
            return;
        what = name;
        bytes = Windows1252::encodedSize(text);
    };
    const DictionaryHeader& header = content.Header;
    check(header.Name, QStringLiteral("its name"));
    check(header.Author, QStringLiteral("its author"));
    check(header.Password, QStringLiteral("its password"));
    const WordTable& words = content.Words;
    for (qsizetype i = 0; i < words.size() && what.isEmpty(); ++i) {
        if (words.isStored(i))
            continue;
        const WordEntry& entry = words.editedEntry(i);
        check(entry.Word, QStringLiteral("the word ") + quoted(entry.Word));
        check(entry.Description, QStringLiteral("the description of ") + quoted(entry.Word));
    }
    return QStringLiteral("%1 cannot hold %2: it takes %3 bytes, and a text in a dictionary file "
                          "takes at most %4.")
        .arg(FailureText::nameOf(m_sFile), what, FailureText::number(bytes),
             FailureText::number(kLongestText));
}

bool DictionaryWriter::writeAll(const DictionaryContent& content)
{
    m_buffer.reserve(2 * kFlushSize + 2 * (kLongestText + 2));
    const DictionaryHeader& header = content.Header;
    appendText(header.Name);
    appendText(header.Author);
    appendText(header.Password);
    quint64 createdBits = 0;
    std::memcpy(&createdBits, &header.Created, sizeof createdBits);
    createdBits = qToLittleEndian(createdBits);
    appendBytes(&createdBits, sizeof createdBits);
    const WordTable& words = content.Words;
    const qint32 upperIndex = qToLittleEndian(qint32(words.size() - 1));
    appendBytes(&upperIndex, sizeof upperIndex);

    for (qsizetype i = 0; i < words.size(); ++i) {
        const bool written =
            words.isStored(i) ? writeStored(words.storedRecord(i)) : writeEdited(words.editedEntry(i));
        if (!written)
            return false;
    }
    if (!settleRun())
        return false;
    m_buffer.append(m_trailer);
    return writeBuffer();
}

// Records that follow each other in the bytes they were read from wait as one run.
bool DictionaryWriter::writeStored(QByteArrayView record)
{
    if (!m_run.isEmpty() && m_run.constData() + m_run.size() == record.constData()) {
        m_run = QByteArrayView(m_run.constData(), m_run.size() + record.size());
        return true;
    }
    if (!settleRun())
        return false;
    m_run = record;
    return true;
}

bool DictionaryWriter::writeEdited(const WordEntry& entry)
{
    if (!settleRun())
        return false;
    appendText(entry.Word);
    appendText(entry.Description);
    return m_buffer.size() < kFlushSize || writeBuffer();
}

// A long run goes out in one write of its own, straight from the bytes it was read from; a short
// one joins the encoded bytes, so that changes spread all over a file make few writes.
bool DictionaryWriter::settleRun()
{
    const QByteArrayView run = std::exchange(m_run, QByteArrayView());
    if (run.size() >= kFlushSize)
        return writeBuffer() && writeBytes(run);
    m_buffer.append(run.constData(), run.size());
    return m_buffer.size() < kFlushSize || writeBuffer();
}

void DictionaryWriter::appendText(const QString& text)
{
    const qsizetype countAt = m_buffer.size();
    m_buffer.resize(countAt + 2 + text.size());
    const qsizetype written = Windows1252::encode(text, m_buffer.data() + countAt + 2);
    const quint16 count = qToLittleEndian(quint16(written));
    std::memcpy(m_buffer.data() + countAt, &count, sizeof count);
    m_buffer.resize(countAt + 2 + written);
}

void DictionaryWriter::appendBytes(const void* bytes, qsizetype size)
{
    m_buffer.append(static_cast<const char*>(bytes), size);
}

bool DictionaryWriter::writeBuffer()
{
    const bool written = writeBytes(m_buffer);
    m_buffer.resize(0);
    return written;
}

bool DictionaryWriter::writeBytes(QByteArrayView bytes)
{
    return m_file.write(bytes.constData(), bytes.size());
}
