#include "BenchCases.h"

#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/Placement.h"

namespace wylo::bench {

std::vector<BenchCase> BenchCases() {
    return {
        // The conversion a desktop change runs for every image.
        {"JpegFileToBmpFile",
         [](const BenchPhoto& p) { JpegFileToBmpFile(p.work / "wylo.bmp", p.jpeg); }},
        // Its parts, to see where the time goes.
        {"  DecodeJpegFile", [](const BenchPhoto& p) { DecodeJpegFile(p.jpeg); }},
        {"  WriteBmpFile",
         [](const BenchPhoto& p) { WriteBmpFile(p.work / "written.bmp", *p.decoded); }},
        {"  ReadBmpFile", [](const BenchPhoto& p) { ReadBmpFile(p.work / "wylo.bmp"); }},
        // Loading the converted file and fitting it into a 1920 x 1080 monitor.
        {"ReadBmpFile + DrawFitted 1920x1080",
         [](const BenchPhoto& p) {
             Bitmap monitor(1920, 1080);
             DrawFitted(monitor, ReadBmpFile(p.work / "wylo.bmp"));
         }},
    };
}

}  // namespace wylo::bench
