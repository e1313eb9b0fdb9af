#include "DottedVersion.h"

#include <QStringList>

namespace {

// Numbers of any length compare by their digits: strip leading zeros, then the
// longer one is greater, otherwise the text decides.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool isNumber(QStringView part)
{
    if (part.isEmpty())
        return false;
    for (const QChar c : part) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

bool isDottedVersion(const QString &version)
{
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    for (const QString &part : parts) {
        if (!isNumber(part))
            return false;
    }
    return true;
}

int compareDottedVersions(const QString &a, const QString &b)
{
    const QStringList left = a.trimmed().split(QLatin1Char('.'));
    const QStringList right = b.trimmed().split(QLatin1Char('.'));
    const QString zero = QStringLiteral("0");
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const int order = compareNumbers(i < left.size() ? left[i] : zero, i < right.size() ? right[i] : zero);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}
