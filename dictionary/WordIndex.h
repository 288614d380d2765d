#pragma once

#include <QString>
#include <QVector>

#include <array>

// Where in a long list words that begin with a given text may be, so that a search for them
// passes over most of the list without reading it. The words are taken in runs of up to
// kRunLength, and each run keeps the range of its words' first eight letters, case folded: a run
// whose range does not reach the text's holds none of them. Words are added from the first on,
// so the index may cover only the first words of a list; a word changed or deleted among them is
// told to it, and widens or shortens its run.
class WordIndex
{
public:
    static constexpr qsizetype kRunLength = 64;

    // The first eight letters of a word, each as the byte of its case-folded character, in order:
    // words that begin alike have keys close together. Not exact when a letter is one that no
    // byte of the code page folds to.
    struct Key
    {
        quint64 value = 0;
        bool exact = true;
    };
    static Key keyOf(const uchar* text, qsizetype size);
    static Key keyOf(const QString& text);
    // The keys of the words that begin with prefix lie from low to high; when the prefix is not
    // exact, only words whose keys are not exact can begin with it.
    struct Range
    {
        quint64 low = 0;
        quint64 high = 0;
        bool exact = true;
    };
    static Range rangeOf(const QString& prefix);
    // Each byte's character, case folded as QString's comparisons that ignore case fold it.
    static const std::array<char16_t, 256>& foldedBytes();

    void clear();
    qsizetype size() const { return m_size; } // the words covered, from the first on
    void add(const Key& key);                 // the word after them
    void changed(qsizetype index, const Key& key);
    void removed(qsizetype index);

    qsizetype runCount() const { return m_runs.size(); }
    qsizetype runOf(qsizetype index) const;
    qsizetype runEnd(qsizetype run) const;
    bool mayHold(qsizetype run, const Range& range) const;

private:
    struct Run
    {
        qsizetype first = 0;
        quint64 low = ~quint64(0);
        quint64 high = 0;
        bool others = false; // holds a word whose key is not exact
    };
    static void widen(Run& run, const Key& key);

    QVector<Run> m_runs;
    qsizetype m_size = 0;
};
