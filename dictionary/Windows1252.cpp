#include "Windows1252.h"

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

// Written as a plain reduction so that the compiler can check many bytes at a time.
bool hasHighControlBytes(const char* bytes, qsizetype size)
{
    unsigned found = 0;
    for (qsizetype i = 0; i < size; ++i)
        found |= unsigned(uchar(bytes[i]) - 0x80u < 0x20u);
    return found != 0;
}

} // namespace

QString Windows1252::decode(const char* bytes, qsizetype size)
{
    // Apart from 0x80 to 0x9F the code page is Latin-1, which Qt converts quickly.
    QString text = QString::fromLatin1(bytes, size);
    if (!hasHighControlBytes(bytes, size))
        return text;
    char16_t* chars = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
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
