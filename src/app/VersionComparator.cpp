#include "app/VersionComparator.h"

#include <QList>

namespace pacemark {

namespace {

struct Part
{
    bool numeric = false;
    QStringView text;
};

// Runs of digits and runs of letters; dots, dashes and other separators only divide them.
QList<Part> split(QStringView version)
{
    QList<Part> parts;
    qsizetype i = 0;
    while (i < version.size()) {
        const QChar c = version[i];
        if (!c.isLetterOrNumber()) {
            ++i;
            continue;
        }
        const bool digit = c.isDigit();
        const qsizetype start = i;
        while (i < version.size() && version[i].isLetterOrNumber() && version[i].isDigit() == digit)
            ++i;
        parts.append({ digit, version.sliced(start, i - start) });
    }
    return parts;
}

// Numbers of any length, without overflow: fewer significant digits is smaller.
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

bool isZero(const Part& part)
{
    return part.numeric && compareNumbers(part.text, u"0") == 0;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

}

int VersionComparator::compare(QStringView a, QStringView b)
{
    const QList<Part> left = split(a);
    const QList<Part> right = split(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part& l = left[i];
        const Part& r = right[i];
        if (l.numeric && r.numeric) {
            if (const int order = compareNumbers(l.text, r.text))
                return sign(order);
        } else if (l.numeric != r.numeric) {
            // A number where the other has a pre-release tag: the release is the newer.
            return l.numeric ? 1 : -1;
        } else if (const int order = l.text.compare(r.text, Qt::CaseInsensitive)) {
            return sign(order);
        }
    }
    if (left.size() == right.size())
        return 0;
    // What the longer one adds: zeros change nothing, then a tag marks a pre-release and a number a
    // later version.
    const bool leftLonger = left.size() > right.size();
    const QList<Part>& longer = leftLonger ? left : right;
    qsizetype next = common;
    while (next < longer.size() && isZero(longer[next]))
        ++next;
    if (next == longer.size())
        return 0;
    const int longerIsNewer = longer[next].numeric ? 1 : -1;
    return leftLonger ? longerIsNewer : -longerIsNewer;
}

}
