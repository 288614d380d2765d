#include "WordIndex.h"

#include "Windows1252.h"

#include <QHash>

#include <algorithm>

namespace {

constexpr int kKeyLetters = 8;

// The code page's characters case folded: for each byte its character folded, and for each
// folded character the first byte whose character folds to it, which stands for it in keys.
struct Folding
{
    std::array<char16_t, 256> folded{};
    std::array<uchar, 256> keyByte{};
    QHash<char16_t, uchar> keyByteOf;
};

const Folding& folding()
{
    static const Folding tables = [] {
        Folding f;
        for (int byte = 255; byte >= 0; --byte) {
            const char text = char(byte);
            f.folded[byte] = Windows1252::decode(&text, 1).at(0).toCaseFolded().unicode();
            f.keyByteOf[f.folded[byte]] = uchar(byte);
        }
        for (int byte = 0; byte < 256; ++byte)
            f.keyByte[byte] = f.keyByteOf.value(f.folded[byte]);
        return f;
    }();
    return tables;
}

// The byte that stands for the letter in keys; false when no byte folds as it does.
bool keyByteOf(QChar letter, uchar& byte)
{
    if (letter.isSurrogate())
        return false;
    const QHash<char16_t, uchar>& bytes = folding().keyByteOf;
    const auto found = bytes.constFind(letter.toCaseFolded().unicode());
    if (found == bytes.constEnd())
        return false;
    byte = *found;
    return true;
}

} // namespace

const std::array<char16_t, 256>& WordIndex::foldedBytes()
{
    return folding().folded;
}

WordIndex::Key WordIndex::keyOf(const uchar* text, qsizetype size)
{
    const std::array<uchar, 256>& keyByte = folding().keyByte;
    Key key;
    for (qsizetype i = 0; i < kKeyLetters; ++i)
        key.value = key.value << 8 | (i < size ? keyByte[text[i]] : 0);
    return key;
}

WordIndex::Key WordIndex::keyOf(const QString& text)
{
    Key key;
    for (qsizetype i = 0; i < kKeyLetters; ++i) {
        uchar byte = 0;
        if (i < text.size() && !keyByteOf(text.at(i), byte))
            key.exact = false;
        key.value = key.value << 8 | byte;
    }
    return key;
}

WordIndex::Range WordIndex::rangeOf(const QString& prefix)
{
    Range range;
    for (qsizetype i = 0; i < kKeyLetters; ++i) {
        uchar byte = 0;
        const bool letter = i < prefix.size();
        if (letter && !keyByteOf(prefix.at(i), byte))
            range.exact = false;
        range.low = range.low << 8 | (letter ? byte : 0x00);
        range.high = range.high << 8 | (letter ? byte : 0xFF);
    }
    return range;
}

void WordIndex::clear()
{
    m_runs = QVector<Run>();
    m_size = 0;
}

void WordIndex::add(const Key& key)
{
    if (m_runs.isEmpty() || m_size - m_runs.constLast().first >= kRunLength)
        m_runs.append(Run{m_size});
    widen(m_runs.last(), key);
    ++m_size;
}

void WordIndex::changed(qsizetype index, const Key& key)
{
    if (index < m_size)
        widen(m_runs[runOf(index)], key);
}

// The words after a deleted one move up: the runs after its own start a word earlier, and a run
// left empty goes. The range of its run stays as it was, wider than it need be.
void WordIndex::removed(qsizetype index)
{
    if (index >= m_size)
        return;
    const qsizetype run = runOf(index);
    for (qsizetype later = run + 1; later < m_runs.size(); ++later)
        --m_runs[later].first;
    --m_size;
    if (runEnd(run) == m_runs.at(run).first)
        m_runs.remove(run);
}

qsizetype WordIndex::runOf(qsizetype index) const
{
    const auto after = std::upper_bound(m_runs.cbegin(), m_runs.cend(), index,
                                        [](qsizetype i, const Run& run) { return i < run.first; });
    return after - m_runs.cbegin() - 1;
}

qsizetype WordIndex::runEnd(qsizetype run) const
{
    return run + 1 < m_runs.size() ? m_runs.at(run + 1).first : m_size;
}

bool WordIndex::mayHold(qsizetype run, const Range& range) const
{
    const Run& words = m_runs.at(run);
    return words.others || (range.exact && words.low <= range.high && range.low <= words.high);
}

void WordIndex::widen(Run& run, const Key& key)
{
    if (!key.exact) {
        run.others = true;
        return;
    }
    run.low = std::min(run.low, key.value);
    run.high = std::max(run.high, key.value);
}
