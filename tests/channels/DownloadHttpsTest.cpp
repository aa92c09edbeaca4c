#include <filesystem>
#include <iterator>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "support/TempDir.h"
#include "support/TestTlsServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// The library Wylo links speaks TLS and checks the server's certificate: a
// host that nobody vouches for gets no request at all, and nothing of the
// cache changes.
TEST(DownloadHttpsTest, AnUntrustedServerIsRefusedBeforeAnyRequestAndTheCacheIsUntouched) {
    test::TestTlsServer server;
    test::TempDir dir;
    ManualClock clock{EncodeDateTime({2026, 12, 9, 12, 0, 0})};
    HttpClient client;

    const fs::path fresh = dir / "fresh.jpg";
    const DownloadOutcome refused =
        DownloadFileWithReason(client, server.Url("/fresh.jpg"), fresh, clock);
    EXPECT_FALSE(refused.ok);
    EXPECT_THAT(refused.reason, testing::HasSubstr("certificate"));
    EXPECT_FALSE(fs::exists(fresh));

    const fs::path cached = dir / "cached.jpg";
    WriteFile(cached, "cached");
    const auto outcomes = DownloadFiles(
        client,
        {{server.Url("/cached.jpg"), cached}, {server.Url("/other.jpg"), dir / "other.jpg"}},
        clock);
    ASSERT_EQ(outcomes.size(), 2U);
    // A copy the host cannot be asked about stays in use, as with any host
    // that cannot be reached.
    EXPECT_TRUE(outcomes[0].ok) << outcomes[0].reason;
    EXPECT_EQ(ReadFile(cached), "cached");
    EXPECT_FALSE(outcomes[1].ok);
    EXPECT_THAT(outcomes[1].reason, testing::HasSubstr("certificate"));
    // Nothing else was written, not even a partial file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    EXPECT_GE(server.Connections(), 3);
    EXPECT_EQ(server.Requests(), 0);
}

}  // namespace
}  // namespace wylo
