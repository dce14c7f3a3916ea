#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// One tag of the operator's guide.
struct HelpTag
{
    QString name; // lower case, without the slash of a closing tag
    bool closing = false;
    bool selfClosing = false;
    std::map<QString, QString> attributes;
    int line = 0;

    QString Attribute(const QString& key) const;
};

// The operator's guide as its sequence of tags, read as a browser's tokenizer reads them:
// comments and the doctype are skipped and the contents of <style> and <script> are text,
// so that a ">" in a style rule is not taken for the end of a tag.
class HelpPage
{
public:
    explicit HelpPage(const QString& path);

    bool Loaded() const { return loaded; }
    const std::vector<HelpTag>& Tags() const { return tags; }
    // What the reading met that no browser would read as meant: an unterminated comment, tag
    // or quoted value, each with its line.
    const QStringList& Problems() const { return problems; }

private:
    void Read(const QString& text);
    qsizetype ReadTag(const QString& text, qsizetype at);
    qsizetype ReadAttributes(const QString& text, qsizetype at, HelpTag& tag);
    qsizetype SkipRawText(const QString& text, qsizetype at, const QString& element);
    int LineAt(qsizetype at) const;

    bool loaded = false;
    std::vector<qsizetype> lineStarts;
    std::vector<HelpTag> tags;
    QStringList problems;
};
