#pragma once

#include <QString>

// Text in .dyb files is 8-bit Windows-1252. Every byte decodes to exactly one character (the five
// bytes the code page leaves undefined become the C1 controls of the same value), so any file
// that opens writes back byte for byte. A character the code page lacks is written as one '?'.
class Windows1252
{
public:
    static QString decode(const char* bytes, qsizetype size);

    // Where the first byte of 0x80 to 0x9F is, the only bytes whose characters differ from
    // Latin-1's, or size when there is none: bytes before it decode as QString::fromLatin1
    // decodes them.
    static qsizetype findNotLatin1(const char* bytes, qsizetype size);

    // Writes the encoding of text to out, which must have room for text.size() bytes;
    // returns the number of bytes written.
    static qsizetype encode(const QString& text, char* out);

    // Whether every character of text has a byte of its own, so that encode writes no '?' in
    // its place.
    static bool canEncode(const QString& text);

    // Bytes that encode(text) writes: a surrogate pair becomes a single '?'.
    static qsizetype encodedSize(const QString& text);
};
