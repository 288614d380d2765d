#pragma once

#include <QRect>

// The program's forms are laid out in twips: 15 twips are one device-independent pixel.
inline int fromTwips(int twips)
{
    return twips / 15;
}

inline QRect fromTwips(const QRect& twips)
{
    return QRect(fromTwips(twips.x()), fromTwips(twips.y()), fromTwips(twips.width()),
                 fromTwips(twips.height()));
}
