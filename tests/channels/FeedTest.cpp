#include <set>
#include <string>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "channels/Feed.h"
#include "channels/MadeChannel.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::TempDir;
using test::WriteFile;

// The real feeds, saved as they were served.
std::filesystem::path RealFeed(const char* name) {
    return std::filesystem::path(WYLO_FEEDS_DIR) / name;
}

class FeedTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& xml) {
        const std::filesystem::path file = dir_ / ("feed" + std::to_string(++count_) + ".xml");
        WriteFile(file, xml);
        return file;
    }

    ChannelDescription ReadText(const std::string& xml,
                                std::string_view url = "http://feeds.example/photos/feed.xml") {
        return ReadFeed(Write(xml), url);
    }

    // The message ReadFeed throws for xml; empty when it reads it.
    std::string ErrorOf(const std::string& xml) {
        try {
            (void)ReadText(xml);
        } catch (const Error& error) {
            return error.what();
        }
        return {};
    }

    // An RSS 2.0 feed with Media RSS around items.
    static std::string Rss(const std::string& items) {
        return R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:media="http://search.yahoo.com/mrss/"
     xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel><title>Test photos</title><link>http://feeds.example/</link>
)" + items + "</channel></rss>";
    }

    TempDir dir_;
    int count_ = 0;
};

// --- Which kind of document -------------------------------------------------

TEST_F(FeedTest, KindOfDocument_RealFeedsAreFeedsAndControlFilesAreNot) {
    for (const char* name : {"nasa-iotd-2020.xml", "flickr-rss200-mrss-user-2011.xml",
                             "flickr-atom-user-2013.xml", "bing-hpimagearchive-2016.xml"}) {
        EXPECT_EQ(ChannelDocumentKindOfFile(RealFeed(name)), ChannelDocumentKind::Feed) << name;
    }
    EXPECT_EQ(ChannelDocumentKindOfFile(Write("<provider><title>A</title></provider>")),
              ChannelDocumentKind::ControlFile);
    // "feed" is Atom only in Atom's namespace; "images" is an archive only
    // with pictures in it.
    EXPECT_EQ(ChannelDocumentKindOfFile(Write("<feed><entry/></feed>")),
              ChannelDocumentKind::Unknown);
    EXPECT_EQ(ChannelDocumentKindOfFile(
                  Write("<a:feed xmlns:a=\"http://www.w3.org/2005/Atom\"></a:feed>")),
              ChannelDocumentKind::Feed);
    EXPECT_EQ(ChannelDocumentKindOfFile(Write("<images><image><x/></image></images>")),
              ChannelDocumentKind::Unknown);
    EXPECT_EQ(ChannelDocumentKindOfFile(Write("<html><body>Not found</body></html>")),
              ChannelDocumentKind::Unknown);
    EXPECT_EQ(ChannelDocumentKindOfFile(Write("\xFF\xD8\xFF\xE0 a JPEG, not XML")),
              ChannelDocumentKind::Unknown);
    EXPECT_EQ(ChannelDocumentKindOfFile(dir_ / "missing.xml"), ChannelDocumentKind::Unknown);
}

TEST_F(FeedTest, ReadFeed_RefusesWhatIsNoFeedInWords) {
    EXPECT_EQ(ErrorOf("<html><body>Not found</body></html>"),
              "This is neither a channel nor a photo feed Wylo can read (RSS, Atom or an image "
              "archive).");
    EXPECT_EQ(ErrorOf("<provider><title>A</title></provider>"),
              "This is a channel's control file, not a photo feed.");
    EXPECT_NE(ErrorOf("<rss><channel>"), "");
    EXPECT_EQ(ErrorOf(Rss("<item><title>Words only</title></item>")),
              "The feed lists no JPEG pictures.");
}

// --- Real feeds as served ---------------------------------------------------

TEST_F(FeedTest, Nasa_EnclosuresKeptExceptPngs) {
    const ChannelDescription channel = ReadFeed(
        RealFeed("nasa-iotd-2020.xml"), "http://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss");
    EXPECT_EQ(channel.title, "NASA Image of the Day");
    EXPECT_EQ(channel.description, "The latest NASA \"Image of the Day\" image.");
    EXPECT_EQ(channel.news, "http://www.nasa.gov/");
    // 60 items, four of them PNG pictures.
    ASSERT_EQ(channel.images.size(), 56u);
    const ChannelPicture& first = channel.images[0];
    EXPECT_EQ(first.title, "Northrop Grumman Cargo Mission Awaits Launch");
    EXPECT_EQ(
        first.loc,
        "http://www.nasa.gov/sites/default/files/thumbnails/image/ng-13_on_pad_with_moon.jpg");
    EXPECT_EQ(first.file, "ng-13_on_pad_with_moon.jpg");
    EXPECT_EQ(first.thumb, "");
    EXPECT_EQ(first.width, 0);
    // A ".jpeg" picture is a JPEG too.
    EXPECT_EQ(channel.images[1].loc,
              "http://www.nasa.gov/sites/default/files/thumbnails/image/jsc2020e004627.jpeg");
    EXPECT_EQ(channel.images[1].file, "jsc2020e004627.jpeg");
    EXPECT_EQ(channel.images.back().title,
              "This Week in NASA History: First Launch of Saturn V \xE2\x80\x93 Nov. 9, 1967");
    std::set<std::string> titles;
    for (const ChannelPicture& image : channel.images) {
        EXPECT_EQ(image.loc.find(".png"), std::string::npos) << image.loc;
        titles.insert(image.title);
    }
    // Numeric entities come out as the characters they stand for.
    EXPECT_TRUE(titles.contains("Astronaut Christina Koch's Record-Setting Mission"));
    EXPECT_TRUE(titles.contains("Carina Nebula's 'Mystic Mountain'"));
    EXPECT_FALSE(titles.contains("Dragonfly"));
}

TEST_F(FeedTest, FlickrMediaRss_ContentOverThumbnailWithCreditAndTitles) {
    const ChannelDescription channel =
        ReadFeed(RealFeed("flickr-rss200-mrss-user-2011.xml"),
                 "http://api.flickr.com/services/feeds/photos_public.gne?id=1&format=rss_200");
    EXPECT_EQ(channel.title, "Uploads from Ole Bj\xC3\xB8rn Michelsen");
    EXPECT_EQ(channel.description, "");
    EXPECT_EQ(channel.news, "http://www.flickr.com/photos/olemichelsen/");
    ASSERT_EQ(channel.images.size(), 20u);
    const ChannelPicture& first = channel.images[0];
    EXPECT_EQ(first.title, "Moonrise");
    EXPECT_EQ(first.loc, "http://farm7.staticflickr.com/6153/6167590028_a32b2b2c95_b.jpg");
    EXPECT_EQ(first.thumb, "http://farm7.staticflickr.com/6153/6167590028_a32b2b2c95_s.jpg");
    EXPECT_EQ(first.credit, "Ole Bj\xC3\xB8rn Michelsen");
    EXPECT_EQ(first.width, 1024);
    EXPECT_EQ(first.height, 683);
    EXPECT_EQ(first.file, "6167590028_a32b2b2c95_b.jpg");
    const ChannelPicture& harvest = channel.images[8];
    EXPECT_EQ(harvest.title, "H\xC3\xB8sts\xC3\xA6son");
    EXPECT_EQ(harvest.loc, "http://farm5.staticflickr.com/4052/4355183127_a9c674b028_z.jpg");
    EXPECT_EQ(harvest.thumb, "http://farm5.staticflickr.com/4052/4355183127_a9c674b028_s.jpg");
    EXPECT_EQ(harvest.width, 640);
    EXPECT_EQ(harvest.height, 426);
    EXPECT_EQ(channel.images[19].title, "Machu Picchu set fra Intipunku");
    // Two items with the same title are still two pictures.
    EXPECT_EQ(channel.images[17].title, "Machu Picchu");
    EXPECT_EQ(channel.images[18].title, "Machu Picchu");
    EXPECT_NE(channel.images[17].loc, channel.images[18].loc);
}

TEST_F(FeedTest, FlickrAtom_EnclosureWithThumbnailFromEscapedHtml) {
    const ChannelDescription channel =
        ReadFeed(RealFeed("flickr-atom-user-2013.xml"),
                 "http://api.flickr.com/services/feeds/photos_public.gne?id=14385354@N00");
    EXPECT_EQ(channel.title, "Uploads from Markus Unger");
    EXPECT_EQ(channel.description, "");
    EXPECT_EQ(channel.news, "http://www.flickr.com/photos/markusunger/");
    ASSERT_EQ(channel.images.size(), 20u);
    const ChannelPicture& first = channel.images[0];
    EXPECT_EQ(first.title, "Camp-Nou4");
    EXPECT_EQ(first.loc, "http://farm8.staticflickr.com/7396/8718599226_f6f30fe30f_b.jpg");
    EXPECT_EQ(first.thumb, "http://farm8.staticflickr.com/7396/8718599226_f6f30fe30f_m.jpg");
    EXPECT_EQ(first.credit, "Markus Unger");
    EXPECT_EQ(channel.images[1].title, "Camp-Nou3");
    for (const ChannelPicture& image : channel.images) {
        EXPECT_TRUE(image.loc.ends_with("_b.jpg")) << image.loc;
        EXPECT_TRUE(image.thumb.ends_with("_m.jpg")) << image.thumb;
    }
}

TEST_F(FeedTest, BingArchive_RelativeToServingHostWithCaptionAndCreditSplit) {
    const ChannelDescription channel =
        ReadFeed(RealFeed("bing-hpimagearchive-2016.xml"),
                 "http://www.bing.com/HPImageArchive.aspx?format=xml&idx=0&n=1&mkt=en-US");
    // The archive has no title of its own: it is named after its host.
    EXPECT_EQ(channel.title, "www.bing.com");
    ASSERT_EQ(channel.images.size(), 1u);
    const ChannelPicture& image = channel.images[0];
    EXPECT_EQ(image.loc,
              "http://www.bing.com/az/hprichbg/rb/Castelmezzano_EN-US11750585825_1366x768.jpg");
    EXPECT_EQ(image.title, "Castelmezzano, Italy");
    EXPECT_EQ(image.credit, "\xC2\xA9 Federico Ravassard/500px");
    EXPECT_EQ(image.file, "Castelmezzano_EN-US11750585825_1366x768.jpg");
}

TEST_F(FeedTest, BingArchive_NewerAddressesWithQueriesAndBaseOnly) {
    const ChannelDescription channel =
        ReadText(R"(<?xml version="1.0" encoding="utf-8" ?><images>
<image><url>/th?id=OHR.Bay_EN-US1_1920x1080.jpg&amp;rf=LaDigue_1920x1080.jpg&amp;pid=hp</url>
  <headline>A bay at dawn</headline><copyright>Bay, Seychelles (&#169; A. Photographer/Agency)</copyright></image>
<image><url>/th?id=OHR.Hill_EN-US2_1920x1080.jpg&amp;rf=LaDigue_1920x1080.jpg&amp;pid=hp</url>
  <copyright>No credit here</copyright></image>
<image><urlBase>/th?id=OHR.Lake_EN-US3</urlBase></image>
</images>)",
                 "https://www.bing.com/HPImageArchive.aspx?format=xml");
    ASSERT_EQ(channel.images.size(), 3u);
    EXPECT_EQ(
        channel.images[0].loc,
        "https://www.bing.com/th?id=OHR.Bay_EN-US1_1920x1080.jpg&rf=LaDigue_1920x1080.jpg&pid=hp");
    EXPECT_EQ(channel.images[0].title, "A bay at dawn");
    EXPECT_EQ(channel.images[0].credit, "\xC2\xA9 A. Photographer/Agency");
    EXPECT_EQ(channel.images[1].title, "No credit here");
    EXPECT_EQ(channel.images[1].credit, "");
    EXPECT_EQ(channel.images[2].loc, "https://www.bing.com/th?id=OHR.Lake_EN-US3_1920x1080.jpg");
    // Every address names "th": the names come from the whole addresses.
    std::set<std::string> names;
    for (const ChannelPicture& image : channel.images) {
        EXPECT_TRUE(image.file.starts_with("th-")) << image.file;
        names.insert(image.file);
    }
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(FeedTest, ReadFeed_ControlFileWrittenFromAFeedReadsAsAnyChannel) {
    const ChannelDescription channel =
        ReadFeed(RealFeed("flickr-rss200-mrss-user-2011.xml"), "http://api.flickr.com/feed");
    WriteFile(dir_ / "Channel.xml", MadeControlFileText(channel));
    ControlFile control;
    ASSERT_TRUE(control.Load(dir_ / "Channel.xml"));
    EXPECT_EQ(control.channel().title, "Uploads from Ole Bj\xC3\xB8rn Michelsen");
    ASSERT_EQ(control.ImageCount(), 20);
    EXPECT_EQ(control.Image(8).loc,
              "http://farm5.staticflickr.com/4052/4355183127_a9c674b028_z.jpg");
    EXPECT_EQ(PictureCacheName(control.Image(8)), "4355183127_a9c674b028_z.jpg");
    EXPECT_EQ(control.Image(8).credit, "Ole Bj\xC3\xB8rn Michelsen");
}

// --- Choosing each item's picture -------------------------------------------

TEST_F(FeedTest, Items_WithoutJpegPictureAreLeftOut) {
    const ChannelDescription channel = ReadText(Rss(R"(
<item><title>No picture</title><description>Just words</description></item>
<item><title>WebP</title><enclosure url="http://x.example/a.jpg" type="image/webp" length="9"/></item>
<item><title>PNG</title><media:content url="http://x.example/b.png"/></item>
<item><title>GIF by name</title><enclosure url="http://x.example/c.gif"/></item>
<item><title>Video</title><media:content url="http://x.example/d" medium="video"/></item>
<item><title>Audio</title><enclosure url="http://x.example/e.mp3" type="audio/mpeg"/></item>
<item><title>JPEG</title><enclosure url="http://x.example/f.JPG" type="image/jpeg"/></item>
<item><title>Untyped</title><media:content url="http://x.example/g"/></item>
)"));
    ASSERT_EQ(channel.images.size(), 2u);
    EXPECT_EQ(channel.images[0].title, "JPEG");
    EXPECT_EQ(channel.images[0].loc, "http://x.example/f.JPG");
    EXPECT_EQ(channel.images[1].title, "Untyped");
    // "g" is no JPEG name: the cache name is made from the address.
    EXPECT_TRUE(channel.images[1].file.starts_with("g-")) << channel.images[1].file;
    EXPECT_TRUE(channel.images[1].file.ends_with(".jpg")) << channel.images[1].file;
}

TEST_F(FeedTest, Items_LargestOfAGroupWinsAndItsOwnTitleCreditAndThumbnail) {
    const ChannelDescription channel = ReadText(Rss(R"(
<item><title>Item title</title>
  <media:credit>Item credit</media:credit>
  <media:thumbnail url="http://x.example/item-thumb.jpg"/>
  <media:group>
    <media:content url="http://x.example/small.jpg" width="800" height="600"/>
    <media:content url="http://x.example/huge.webp" type="image/webp" width="8000" height="6000"/>
    <media:content url="http://x.example/large.jpg" width="2400" height="1600">
      <media:title>Large title</media:title>
    </media:content>
    <media:credit>Group credit</media:credit>
    <media:thumbnail url="http://x.example/group-thumb.jpg"/>
  </media:group>
</item>
<item><title>By bytes</title>
  <media:group>
    <media:content url="http://x.example/one.jpg" fileSize="1000"/>
    <media:content url="http://x.example/two.jpg" fileSize="5000"/>
  </media:group>
</item>
<item><title>By default</title>
  <media:group>
    <media:content url="http://x.example/three.jpg"/>
    <media:content url="http://x.example/four.jpg" isDefault="true"/>
  </media:group>
</item>
)"));
    ASSERT_EQ(channel.images.size(), 3u);
    EXPECT_EQ(channel.images[0].loc, "http://x.example/large.jpg");
    EXPECT_EQ(channel.images[0].width, 2400);
    EXPECT_EQ(channel.images[0].height, 1600);
    EXPECT_EQ(channel.images[0].title, "Large title");
    EXPECT_EQ(channel.images[0].credit, "Group credit");
    EXPECT_EQ(channel.images[0].thumb, "http://x.example/group-thumb.jpg");
    EXPECT_EQ(channel.images[1].loc, "http://x.example/two.jpg");
    EXPECT_EQ(channel.images[2].loc, "http://x.example/four.jpg");
}

TEST_F(FeedTest, Items_HtmlImageIsTheLastResortAndNeverATrackingPixel) {
    const ChannelDescription channel = ReadText(Rss(R"(
<item><title>Pixel only</title>
  <description><![CDATA[<p>Hi</p><img src="http://t.example/p.jpg" width="1" height="1">]]></description>
</item>
<item><title>Photo and pixel</title>
  <description><![CDATA[<img src='http://t.example/q.jpg' width=1 height=1>
    <img src="/photos/big.jpg" width="1200" height="800" alt="x">
    <img src="/photos/small.jpg" width="300" height="200">]]></description>
</item>
<item><title>Enclosure and img</title>
  <enclosure url="http://x.example/full.jpg" type="image/jpeg" length="1"/>
  <description>&lt;img src="http://x.example/t.gif"&gt;&lt;img src="http://x.example/t1.jpg" width="1"&gt;&lt;img src="http://x.example/thumb.jpg"&gt;</description>
</item>
)"));
    ASSERT_EQ(channel.images.size(), 2u);
    EXPECT_EQ(channel.images[0].title, "Photo and pixel");
    EXPECT_EQ(channel.images[0].loc, "http://feeds.example/photos/big.jpg");
    EXPECT_EQ(channel.images[0].width, 1200);
    EXPECT_EQ(channel.images[0].thumb, "http://feeds.example/photos/small.jpg");
    EXPECT_EQ(channel.images[1].loc, "http://x.example/full.jpg");
    EXPECT_EQ(channel.images[1].thumb, "http://x.example/thumb.jpg");
}

TEST_F(FeedTest, Items_MediaWikiThumbnailStandsForItsOriginal) {
    EXPECT_EQ(MediaWikiOriginalUrl("https://upload.wikimedia.org/wikipedia/commons/thumb/a/ab/"
                                   "Name.jpg/800px-Name.jpg"),
              "https://upload.wikimedia.org/wikipedia/commons/a/ab/Name.jpg");
    EXPECT_EQ(MediaWikiOriginalUrl("https://host/thumb/a/ab/Name.jpg"), "");
    EXPECT_EQ(MediaWikiOriginalUrl("https://host/thumb/a/cd/Name.jpg/800px-Name.jpg"), "");
    EXPECT_EQ(MediaWikiOriginalUrl("https://host/photos/Name.jpg"), "");

    const ChannelDescription channel =
        ReadText(Rss(R"(
<item><title>Picture of the day</title>
  <description>&lt;a href="https://commons.wikimedia.org/wiki/File:Lake.jpg"&gt;&lt;img src="//upload.wikimedia.org/wikipedia/commons/thumb/3/3f/Lake.jpg/300px-Lake.jpg" width="300" height="200"&gt;&lt;/a&gt;</description>
</item>
<item><title>A drawing</title>
  <description>&lt;img src="https://upload.wikimedia.org/wikipedia/commons/thumb/1/1a/Map.png/300px-Map.png.jpg" width="300"&gt;</description>
</item>
)"),
                 "https://commons.wikimedia.org/w/api.php?feed=potd");
    ASSERT_EQ(channel.images.size(), 1u);
    EXPECT_EQ(channel.images[0].loc,
              "https://upload.wikimedia.org/wikipedia/commons/3/3f/Lake.jpg");
    EXPECT_EQ(channel.images[0].thumb,
              "https://upload.wikimedia.org/wikipedia/commons/thumb/3/3f/Lake.jpg/300px-Lake.jpg");
    EXPECT_EQ(channel.images[0].file, "Lake.jpg");
}

TEST_F(FeedTest, Atom_ContentSourceEnclosureTypesAndFeedAuthor) {
    const ChannelDescription channel = ReadText(R"(<?xml version="1.0"?>
<a:feed xmlns:a="http://www.w3.org/2005/Atom" xml:base="http://atom.example/photos/">
  <a:title type="html">Sea &amp;amp; sky</a:title>
  <a:subtitle type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml">Waves <b>and</b> clouds</div></a:subtitle>
  <a:rights>CC BY 4.0</a:rights>
  <a:link rel="self" href="http://atom.example/feed"/>
  <a:link href="index.html"/>
  <a:author><a:name>Feed Author</a:name></a:author>
  <a:entry><a:title>Out &lt;of&gt; &amp;amp; line</a:title><a:content src="2024/wave.jpg" type="image/jpeg"/></a:entry>
  <a:entry><a:title>PNG link</a:title><a:link rel="enclosure" type="image/png" href="x.png"/></a:entry>
  <a:entry><a:title>Own author</a:title><a:author><a:name>Ann</a:name></a:author>
    <a:link rel="enclosure" href="cloud.jpeg"/></a:entry>
</a:feed>)");
    EXPECT_EQ(channel.title, "Sea & sky");
    EXPECT_EQ(channel.description, "Waves and clouds");
    EXPECT_EQ(channel.copyright, "CC BY 4.0");
    EXPECT_EQ(channel.news, "http://atom.example/photos/index.html");
    ASSERT_EQ(channel.images.size(), 2u);
    EXPECT_EQ(channel.images[0].loc, "http://atom.example/photos/2024/wave.jpg");
    // A plain text title is shown as written, markup characters included.
    EXPECT_EQ(channel.images[0].title, "Out <of> &amp; line");
    EXPECT_EQ(channel.images[0].credit, "Feed Author");
    EXPECT_EQ(channel.images[1].loc, "http://atom.example/photos/cloud.jpeg");
    EXPECT_EQ(channel.images[1].credit, "Ann");
}

// --- Addresses --------------------------------------------------------------

TEST_F(FeedTest, Addresses_ResolveAgainstNestedXmlBaseAndTheFeed) {
    const ChannelDescription channel =
        ReadText(R"(<rss version="2.0" xml:base="http://a.example/x/">
<channel xml:base="y/"><title>Bases</title>
<item xml:base="../z/"><title>Nested</title><enclosure url="pic.jpg" type="image/jpeg"/></item>
<item><title>Own base</title><enclosure xml:base="http://b.example/b/" url="./p/q.jpg"/></item>
<item><title>Root</title><enclosure url="/root.jpg"/></item>
<item><title>Network path</title><enclosure url="//c.example/n.jpg"/></item>
</channel></rss>)");
    ASSERT_EQ(channel.images.size(), 4u);
    EXPECT_EQ(channel.images[0].loc, "http://a.example/x/z/pic.jpg");
    EXPECT_EQ(channel.images[1].loc, "http://b.example/b/p/q.jpg");
    EXPECT_EQ(channel.images[2].loc, "http://a.example/root.jpg");
    EXPECT_EQ(channel.images[3].loc, "http://c.example/n.jpg");

    // Without xml:base, the feed's own address is the base.
    const ChannelDescription plain = ReadText(
        Rss("<item><enclosure url=\"../pics/a.jpg\"/></item>"), "https://f.example/feeds/x.rss");
    ASSERT_EQ(plain.images.size(), 1u);
    EXPECT_EQ(plain.images[0].loc, "https://f.example/pics/a.jpg");
}

TEST_F(FeedTest, Addresses_ResolveUrlFollowsTheStandardExamples) {
    const std::string base = "http://a/b/c/d;p?q";
    EXPECT_EQ(ResolveUrl(base, "g"), "http://a/b/c/g");
    EXPECT_EQ(ResolveUrl(base, "./g"), "http://a/b/c/g");
    EXPECT_EQ(ResolveUrl(base, "g/"), "http://a/b/c/g/");
    EXPECT_EQ(ResolveUrl(base, "/g"), "http://a/g");
    EXPECT_EQ(ResolveUrl(base, "//g"), "http://g");
    EXPECT_EQ(ResolveUrl(base, "?y"), "http://a/b/c/d;p?y");
    EXPECT_EQ(ResolveUrl(base, "g?y"), "http://a/b/c/g?y");
    EXPECT_EQ(ResolveUrl(base, "#s"), "http://a/b/c/d;p?q#s");
    EXPECT_EQ(ResolveUrl(base, ""), "http://a/b/c/d;p?q");
    EXPECT_EQ(ResolveUrl(base, ".."), "http://a/b/");
    EXPECT_EQ(ResolveUrl(base, "../.."), "http://a/");
    EXPECT_EQ(ResolveUrl(base, "../../../g"), "http://a/g");
    EXPECT_EQ(ResolveUrl(base, "/./g"), "http://a/g");
    EXPECT_EQ(ResolveUrl(base, "g;x=1/../y"), "http://a/b/c/y");
    EXPECT_EQ(ResolveUrl(base, "HTTPS://Other/x"), "https://Other/x");
}

TEST_F(FeedTest, Addresses_OnlyWebAddressesAreKept) {
    const ChannelDescription channel = ReadText(Rss(R"(
<item><title>Script</title><enclosure url="javascript:alert(1)//a.jpg"/></item>
<item><title>File</title><enclosure url="file:///etc/passwd.jpg"/></item>
<item><title>Data</title><media:content url="data:image/jpeg;base64,AAAA"/></item>
<item><title>Script base</title><enclosure xml:base="javascript:x/" url="b.jpg"/></item>
<item><title>FTP</title><enclosure url="ftp://x.example/c.jpg"/></item>
<item><title>Web</title><enclosure url="  HTTPS://x.example/ok.jpg  "/></item>
)"));
    ASSERT_EQ(channel.images.size(), 1u);
    EXPECT_EQ(channel.images[0].loc, "https://x.example/ok.jpg");
    EXPECT_EQ(ReadText("<rss><channel><link>javascript:alert(1)</link><item><enclosure "
                       "url=\"http://x.example/a.jpg\"/></item></channel></rss>")
                  .news,
              "");
}

TEST_F(FeedTest, Addresses_DifferingOnlyInQueryGetTwoCacheNames) {
    const ChannelDescription channel = ReadText(Rss(R"(
<item><title>One</title><enclosure url="http://x.example/th.jpg?id=1&amp;w=1920"/></item>
<item><title>Two</title><enclosure url="http://x.example/th.jpg?id=2&amp;w=1920"/></item>
<item><title>Again</title><enclosure url="http://x.example/th.jpg?id=1&amp;w=1920"/></item>
<item><title>Fragment</title><enclosure url="http://x.example/th.jpg#2"/></item>
)"));
    ASSERT_EQ(channel.images.size(), 3u);
    EXPECT_EQ(channel.images[0].loc, "http://x.example/th.jpg?id=1&w=1920");
    EXPECT_EQ(channel.images[1].loc, "http://x.example/th.jpg?id=2&w=1920");
    EXPECT_EQ(channel.images[0].file, "th.jpg");
    std::set<std::string> names;
    for (const ChannelPicture& image : channel.images) {
        EXPECT_TRUE(image.file.ends_with(".jpg")) << image.file;
        names.insert(UpperAscii(image.file));
    }
    EXPECT_EQ(names.size(), 3u);
}

// --- Texts ------------------------------------------------------------------

TEST_F(FeedTest, Texts_HtmlIsShownAsPlainText) {
    EXPECT_EQ(HtmlToPlainText("  <p>One&nbsp;&amp; <b>t</b>wo</p>\n<p>Three&#x2122; &#8212; "
                              "&lt;b&gt;</p><script>alert('x')</script><!-- note -->end "),
              "One & two Three\xE2\x84\xA2 \xE2\x80\x94 <b> end");
    EXPECT_EQ(HtmlToPlainText("a < b &unknown; &#0; &#99999999;"),
              "a < b &unknown; \xEF\xBF\xBD \xEF\xBF\xBD");
    // Latin-1 in a feed that claims UTF-8 still reads.
    EXPECT_EQ(HtmlToPlainText("Gr\xF8nland"), "Gr\xC3\xB8nland");

    const ChannelDescription channel = ReadText(R"(<rss version="2.0"><channel>
<title>  <![CDATA[ Spaced   title ]]>  </title>
<description>&lt;p&gt;Daily &lt;a href="x"&gt;photos&lt;/a&gt;&lt;/p&gt;

&lt;p&gt;from   space&lt;/p&gt;</description>
<copyright>(c) Them</copyright>
<item><title><![CDATA[  Comet &amp; moon  ]]></title><author>a@b.example (Ann Lee)</author>
<enclosure url="http://x.example/a.jpg"/></item>
</channel></rss>)");
    EXPECT_EQ(channel.title, "Spaced title");
    EXPECT_EQ(channel.description, "Daily photos from space");
    EXPECT_EQ(channel.copyright, "(c) Them");
    ASSERT_EQ(channel.images.size(), 1u);
    EXPECT_EQ(channel.images[0].title, "Comet & moon");
    EXPECT_EQ(channel.images[0].credit, "Ann Lee");
}

// --- Hostile feeds ----------------------------------------------------------

TEST_F(FeedTest, Hostile_HugeTitlesAreCutAndItemsBounded) {
    std::string items = "<item><title>" + std::string(100000, 'x') +
                        "</title><enclosure url=\"http://x.example/" + std::string(5000, 'a') +
                        ".jpg\"/><media:content url=\"http://x.example/ok.jpg\"/></item>";
    for (std::size_t i = 0; i < kMaxFeedItems + 50; ++i) {
        items += "<item><enclosure url=\"http://x.example/" + std::to_string(i) + ".jpg\"/></item>";
    }
    const ChannelDescription channel = ReadText(Rss(items));
    ASSERT_EQ(channel.images.size(), kMaxFeedItems);
    EXPECT_LE(channel.images[0].title.size(), 210u);
    EXPECT_TRUE(channel.images[0].title.starts_with("xxxx"));
    EXPECT_EQ(channel.images[0].loc, "http://x.example/ok.jpg");
    EXPECT_EQ(channel.images.back().loc, "http://x.example/998.jpg");
}

TEST_F(FeedTest, Hostile_EntitiesOfADtdAreNeverExpanded) {
    const ChannelDescription channel = ReadText(R"(<?xml version="1.0"?>
<!DOCTYPE rss [
  <!ENTITY lol "lol">
  <!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
  <!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">
  <!ENTITY lol9 "&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;">
  <!ENTITY secret SYSTEM "file:///etc/passwd">
]>
<rss version="2.0"><channel><title>&lol9;</title>
<item><title>&secret;</title><enclosure url="http://x.example/a.jpg"/></item>
</channel></rss>)");
    EXPECT_EQ(channel.title, "&lol9;");
    ASSERT_EQ(channel.images.size(), 1u);
    EXPECT_EQ(channel.images[0].title, "&secret;");
}

TEST_F(FeedTest, Hostile_OtherNamespacePrefixesAndStrayElementsAreRead) {
    // Media RSS under a prefix of the feed's own choosing; "media:" bound to
    // something else is not Media RSS.
    const ChannelDescription channel = ReadText(R"(<rss version="2.0"
    xmlns:m="http://search.yahoo.com/mrss" xmlns:media="urn:other"><channel>
<item><title>Own prefix</title><m:content url="http://x.example/a.jpg" width="10" height="20"/></item>
<item><title>Not media</title><media:content url="http://x.example/b.jpg"/></item>
</channel></rss>)");
    ASSERT_EQ(channel.images.size(), 1u);
    EXPECT_EQ(channel.images[0].loc, "http://x.example/a.jpg");
    EXPECT_EQ(channel.images[0].width, 10);
    EXPECT_EQ(channel.images[0].height, 20);
    // A feed without a title is named after its host.
    EXPECT_EQ(channel.title, "feeds.example");
}

}  // namespace
}  // namespace wylo
