#include "Windows1252.h"

#include <cstring>

namespace {

// Characters of the bytes 0x80 to 0x9F; the rest of the code page matches Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char encodeOutsideLatin1(char16_t c)
{
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return char(0x80 + i);
    }
    return '?';
}

bool isInHighControlRange(char16_t c)
{
    return c >= 0x80 && c < 0xA0;
}

} // namespace

// A byte of 0x80 to 0x9F begins with the bits 100. Sixty-four bytes are looked at together, as
// eight words of eight: where no byte has its top bit set, as in English text, none is such a
// byte; otherwise a byte of x below is zero exactly where a byte begins so, and the classic test
// for a zero byte finds one. Only a block that holds one is looked at byte by byte.
qsizetype Windows1252::findNotLatin1(const char* bytes, qsizetype size)
{
    constexpr quint64 kOnes = 0x0101010101010101, kTops = 0x8080808080808080;
    qsizetype i = 0;
    for (; i + 64 <= size; i += 64) {
        quint64 eight[8];
        std::memcpy(eight, bytes + i, sizeof eight);
        quint64 tops = 0;
        for (const quint64 word : eight)
            tops |= word;
        if ((tops & kTops) == 0)
            continue;
        quint64 found = 0;
        for (const quint64 word : eight) {
            const quint64 x = (word & 0xE0E0E0E0E0E0E0E0) ^ kTops;
            found |= (x - kOnes) & ~x & kTops;
        }
        if (found)
            break;
    }
    for (; i < size; ++i) {
        if (isInHighControlRange(uchar(bytes[i])))
            return i;
    }
    return size;
}

QString Windows1252::decode(const char* bytes, qsizetype size)
{
    // Apart from 0x80 to 0x9F the code page is Latin-1, which Qt converts quickly.
    QString text = QString::fromLatin1(bytes, size);
    const qsizetype first = findNotLatin1(bytes, size);
    if (first == size)
        return text;
    char16_t* chars = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = first; i < size; ++i) {
        if (isInHighControlRange(chars[i]))
            chars[i] = kHighControls[chars[i] - 0x80];
    }
    return text;
}

qsizetype Windows1252::encode(const QString& text, char* out)
{
    const char16_t* chars = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    char* start = out;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *out++ = char(c);
        } else if (QChar::isHighSurrogate(c)) {
            *out++ = '?';
            if (i + 1 < size && QChar::isLowSurrogate(chars[i + 1]))
                ++i;
        } else {
            *out++ = encodeOutsideLatin1(c);
        }
    }
    return out - start;
}

bool Windows1252::canEncode(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((isInHighControlRange(u) || u > 0xFF) && encodeOutsideLatin1(u) == '?')
            return false;
    }
    return true;
}

qsizetype Windows1252::encodedSize(const QString& text)
{
    qsizetype pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    return text.size() - pairs;
}
