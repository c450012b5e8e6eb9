#include <gtest/gtest.h>

#include "LinkFinder.h"

using namespace tainoteka;

namespace {
QStringList Found(const QString& line)
{
    QStringList links;
    for (const TLinkSpan& span : FindLinks(line))
        links << line.mid(span.Start, span.Length);
    return links;
}
} // namespace

TEST(LinkFinder, RecognisesEachSchemeAndBareWww)
{
    EXPECT_EQ(Found("go to http://a.example.org/x?y=1 now"), QStringList{"http://a.example.org/x?y=1"});
    EXPECT_EQ(Found("HTTPS://Example.org"), QStringList{"HTTPS://Example.org"});
    EXPECT_EQ(Found("ftp://f.example.org file:///tmp/a news:comp.lang"),
              (QStringList{"ftp://f.example.org", "file:///tmp/a", "news:comp.lang"}));
    EXPECT_EQ(Found("write mailto:a@example.org."), QStringList{"mailto:a@example.org"});
    EXPECT_EQ(Found("(www.example.org), then"), QStringList{"www.example.org"});
}

TEST(LinkFinder, IgnoresNonLinks)
{
    EXPECT_TRUE(Found("plain text: nothing here").isEmpty());
    EXPECT_TRUE(Found("http:// alone, www. alone, mailto: alone").isEmpty());
    EXPECT_TRUE(Found("notwww.example.org").isEmpty());
    EXPECT_TRUE(Found("").isEmpty());
}

TEST(LinkFinder, PositionAndTarget)
{
    const QString line = "a www.example.org b";
    EXPECT_EQ(LinkAt(line, 2).Start, 2);
    EXPECT_EQ(LinkAt(line, 16).Length, 15);
    EXPECT_EQ(LinkAt(line, 17).Length, 0);
    EXPECT_EQ(LinkAt(line, 0).Length, 0);
    EXPECT_EQ(LinkTarget("www.example.org"), "http://www.example.org");
    EXPECT_EQ(LinkTarget("https://example.org"), "https://example.org");
}
