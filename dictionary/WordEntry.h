#pragma once

#include <QString>

struct WordEntry
{
    QString Word;
    QString Description;
};
