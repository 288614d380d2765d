// Opens any bytes as a dictionary. A file must open exactly when its counts hold all the records
// its upper index announces; whatever opens must save back the bytes it was read from (up to the
// end of the last record) and reopen to the same header and words; what fails to open must leave
// the document as it was. The bytes after the last record, which the reader ignores, are then a
// script of changes: words renamed, described anew, added and deleted, and the name changed.
// After them the document must show what a plain list given the same changes holds, and save
// and reopen to exactly that. One input in eight is also tried with records put in front of its
// own, so that they cross the pieces in which the reader reads and the writer writes.
#include "Windows1252.h"
#include "clsDictionary.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "Broken: %s\n", what);
    std::abort();
}

// Offsets found by walking the counts alone.
struct Walk
{
    qint64 upperIndexAt = -1; // -1 when the header runs past the end of the bytes
    qint32 upperIndex = 0;
    qint64 end = -1; // where the last record ends; -1 when a count runs past the end
};

Walk walk(const QByteArray& bytes)
{
    Walk found;
    qint64 at = 0;
    const auto skipText = [&] {
        if (bytes.size() - at < 2)
            return false;
        at += 2 + qFromLittleEndian<quint16>(bytes.constData() + at);
        return at <= bytes.size();
    };
    if (!skipText() || !skipText() || !skipText())
        return found;
    at += 8; // created
    if (bytes.size() - at < 4)
        return found;
    found.upperIndexAt = at;
    found.upperIndex = qFromLittleEndian<qint32>(bytes.constData() + at);
    at += 4;
    for (qint64 i = 0; i <= qint64(found.upperIndex); ++i) {
        if (!skipText() || !skipText())
            return found;
    }
    if (found.upperIndex >= -1)
        found.end = at;
    return found;
}

// The reader reads and the writer writes in 1 MiB pieces. Fuzzed inputs are far smaller, so a
// padded copy puts records of longest words in front of the input's own records, enough for the
// 1 MiB boundary to fall halfway into them.
constexpr qint64 kPiece = 1 << 20;
constexpr qint64 kFillerSize = 2 + 65535 + 2; // a longest word, no description

QByteArray padded(const QByteArray& bytes, const Walk& found, qint32& fillers)
{
    const qint64 recordsAt = found.upperIndexAt + 4;
    const qint64 room = kPiece - (bytes.size() - recordsAt) / 2 - recordsAt;
    const qint64 rest = room % kFillerSize;
    fillers = qint32(room / kFillerSize) + (rest >= 4 ? 1 : 0);
    QByteArray out = bytes.left(found.upperIndexAt);
    out.reserve(kPiece + bytes.size());
    char upperIndex[4];
    qToLittleEndian<qint32>(found.upperIndex + fillers, upperIndex);
    out.append(upperIndex, 4);
    for (qint32 i = 0; i < fillers; ++i) {
        const qint64 size = i < room / kFillerSize ? kFillerSize : rest;
        char count[2];
        qToLittleEndian<quint16>(quint16(size - 4), count);
        out.append(count, 2).append(QByteArray(size - 4, 'f')).append(2, '\0');
    }
    return out + bytes.mid(recordsAt);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush(),
          "the input can be written to a file");
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "the saved file can be read");
    return file.readAll();
}

// The words of b from index offset on are the words of a.
void checkSameContent(const clsDictionary& a, const clsDictionary& b, qint32 offset = 0)
{
    check(a.DictionaryName() == b.DictionaryName(), "same name");
    check(a.DictionaryAuthor() == b.DictionaryAuthor(), "same author");
    check(a.DictionaryPassword() == b.DictionaryPassword(), "same password");
    check(a.DictionaryCreated() == b.DictionaryCreated(), "same created date");
    check(a.WordCount() + offset == b.WordCount(), "same number of words");
    for (qint32 i = 0; i <= a.WordCount(); ++i) {
        check(a.WordName(i) == b.WordName(offset + i), "same word");
        check(a.WordDescription(i) == b.WordDescription(offset + i), "same description");
    }
}

// Opens bytes from a file; when they open, saves them back and checks the saved bytes.
bool openAndSave(const QByteArray& bytes, qint64 end, clsDictionary& opened)
{
    static QTemporaryDir dir;
    const QString input = dir.filePath("input.dyb");
    const QString saved = dir.filePath("saved.dyb");
    writeFile(input, bytes);
    const bool opens = opened.OpenDictionary(input) == 0;
    check(opens == (end >= 0), "a file opens exactly when it holds every announced record");
    if (!opens) {
        // The document was new: empty texts, no words, no file, unchanged.
        check(opened.WordCount() == -1 && opened.DictionaryName().isEmpty() &&
                  opened.DictionaryAuthor().isEmpty() && opened.DictionaryPassword().isEmpty() &&
                  opened.FileName().isEmpty() && !opened.DictionaryChanged(),
              "a failed open leaves the document as it was");
        return false;
    }
    // The created bits are among these bytes, so a NaN date is compared bit for bit too.
    check(opened.SaveDictionary(saved) == 0, "an opened dictionary saves");
    check(readFile(saved) == bytes.left(end), "saving writes back the bytes that were read");
    clsDictionary reopened;
    check(reopened.OpenDictionary(saved) == 0, "a saved dictionary reopens");
    checkSameContent(opened, reopened);
    return true;
}

// The script of changes in the bytes after the last record, read a byte at a time.
class Script
{
public:
    explicit Script(const QByteArray& bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    quint8 next() { return atEnd() ? 0 : quint8(m_bytes.at(m_at++)); }
    // A text of up to 15 characters the code page holds, as the file's bytes would give them.
    QString text()
    {
        QByteArray encoded;
        for (int length = next() % 16; length > 0; --length)
            encoded += char(next());
        return Windows1252::decode(encoded.constData(), encoded.size());
    }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

using Words = QList<std::pair<QString, QString>>;

void checkShows(const clsDictionary& d, const QString& name, const Words& words, const char* what)
{
    check(d.DictionaryName() == name && d.WordCount() == words.size() - 1, what);
    for (qint32 i = 0; i <= d.WordCount(); ++i)
        check(d.WordName(i) == words.at(i).first && d.WordDescription(i) == words.at(i).second,
              what);
}

void editSaveAndReopen(clsDictionary& opened, const QByteArray& script)
{
    QString name = opened.DictionaryName();
    Words words;
    for (qint32 i = 0; i <= opened.WordCount(); ++i)
        words.append({opened.WordName(i), opened.WordDescription(i)});
    Script changes(script);
    for (int change = 0; change < 64 && !changes.atEnd(); ++change) {
        const quint8 kind = changes.next() % 5;
        const qint32 at = words.isEmpty() ? 0 : changes.next() % words.size();
        if (kind == 0) {
            name = changes.text();
            opened.setDictionaryName(name);
        } else if (kind == 1 || words.isEmpty()) {
            const QString word = changes.text(), description = changes.text();
            opened.AddWord(word, description);
            words.append({word, description});
        } else if (kind == 2) {
            words[at].first = changes.text();
            opened.setWordName(at, words.at(at).first);
        } else if (kind == 3) {
            words[at].second = changes.text();
            opened.setWordDescription(at, words.at(at).second);
        } else {
            opened.DeleteWord(at);
            words.removeAt(at);
        }
    }
    checkShows(opened, name, words, "the document shows its changes");
    static QTemporaryDir dir;
    const QString saved = dir.filePath("edited.dyb");
    check(opened.SaveDictionary(saved) == 0, "an edited dictionary saves");
    clsDictionary reopened;
    check(reopened.OpenDictionary(saved) == 0, "an edited dictionary reopens");
    checkShows(reopened, name, words, "an edited dictionary reopens as it was shown");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Walk found = walk(bytes);
    clsDictionary opened;
    const bool opens = openAndSave(bytes, found.end, opened);

    // A padded copy is a megabyte of work, so one input in eight gets one; chosen by the input's
    // hash, so that a crash found through it reproduces.
    if (found.upperIndexAt >= 0 && found.upperIndex >= -1 && found.upperIndex <= INT32_MAX - 32 &&
        qHash(bytes) % 8 == 0) {
        qint32 fillers = 0;
        const QByteArray large = padded(bytes, found, fillers);
        clsDictionary openedLarge;
        const qint64 largeEnd = opens ? found.end + (large.size() - bytes.size()) : -1;
        if (openAndSave(large, largeEnd, openedLarge))
            checkSameContent(opened, openedLarge, fillers);
    }
    if (opens)
        editSaveAndReopen(opened, bytes.mid(found.end));
    return 0;
}
