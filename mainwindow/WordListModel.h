#pragma once

#include <QAbstractListModel>

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

    // The document's words changed: the list shows them again, with nothing selected.
    void reload();

private:
    const clsDictionary* m_dictionary;
};
