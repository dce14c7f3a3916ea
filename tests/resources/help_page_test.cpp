#include "tests/resources/help_page.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include <set>

// The operator's guide as it is copied beside the program and installed: every picture and
// every link it names must be there, and its elements must nest as a browser expects, so
// that no section silently swallows the next one.

namespace {

const QString HelpFolder = QStringLiteral(SONAVIRE_HELP_FOLDER);
const QString PagePath = HelpFolder + QStringLiteral("/sonavire-panel.html");
const QString PictureFolder = QStringLiteral("images");

const std::set<QString> VoidElements = {
    QStringLiteral("area"), QStringLiteral("base"),   QStringLiteral("br"),
    QStringLiteral("col"),  QStringLiteral("embed"),  QStringLiteral("hr"),
    QStringLiteral("img"),  QStringLiteral("input"),  QStringLiteral("link"),
    QStringLiteral("meta"), QStringLiteral("source"), QStringLiteral("track"),
    QStringLiteral("wbr"),
};

std::string Where(const HelpTag& tag)
{
    return "line " + std::to_string(tag.line) + ", <" + tag.name.toStdString() + ">";
}

class HelpPageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(page.Loaded()) << PagePath.toStdString();
        EXPECT_TRUE(page.Problems().isEmpty()) << page.Problems().join(u'\n').toStdString();
    }

    std::vector<const HelpTag*> Opening(const QString& name) const
    {
        std::vector<const HelpTag*> found;
        for (const HelpTag& tag : page.Tags()) {
            if (tag.name == name && !tag.closing)
                found.push_back(&tag);
        }
        return found;
    }

    HelpPage page{PagePath};
};

TEST_F(HelpPageTest, ElementsCloseInTheOrderTheyOpen)
{
    std::vector<const HelpTag*> open;
    for (const HelpTag& tag : page.Tags()) {
        if (VoidElements.contains(tag.name) || tag.selfClosing)
            continue;
        if (!tag.closing) {
            open.push_back(&tag);
            continue;
        }
        ASSERT_FALSE(open.empty()) << Where(tag) << " closes nothing";
        ASSERT_EQ(open.back()->name, tag.name) << Where(tag) << " closes " << Where(*open.back());
        open.pop_back();
    }
    for (const HelpTag* tag : open)
        ADD_FAILURE() << Where(*tag) << " is never closed";
}

// Local links and pictures: an in-page link needs its anchor, a relative path its file.
TEST_F(HelpPageTest, EveryLinkAndPictureFindsItsTarget)
{
    std::set<QString> ids;
    for (const HelpTag& tag : page.Tags()) {
        const QString id = tag.Attribute(QStringLiteral("id"));
        if (!id.isEmpty()) {
            EXPECT_TRUE(ids.insert(id).second)
                << Where(tag) << ": id " << id.toStdString() << " is given twice";
        }
    }
    struct Reference
    {
        const char* element;
        const char* attribute;
    };
    const Reference references[] = {{"a", "href"}, {"img", "src"}, {"link", "href"}};
    for (const Reference& reference : references) {
        for (const HelpTag* tag : Opening(QString::fromLatin1(reference.element))) {
            const QString target = tag->Attribute(QString::fromLatin1(reference.attribute));
            SCOPED_TRACE(Where(*tag) + " " + target.toStdString());
            ASSERT_FALSE(target.isEmpty());
            if (target.startsWith(u'#')) {
                EXPECT_TRUE(ids.contains(target.mid(1))) << "no element has this id";
            } else if (!target.contains(QStringLiteral("://")) &&
                       !target.startsWith(QStringLiteral("mailto:"))) {
                EXPECT_TRUE(QFileInfo(QDir(HelpFolder).filePath(target)).isFile())
                    << "no such file beside the page";
            }
        }
    }
}

// A picture travels with the page only from its images folder, and tells a reader who
// cannot see it what it shows.
TEST_F(HelpPageTest, EveryPictureIsAReadablePngWithAnAlternativeText)
{
    const std::vector<const HelpTag*> pictures = Opening(QStringLiteral("img"));
    ASSERT_FALSE(pictures.empty());
    for (const HelpTag* tag : pictures) {
        const QString source = tag->Attribute(QStringLiteral("src"));
        SCOPED_TRACE(Where(*tag) + " " + source.toStdString());
        EXPECT_EQ(QFileInfo(source).path(), PictureFolder);
        EXPECT_FALSE(tag->Attribute(QStringLiteral("alt")).trimmed().isEmpty());
        QImageReader reader(QDir(HelpFolder).filePath(source));
        EXPECT_EQ(reader.format(), QByteArray("png"));
        EXPECT_FALSE(reader.read().isNull()) << reader.errorString().toStdString();
    }
}

TEST_F(HelpPageTest, EveryPictureSitsInAFigureWithACaption)
{
    struct Figure
    {
        const HelpTag* tag;
        int pictures = 0;
        int captions = 0;
    };
    std::vector<Figure> figures;
    std::vector<const HelpTag*> open;
    for (const HelpTag& tag : page.Tags()) {
        const HelpTag* parent = open.empty() ? nullptr : open.back();
        const bool inFigure = parent && parent->name == QStringLiteral("figure");
        if (tag.name == QStringLiteral("img")) {
            EXPECT_TRUE(inFigure) << Where(tag) << " is not directly in a <figure>";
            if (inFigure)
                ++figures.back().pictures;
        } else if (tag.name == QStringLiteral("figcaption") && !tag.closing && inFigure) {
            ++figures.back().captions;
        }
        if (VoidElements.contains(tag.name) || tag.selfClosing)
            continue;
        if (tag.closing) {
            if (!open.empty())
                open.pop_back();
            continue;
        }
        open.push_back(&tag);
        if (tag.name == QStringLiteral("figure"))
            figures.push_back({&tag});
    }
    for (const Figure& figure : figures) {
        EXPECT_GE(figure.pictures, 1) << Where(*figure.tag) << " shows no picture";
        EXPECT_EQ(figure.captions, 1) << Where(*figure.tag) << " needs one <figcaption>";
    }
}

// A picture left in the folder after the page stopped showing it would still be installed.
TEST_F(HelpPageTest, EveryPictureInTheFolderIsShown)
{
    std::set<QString> shown;
    for (const HelpTag* tag : Opening(QStringLiteral("img")))
        shown.insert(QFileInfo(tag->Attribute(QStringLiteral("src"))).fileName());
    const QDir folder(QDir(HelpFolder).filePath(PictureFolder));
    for (const QString& name : folder.entryList(QDir::Files))
        EXPECT_TRUE(shown.contains(name)) << name.toStdString() << " is not shown by the page";
}

} // namespace
