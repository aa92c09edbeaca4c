// Saves the way Wylo does, over and over, until it is killed: the child
// process of the leftover tests, which kill it half-way through a save.
//   leftover-writer settings FILE     atomic saves of a large settings file
//   leftover-writer bmp FILE          BMP writes of a large picture
//   leftover-writer download URL FILE one download (the test's server trickles)

#include <cstdio>
#include <string>

#include "base/Clock.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "compose/Bitmap.h"
#include "compose/BmpFile.h"
#include "settings/AtomicFile.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "settings") {
        const std::string bytes = "[Settings]\n" + std::string(64 * 1024 * 1024, ';') + "\n";
        for (;;) {
            wylo::WriteFileAtomically(argv[2], bytes);
        }
    }
    if (mode == "bmp") {
        wylo::Bitmap picture(6000, 4000);
        for (;;) {
            wylo::WriteBmpFile(argv[2], picture);
        }
    }
    if (mode == "download" && argc == 4) {
        wylo::HttpClient client;
        wylo::DownloadFile(client, argv[2], argv[3], wylo::Clock::System());
        return 1;
    }
    return 2;
}
