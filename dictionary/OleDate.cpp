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
    const QLocale locale = QLocale::system();
    return locale.toString(date, dateFormat()) + QLatin1Char(' ') +
           locale.toString(time, timeFormat());
}

bool OleDate::fromText(const QString& text, double& oleDate)
{
    // The date part may hold spaces of its own (month names), so try every space as the divide.
    const QLocale locale = QLocale::system();
    for (qsizetype space = text.indexOf(QLatin1Char(' ')); space >= 0;
         space = text.indexOf(QLatin1Char(' '), space + 1)) {
        const QDate date = locale.toDate(text.left(space), dateFormat());
        const QTime time = locale.toTime(text.mid(space + 1), timeFormat());
        if (date.isValid() && time.isValid() && date.year() >= 100 && date.year() <= 9999) {
            oleDate = fromDateTime(date, time);
            return true;
        }
    }
    return false;
}

QString OleDate::dateFormat()
{
    // Many short formats have a two-digit year, which would not read back the same century.
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString OleDate::timeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return format;
    const QChar before = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
    const QChar separator = before.isLetter() ? QLatin1Char(':') : before;
    format.insert(minutes + 2, QString(separator) + QLatin1String("ss"));
    return format;
}
