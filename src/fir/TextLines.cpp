#include "fir/TextLines.h"

namespace textlines {

namespace {

bool isNewline(QChar c) {
    switch (c.unicode()) {
        case u'\n':
        case u'\v':
        case u'\f':
        case u'\r':
        case 0x0085:
        case 0x2028:
        case 0x2029:
            return true;
        default:
            return false;
    }
}

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QStringView trimmed(QStringView line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line[begin])) ++begin;
    while (end > begin && isBlank(line[end - 1])) --end;
    return line.sliced(begin, end - begin);
}

bool isComment(QStringView line, std::initializer_list<QStringView> prefixes) {
    for (QStringView prefix : prefixes)
        if (line.startsWith(prefix)) return true;
    return false;
}

}  // namespace

QList<QStringView> dataLines(QStringView text, std::initializer_list<QStringView> commentPrefixes) {
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isNewline(text[i])) continue;
        const QStringView line = trimmed(text.sliced(start, i - start));
        if (!line.isEmpty() && !isComment(line, commentPrefixes)) lines.append(line);
        start = i + 1;
    }
    return lines;
}

QList<QStringView> fields(QStringView line) {
    QList<QStringView> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool separator =
            i == line.size() || line[i] == u'\t' || line[i] == u',' || line[i] == u';' || line[i] == u' ';
        if (!separator) continue;
        if (i > start) result.append(line.sliced(start, i - start));
        start = i + 1;
    }
    return result;
}

}  // namespace textlines
