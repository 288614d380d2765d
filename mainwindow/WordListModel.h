#pragma once

#include <QAbstractListModel>
#include <QTimer>

class clsDictionary;

// The word list's items: the document's words, read from it as the list shows them, so that a
// rebuild of the list is a reset of this model rather than a copy of every word.
class WordListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    WordListModel(const clsDictionary* dictionary, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A view's search for the typed text, the first word from start on that begins with it,
    // is left to the document, which reads no word as text to find it.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith |
                                                                Qt::MatchWrap)) const override;

    // The document's words changed: the list shows them again, with nothing selected.
    void reload();

private:
    void indexSomeWords();

    const clsDictionary* m_dictionary;
    QTimer m_indexer; // prepares the words for typing while the window is idle
};
