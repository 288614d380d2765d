#pragma once

#include "DictionaryHeader.h"
#include "WordTable.h"

// Everything a .dyb file holds: the header and the words, index 0 first.
struct DictionaryContent
{
    DictionaryHeader Header;
    WordTable Words;
};
