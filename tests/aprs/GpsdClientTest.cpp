// The listener's position from gpsd, against a stand-in gpsd on the loopback interface that
// speaks its line-delimited JSON: the VERSION greeting, ?WATCH, then fix reports (TPV). Every
// wait is bounded.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "aprs/GpsdClient.h"
#include "serial/LoopbackListener.h"
#include "tests/support/WaitFor.h"

namespace {

using vanteo::aprs::GpsdClient;
using vanteo::test::WaitFor;

// A listening loopback socket on `port` (0: one the system chose, written back).
int Listen(int& port) {
    std::string error;
    return vanteo::ListenOnLoopback(port, 1, error);
}

// Waits up to 10 s for `fd` to be readable.
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 10000) == 1;
}

void Send(int fd, const std::string& line) {
    ASSERT_EQ(send(fd, line.data(), line.size(), MSG_NOSIGNAL), static_cast<ssize_t>(line.size()));
}

// Nothing on the port, then a gpsd that first has no fix, then one, then loses it, then goes
// away: the client says why it has no position, picks the fix up after connecting by itself,
// keeps the last fix when the receiver loses it, and names the loss of gpsd.
TEST(GpsdClient, NoGpsdThenAFixThenItsLoss) {
    int port = 0;
    const int probe = Listen(port);  // a free port, held by nobody once closed
    ASSERT_GE(probe, 0);
    close(probe);
    const std::string where = "127.0.0.1:" + std::to_string(port);

    GpsdClient client("127.0.0.1", port);
    EXPECT_FALSE(client.HasTried());
    client.Start();
    ASSERT_TRUE(WaitFor([&] { return client.Problem().rfind("No gpsd runs on ", 0) == 0; }, 10))
        << client.Problem();
    EXPECT_EQ(client.Problem().rfind("No gpsd runs on " + where + " (", 0), 0u) << client.Problem();
    EXPECT_TRUE(client.HasTried());
    EXPECT_FALSE(client.Position());

    const int server = Listen(port);
    ASSERT_GE(server, 0);
    ASSERT_TRUE(Readable(server)) << "the client did not try again";
    const int peer = accept(server, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    Send(peer,
         "{\"class\":\"VERSION\",\"release\":\"3.22\",\"rev\":\"3.22\",\"proto_major\":3,"
         "\"proto_minor\":14}\r\n");
    std::string asked;
    while (asked.find('\n') == std::string::npos && Readable(peer)) {
        char bytes[256];
        const ssize_t count = recv(peer, bytes, sizeof bytes, 0);
        if (count <= 0) {
            break;
        }
        asked.append(bytes, static_cast<std::size_t>(count));
    }
    EXPECT_EQ(asked.rfind("?WATCH={\"enable\":true,\"json\":true", 0), 0u) << asked;

    // The receiver has no fix yet (mode 1): nothing to measure from.
    Send(peer, "{\"class\":\"TPV\",\"device\":\"/dev/ttyACM0\",\"mode\":1}\r\n");
    EXPECT_TRUE(
        WaitFor([&] { return client.Problem() == "gpsd on " + where + " has no fix yet"; }, 10))
        << client.Problem();
    Send(peer,
         "{\"class\":\"TPV\",\"device\":\"/dev/ttyACM0\",\"mode\":3,"
         "\"time\":\"2026-09-19T18:00:00.000Z\",\"lat\":40.8812,\"lon\":-119.0631,"
         "\"altHAE\":1190.0}\r\n");
    ASSERT_TRUE(WaitFor([&] { return client.Position().has_value(); }, 10)) << client.Problem();
    EXPECT_NEAR(client.Position()->latitudeDeg, 40.8812, 1e-9);
    EXPECT_NEAR(client.Position()->longitudeDeg, -119.0631, 1e-9);
    EXPECT_EQ(client.Problem(), "");

    // The fix lost: the last one is still the best guess of where the listener stands.
    Send(peer, "{\"class\":\"TPV\",\"device\":\"/dev/ttyACM0\",\"mode\":1}\r\n");
    close(peer);
    close(server);
    EXPECT_TRUE(
        WaitFor([&] { return client.Problem() == "gpsd on " + where + " stopped answering"; }, 10))
        << client.Problem();
    ASSERT_TRUE(client.Position());
    EXPECT_NEAR(client.Position()->latitudeDeg, 40.8812, 1e-9);
    client.Stop();
}

}  // namespace
