// The receive loop against a scripted source on a virtual clock: a TNC that is not there yet, a
// connection that drops, the station filter, and one message per change of state.

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "aprs/KissReceiver.h"
#include "serial/Clock.h"

namespace {

using vanteo::aprs::HeardPacket;
using vanteo::aprs::KissByteSource;
using vanteo::aprs::KissReceiver;

// One step of the scripted TNC: refuse the connection, hand over bytes, or drop the connection.
struct Step {
    enum Kind { refuse, bytes, drop } kind;
    std::vector<std::uint8_t> data;
};

class ScriptedSource final : public KissByteSource {
public:
    explicit ScriptedSource(std::deque<Step> steps) : steps_(std::move(steps)) {}
    bool Open(std::string& error) override {
        ++opens;
        if (!steps_.empty() && steps_.front().kind == Step::refuse) {
            steps_.pop_front();
            error = "Connection refused";
            return false;
        }
        return true;
    }
    void Close() override {}
    ReadStatus Read(std::uint8_t* buffer, std::size_t capacity, int, std::size_t& count) override {
        count = 0;
        if (steps_.empty()) {
            done = true;
            return ReadStatus::timeout;
        }
        Step step = steps_.front();
        steps_.pop_front();
        if (step.kind == Step::drop) {
            return ReadStatus::lost;
        }
        count = std::min(capacity, step.data.size());
        std::copy_n(step.data.begin(), count, buffer);
        return ReadStatus::data;
    }
    std::string Describe() const override { return "KISS TCP 127.0.0.1:8001"; }

    int opens = 0;
    bool done = false;

private:
    std::deque<Step> steps_;
};

// "!4903.50N/07201.75W-" from CALL-SSID to APRS, no path, in one KISS frame.
std::vector<std::uint8_t> Beacon(const std::string& call, int ssid) {
    std::vector<std::uint8_t> out = {0xC0, 0x00, 0x82, 0xA0, 0xA4, 0xA6, 0x40, 0x40, 0x60};
    for (std::size_t i = 0; i < 6; ++i) {
        out.push_back(static_cast<std::uint8_t>((i < call.size() ? call[i] : ' ') << 1));
    }
    out.push_back(static_cast<std::uint8_t>(0x61 | ssid << 1));
    const std::string info = "!4903.50N/07201.75W-";
    out.insert(out.end(), {0x03, 0xF0});
    out.insert(out.end(), info.begin(), info.end());
    out.push_back(0xC0);
    return out;
}

TEST(KissReceiverTest, RetriesQuietlyReconnectsAndFilters) {
    ScriptedSource source({{Step::refuse, {}},
                           {Step::refuse, {}},
                           {Step::refuse, {}},
                           {Step::bytes, Beacon("N0CALL", 7)},
                           {Step::bytes, Beacon("N0CALL", 8)},
                           {Step::bytes, Beacon("OTHER", 7)},
                           {Step::drop, {}},
                           {Step::bytes, Beacon("N0CALL", 7)}});
    vanteo::VirtualClock clock;
    KissReceiver receiver(source, clock);
    receiver.SetStation(vanteo::aprs::ParseAx25Address("n0call-7"));
    std::vector<std::string> messages;
    std::vector<std::string> heard;
    receiver.Run({[&] { return source.done; },
                  [&](const HeardPacket& p) { heard.push_back(p.frame.source.ToString()); },
                  [&](const std::string& m) { messages.push_back(m); }});

    EXPECT_EQ(heard, (std::vector<std::string>{"N0CALL-7", "N0CALL-7"}));
    EXPECT_EQ(receiver.OtherStations(), 2);
    EXPECT_EQ(source.opens, 5);
    EXPECT_EQ(
        messages,
        (std::vector<std::string>{
            "Nothing listens on KISS TCP 127.0.0.1:8001 (Connection refused). Is the TNC "
            "running? Trying again every 2 s.",
            "Listening on KISS TCP 127.0.0.1:8001.", "Lost KISS TCP 127.0.0.1:8001; reconnecting.",
            "Listening on KISS TCP 127.0.0.1:8001."}));
    // Three refusals and one loss, each followed by the retry pause, on the virtual clock.
    EXPECT_EQ(clock.NowMs(), 4 * KissReceiver::kRetryDelayMs);

    // All stations: nothing left out.
    ScriptedSource all({{Step::bytes, Beacon("OTHER", 7)}, {Step::bytes, Beacon("N0CALL", 7)}});
    KissReceiver everyone(all, clock);
    heard.clear();
    everyone.Run({[&] { return all.done; },
                  [&](const HeardPacket& p) { heard.push_back(p.frame.source.ToString()); },
                  [](const std::string&) {}});
    EXPECT_EQ(heard, (std::vector<std::string>{"OTHER-7", "N0CALL-7"}));
}

}  // namespace
