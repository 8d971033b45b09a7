#include "Sparkle/SUStandardVersionComparator.h"

#include <QStringList>

namespace platform {

namespace {

enum class Kind { number, letters, separator };

Kind kindOf(QChar c)
{
    if (c.isDigit()) {
        return Kind::number;
    }
    if (c.isLetter()) {
        return Kind::letters;
    }
    return Kind::separator;
}

struct Part {
    Kind kind;
    QString text;
};

QList<Part> split(const QString& version)
{
    QList<Part> parts;
    for (const QChar c : version) {
        const Kind kind = kindOf(c);
        if (!parts.isEmpty() && parts.back().kind == kind && kind != Kind::separator) {
            parts.back().text.append(c);
        } else {
            parts.append(Part{kind, QString(c)});
        }
    }
    return parts;
}

int compareNumbers(QString a, QString b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0')) {
        a.remove(0, 1);
    }
    while (b.size() > 1 && b.front() == QLatin1Char('0')) {
        b.remove(0, 1);
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

}  // namespace

int SUStandardVersionComparator::compareVersions(const QString& a, const QString& b)
{
    const QList<Part> left = split(a);
    const QList<Part> right = split(b);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part& l = left[i];
        const Part& r = right[i];
        if (l.kind != r.kind) {
            // A number outranks letters and separators; letters outrank a separator.
            if (l.kind == Kind::number) return 1;
            if (r.kind == Kind::number) return -1;
            return l.kind == Kind::letters ? 1 : -1;
        }
        if (l.kind == Kind::number) {
            if (const int order = compareNumbers(l.text, r.text); order != 0) {
                return order;
            }
        } else if (l.kind == Kind::letters) {
            if (const int order = l.text.compare(r.text); order != 0) {
                return order < 0 ? -1 : 1;
            }
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    const bool leftLonger = left.size() > right.size();
    const QList<Part>& longer = leftLonger ? left : right;
    // The first run after the shared prefix, skipping a separator, decides.
    qsizetype next = common;
    if (next < longer.size() && longer[next].kind == Kind::separator) {
        ++next;
    }
    const bool newer = next >= longer.size() || longer[next].kind == Kind::number;
    return (newer == leftLonger) ? 1 : -1;
}

}  // namespace platform
