#pragma once

#include "DictionaryHeader.h"
#include "WordEntry.h"

#include <QVector>

// Everything a .dyb file holds: the header and the words, index 0 first.
struct DictionaryContent
{
    DictionaryHeader Header;
    QVector<WordEntry> Words;
};
