#include "WordListModel.h"

#include "clsDictionary.h"

WordListModel::WordListModel(const clsDictionary* dictionary, QObject* parent)
    : QAbstractListModel(parent), m_dictionary(dictionary)
{
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

void WordListModel::reload()
{
    beginResetModel();
    endResetModel();
}
