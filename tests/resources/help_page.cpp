#include "tests/resources/help_page.h"

#include <QFile>

#include <algorithm>

namespace {

bool IsNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

qsizetype SkipSpace(const QString& text, qsizetype at)
{
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at;
}

qsizetype NameEnd(const QString& text, qsizetype at)
{
    while (at < text.size() && IsNameCharacter(text[at]))
        ++at;
    return at;
}

} // namespace

QString HelpTag::Attribute(const QString& key) const
{
    const auto found = attributes.find(key);
    return found == attributes.end() ? QString() : found->second;
}

HelpPage::HelpPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    loaded = true;
    Read(QString::fromUtf8(file.readAll()));
}

void HelpPage::Read(const QString& text)
{
    lineStarts.push_back(0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            lineStarts.push_back(i + 1);
    }
    qsizetype at = text.indexOf(u'<');
    while (at >= 0 && at < text.size()) {
        at = ReadTag(text, at);
        if (at >= 0)
            at = text.indexOf(u'<', at);
    }
}

// Returns where reading goes on, or -1 when the rest of the page cannot be read.
qsizetype HelpPage::ReadTag(const QString& text, qsizetype at)
{
    if (text.mid(at, 4) == QStringLiteral("<!--")) {
        const qsizetype end = text.indexOf(QStringLiteral("-->"), at + 4);
        if (end < 0)
            problems << QStringLiteral("line %1: a comment that never ends").arg(LineAt(at));
        return end < 0 ? -1 : end + 3;
    }
    if (text.mid(at, 2) == QStringLiteral("<!")) {
        const qsizetype end = text.indexOf(u'>', at);
        return end < 0 ? -1 : end + 1;
    }
    HelpTag tag;
    tag.line = LineAt(at);
    qsizetype next = at + 1;
    tag.closing = next < text.size() && text[next] == u'/';
    if (tag.closing)
        ++next;
    const qsizetype nameEnd = NameEnd(text, next);
    // A "<" that starts no tag is text, as a browser takes it, but never meant in this page.
    if (nameEnd == next) {
        problems << QStringLiteral("line %1: a \"<\" that is not a tag; write &lt;").arg(tag.line);
        return at + 1;
    }
    tag.name = text.mid(next, nameEnd - next).toLower();
    next = ReadAttributes(text, nameEnd, tag);
    if (next < 0)
        return -1;
    tags.push_back(tag);
    const bool rawText =
        tag.name == QStringLiteral("style") || tag.name == QStringLiteral("script");
    return rawText && !tag.closing ? SkipRawText(text, next, tag.name) : next;
}

qsizetype HelpPage::ReadAttributes(const QString& text, qsizetype at, HelpTag& tag)
{
    for (at = SkipSpace(text, at); at < text.size(); at = SkipSpace(text, at)) {
        if (text[at] == u'>')
            return at + 1;
        if (text.mid(at, 2) == QStringLiteral("/>")) {
            tag.selfClosing = true;
            return at + 2;
        }
        const qsizetype keyEnd = NameEnd(text, at);
        if (keyEnd == at)
            break;
        const QString key = text.mid(at, keyEnd - at).toLower();
        at = SkipSpace(text, keyEnd);
        QString value;
        if (at < text.size() && text[at] == u'=') {
            at = SkipSpace(text, at + 1);
            const QChar quote = at < text.size() ? text[at] : QChar();
            if (quote != u'"' && quote != u'\'')
                break;
            const qsizetype close = text.indexOf(quote, at + 1);
            if (close < 0)
                break;
            value = text.mid(at + 1, close - at - 1);
            at = close + 1;
        }
        tag.attributes[key] = value;
    }
    problems
        << QStringLiteral("line %1: the <%2> tag is not well formed").arg(tag.line).arg(tag.name);
    return -1;
}

qsizetype HelpPage::SkipRawText(const QString& text, qsizetype at, const QString& element)
{
    const qsizetype end = text.indexOf(QStringLiteral("</") + element, at, Qt::CaseInsensitive);
    if (end < 0)
        problems << QStringLiteral("line %1: <%2> never ends").arg(LineAt(at)).arg(element);
    return end;
}

int HelpPage::LineAt(qsizetype at) const
{
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), at);
    return static_cast<int>(after - lineStarts.begin());
}
