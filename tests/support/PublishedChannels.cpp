#include "support/PublishedChannels.h"

#include <cstdio>

#include "base/Colour.h"
#include "compose/Bitmap.h"
#include "support/JpegWriter.h"

namespace wylo::test {

void PublishChannels(TestHttpServer& server, const std::vector<ChannelSpec>& channels,
                     const std::string& news) {
    std::string providers;
    for (const ChannelSpec& c : channels) {
        providers += "<channel><id>" + c.id + "</id><url>" +
                     server.Url("/c/" + c.id + "/Channel.xml") + "</url></channel>";
        PublishChannel(server, c);
    }
    std::string properties;
    if (!news.empty()) {
        properties = "<PROPERTIES><news>" + news + "</news></PROPERTIES>";
    }
    server.Serve("/wylo/wylo.xml",
                 "<wylo>" + properties + "<PROVIDERS>" + providers + "</PROVIDERS></wylo>");
}

void PublishChannel(TestHttpServer& server, const ChannelSpec& c) {
    const std::string base = "/c/" + c.id + "/";
    std::string images;
    for (std::size_t i = 0; i < c.thumbs.size(); ++i) {
        const std::string n = std::to_string(i);
        const Bitmap thumb =
            PhotoPattern(c.thumbs[i].first, c.thumbs[i].second, static_cast<std::uint32_t>(i + 1));
        server.Serve(base + "thumbs/t" + n + ".jpg", EncodeJpeg(thumb), std::nullopt, "image/jpeg");
        Bitmap image(64, 48);
        image.Fill(MakeColour(200, 100, 40 * static_cast<int>(i)));
        server.Serve(base + "images/i" + n + ".jpg", EncodeJpeg(image), std::nullopt, "image/jpeg");
        const std::string title =
            i < c.imageTitles.size() ? c.imageTitles[i] : "Picture " + std::to_string(i + 1);
        images += "<image><loc>" + server.Url(base + "images/i" + n + ".jpg") + "</loc><thumb>" +
                  server.Url(base + "thumbs/t" + n + ".jpg") + "</thumb><title>" + title +
                  "</title><background>#102030</background><font>#FFFFFF</font></image>";
    }
    std::string preview;
    if (c.preview) {
        server.Serve(base + "preview.jpg", EncodeJpeg(QuadrantPattern(160, 100)), std::nullopt,
                     "image/jpeg");
        preview = "<preview>" + server.Url(base + "preview.jpg") + "</preview>";
    }
    server.Serve(base + "Channel.xml",
                 "<provider><title>" + c.title + "</title><description>" + c.description +
                     "</description><subscription>" + c.subscription + "</subscription><legal>" +
                     c.legal + "</legal>" + preview + "<copyright>" + c.copyright +
                     "</copyright><news>" + c.news + "</news><images>" + images +
                     "</images></provider>",
                 c.lastModified);
}

void PublishFlatChannel(TestHttpServer& server, int count, const std::string& extraImages,
                        std::optional<std::time_t> lastModified) {
    server.Serve("/wylo.xml", "<wylo><PROVIDERS><p><id>dunes</id><url>" +
                                  server.Url("/dunes/Channel.xml") +
                                  "</url></p></PROVIDERS></wylo>");
    std::string images;
    for (int k = 0; k < count; ++k) {
        const std::string path = "/dunes/img" + std::to_string(k) + ".jpg";
        Bitmap picture(FlatChannel::kImageWidth, FlatChannel::kImageHeight);
        picture.Fill(FlatChannel::ImageColour(k));
        server.Serve(path, EncodeJpeg(picture), lastModified, "image/jpeg");
        images += "<image><loc>" + server.Url(path) + "</loc><title>" +
                  (k == 0 ? std::string("Dunes") : "Image " + std::to_string(k)) +
                  "</title><background>" + HexText(FlatChannel::BackgroundOf(k)) +
                  "</background><font>" + HexText(FlatChannel::FontOf(k)) + "</font></image>";
    }
    server.Serve("/dunes/Channel.xml", "<provider><title>Dunes</title><images>" + images +
                                           extraImages + "</images></provider>");
}

std::string HexText(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
}

}  // namespace wylo::test
