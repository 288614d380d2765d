#include "OleDate.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsecsPerDay = 86400000;

} // namespace

double OleDate::fromDateTime(const QDate& date, const QTime& time)
{
    const double days = double(kEpoch.daysTo(date));
    const double timeOfDay = time.msecsSinceStartOfDay() / double(kMsecsPerDay);
    return days < 0 ? days - timeOfDay : days + timeOfDay;
}

bool OleDate::toDateTime(double oleDate, QDate& date, QTime& time)
{
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3e6)
        return false;
    double wholeDays = std::trunc(oleDate);
    qint64 msecs = std::llround(std::fabs(oleDate - wholeDays) * kMsecsPerDay);
    if (msecs >= kMsecsPerDay) {
        msecs -= kMsecsPerDay;
        wholeDays += 1;
    }
    date = kEpoch.addDays(qint64(wholeDays));
    time = QTime::fromMSecsSinceStartOfDay(int(msecs));
    return date.year() >= 100 && date.year() <= 9999;
}

double OleDate::now()
{
    const QDateTime current = QDateTime::currentDateTime();
    return fromDateTime(current.date(), current.time());
}

QString OleDate::toText(double oleDate)
{
    QDate date;
    QTime time;
    if (!toDateTime(oleDate, date, time))
        return {};
    const QLocale locale;
    return locale.toString(date, dateFormat()) + QLatin1Char(' ') +
           locale.toString(time, timeFormat());
}

bool OleDate::fromText(const QString& text, double& oleDate)
{
    const QLocale locale;
    const QString readable = withAsciiDigits(text, locale);
    // The date part may hold spaces of its own (month names), so try every space as the divide.
    for (qsizetype space = readable.indexOf(QLatin1Char(' ')); space >= 0;
         space = readable.indexOf(QLatin1Char(' '), space + 1)) {
        const QDate date = locale.toDate(readable.left(space), dateFormat());
        const QTime time = readTime(readable.mid(space + 1), locale);
        if (date.isValid() && time.isValid() && date.year() >= 100 && date.year() <= 9999) {
            oleDate = fromDateTime(date, time);
            return true;
        }
    }
    return false;
}

// Qt reads no digit outside the Basic Multilingual Plane, such as the Chakma and Adlam ones, but
// reads ASCII digits in every locale.
QString OleDate::withAsciiDigits(const QString& text, const QLocale& locale)
{
    const char32_t zero = locale.zeroDigit().toUcs4().value(0, U'0');
    if (zero == U'0')
        return text;
    QList<uint> characters = text.toUcs4();
    for (uint& character : characters) {
        if (character >= zero && character <= zero + 9)
            character = U'0' + (character - zero);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                             characters.size());
}

// Qt reads an am/pm mark for as long as the longer of the two, so the shorter one cannot be read
// back where more text follows it (as in "AP h:mm" when the marks differ in length). At the end
// it reads either, so the mark is read from there. Formats write the mark as "AP", "ap" or, in
// the locale's own letter case, "Ap".
QTime OleDate::readTime(QString text, const QLocale& locale)
{
    QString format = timeFormat();
    const qsizetype markInFormat = format.indexOf(QLatin1String("ap"), 0, Qt::CaseInsensitive);
    if (markInFormat >= 0) {
        const QString markFormat = format.mid(markInFormat, 2);
        for (const QTime& halfOfTheDay : {QTime(1, 0), QTime(13, 0)}) {
            const QString mark = locale.toString(halfOfTheDay, markFormat);
            const qsizetype markInText = text.indexOf(mark);
            if (markInText >= 0) {
                text = text.remove(markInText, mark.size()) + QLatin1Char(' ') + mark;
                format = format.remove(markInFormat, 2) + QLatin1Char(' ') + markFormat;
                break;
            }
        }
    }
    return locale.toTime(text, format);
}

QString OleDate::dateFormat()
{
    // Many short formats have a two-digit year, which would not read back the same century.
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString OleDate::timeFormat()
{
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    // Minutes are "mm", or "m" as in Yoruba's "H:m"; the seconds follow them.
    const qsizetype minutes = format.indexOf(QLatin1Char('m'));
    if (minutes < 0)
        return format;
    qsizetype afterMinutes = minutes + 1;
    while (afterMinutes < format.size() && format.at(afterMinutes) == u'm')
        ++afterMinutes;
    // The seconds take the separator before the minutes, unless that is a letter or the quote
    // that ends a literal, as in Occitan's "H'h'mm".
    const QChar before = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
    const QChar separator = before.isLetter() || before == u'\'' ? QLatin1Char(':') : before;
    format.insert(afterMinutes, QString(separator) + QLatin1String("ss"));
    return format;
}
