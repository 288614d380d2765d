#pragma once

#include <QString>

struct DictionaryHeader
{
    QString Name;
    QString Author;
    QString Password;   // kept in plain form; empty means no password
    double Created = 0; // OLE Automation date, local time, kept bit for bit
};
