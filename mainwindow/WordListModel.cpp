#include "WordListModel.h"

#include "clsDictionary.h"

namespace {

// Words the document prepares for typing in one go, a few milliseconds' work, and the pause
// between two goes, in which the window paints and answers the user first.
constexpr qint32 kWordsAtATime = 1 << 18;
constexpr int kPauseMs = 10;

} // namespace

WordListModel::WordListModel(const clsDictionary* dictionary, QObject* parent)
    : QAbstractListModel(parent), m_dictionary(dictionary)
{
    m_indexer.setInterval(kPauseMs);
    connect(&m_indexer, &QTimer::timeout, this, &WordListModel::indexSomeWords);
}

int WordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_dictionary->WordCount() + 1;
}

QVariant WordListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_dictionary->WordName(index.row());
}

QModelIndexList WordListModel::match(const QModelIndex& start, int role, const QVariant& value,
                                     int hits, Qt::MatchFlags flags) const
{
    const QString text = value.toString();
    if (role != Qt::DisplayRole || hits != 1 || flags != (Qt::MatchStartsWith | Qt::MatchWrap) ||
        !start.isValid() || start.column() != 0 || text.isEmpty())
        return QAbstractListModel::match(start, role, value, hits, flags);
    const qint32 row = m_dictionary->FindWord(text, start.row());
    return row < 0 ? QModelIndexList() : QModelIndexList{index(row)};
}

void WordListModel::reload()
{
    beginResetModel();
    endResetModel();
    // A word typed into the list right after an open would otherwise wait while the document
    // prepares every word up to the one it finds.
    if (!m_dictionary->IndexWords(0))
        m_indexer.start();
}

void WordListModel::indexSomeWords()
{
    if (m_dictionary->IndexWords(kWordsAtATime))
        m_indexer.stop();
}
