#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// OLE Automation dates: days since 1899-12-30 00:00 as a double, the fraction being the time of
// day in local time. Before the epoch the whole part still counts days and the fraction still
// counts the time forward, so -1.25 is 1899-12-29 06:00.
class OleDate
{
public:
    static double fromDateTime(const QDate& date, const QTime& time);
    // False when the value names no date-time: NaN, infinite, or outside the years 100 to 9999.
    static bool toDateTime(double oleDate, QDate& date, QTime& time);
    static double now();

    // The default locale's short date with a four-digit year and its short time with seconds;
    // empty text when the value names no date-time. The default locale is the system's unless
    // QLocale::setDefault chose another.
    static QString toText(double oleDate);
    // Parses the form toText gives; false when the text is not a date-time.
    static bool fromText(const QString& text, double& oleDate);

private:
    static QString dateFormat();
    static QString timeFormat();
    static QString withAsciiDigits(const QString& text, const QLocale& locale);
    static QTime readTime(QString text, const QLocale& locale);
};
