// The receive path from KISS bytes to positions, on examples worked by hand: KISS framing and
// AX.25 addresses byte by byte, each APRS position form with its arithmetic in the comments, and
// one table of malformed input of every kind, each followed by a good frame that must still come
// through (a bad frame is counted and skipped, never the end of reception).

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "aprs/AprsPacketDecoder.h"
#include "aprs/AprsReport.h"
#include "aprs/Ax25Frame.h"
#include "aprs/KissDecoder.h"

namespace {

using vanteo::aprs::AprsFormat;
using vanteo::aprs::AprsPacketDecoder;
using vanteo::aprs::AprsReport;
using vanteo::aprs::DecodeAprs;
using vanteo::aprs::HeardPacket;
using Bytes = std::vector<std::uint8_t>;

// N0CALL-7 > APRS via WIDE1-1 (repeated), as a TNC passes it on, without the information field.
// Each callsign character is ASCII shifted left once ('A' 0x41 -> 0x82, ' ' -> 0x40); the SSID
// byte is 0x60 (reserved bits) | SSID << 1, with 0x80 for "has been repeated" on a digipeater and
// bit 0 on the last address.
const Bytes kHeader = {
    0x82, 0xA0, 0xA4, 0xA6, 0x40, 0x40, 0x60,  // APRS, SSID 0
    0x9C, 0x60, 0x86, 0x82, 0x98, 0x98, 0x6E,  // N0CALL, SSID 7
    0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0xE3,  // WIDE1, SSID 1, repeated, last address
    0x03, 0xF0,                                // UI frame, no layer 3
};

Bytes Frame(const std::string& info) {
    Bytes frame = kHeader;
    frame.insert(frame.end(), info.begin(), info.end());
    return frame;
}

// FEND, data command on port 0, the frame (escaped), FEND.
Bytes Kiss(const Bytes& frame) {
    Bytes out = {0xC0, 0x00};
    for (const std::uint8_t b : frame) {
        if (b == 0xC0) {
            out.insert(out.end(), {0xDB, 0xDC});
        } else if (b == 0xDB) {
            out.insert(out.end(), {0xDB, 0xDD});
        } else {
            out.push_back(b);
        }
    }
    out.push_back(0xC0);
    return out;
}

std::vector<HeardPacket> FeedAll(AprsPacketDecoder& decoder, const Bytes& bytes) {
    std::vector<HeardPacket> packets;
    decoder.Feed(bytes.data(), bytes.size(), packets);
    return packets;
}

TEST(KissAx25Test, FrameByteByByteWithEscapesPortAndPath) {
    // Port 1 (command 0x10), the info ">" C0 DB "!" escaped by hand, fed one byte at a time.
    Bytes stream = {0xC0, 0x10};
    stream.insert(stream.end(), kHeader.begin(), kHeader.end());
    stream.insert(stream.end(), {'>', 0xDB, 0xDC, 0xDB, 0xDD, '!', 0xC0});
    AprsPacketDecoder decoder;
    std::vector<HeardPacket> packets;
    for (const std::uint8_t b : stream) {
        decoder.Feed(&b, 1, packets);
    }
    ASSERT_EQ(packets.size(), 1u);
    const HeardPacket& packet = packets[0];
    EXPECT_EQ(packet.port, 1);
    EXPECT_EQ(packet.frame.destination.ToString(), "APRS");
    EXPECT_EQ(packet.frame.source.ToString(), "N0CALL-7");
    ASSERT_EQ(packet.frame.path.size(), 1u);
    EXPECT_EQ(packet.frame.path[0].ToString(), "WIDE1-1");
    EXPECT_TRUE(packet.frame.path[0].repeated);
    EXPECT_EQ(packet.frame.info, std::string(">\xC0\xDB!"));
    EXPECT_EQ(packet.frame.ToMonitorText(), "N0CALL-7>APRS,WIDE1-1*:>\xC0\xDB!");
    EXPECT_EQ(packet.report.format, AprsFormat::other);  // a status: kept raw
    EXPECT_EQ(packet.report.comment, packet.frame.info);

    // Two frames in one read, an idle FEND between them.
    Bytes two = Kiss(Frame(">a"));
    const Bytes second = Kiss(Frame(">b"));
    two.insert(two.end(), second.begin(), second.end());
    packets = FeedAll(decoder, two);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1].frame.info, ">b");
}

TEST(KissAx25Test, TypedStationAddresses) {
    struct Row {
        const char* text;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"n0call-7", "N0CALL-7"},  {"N0CALL", "N0CALL"},       {"N0CALL-0", "N0CALL"},
        {"AB1CD-15", "AB1CD-15"},  {"AB1CD-16", std::nullopt}, {"AB1CD-07", std::nullopt},
        {"TOOLONG", std::nullopt}, {"N0-CALL", std::nullopt},  {"", std::nullopt},
        {"N0CALL-", std::nullopt}, {"N0C/LL", std::nullopt},
    };
    for (const Row& row : rows) {
        const auto parsed = vanteo::aprs::ParseAx25Address(row.text);
        EXPECT_EQ(parsed ? std::optional<std::string>(parsed->ToString()) : std::nullopt,
                  row.expected)
            << row.text;
    }
}

struct PositionRow {
    const char* name;
    const char* destination;
    const char* info;
    AprsFormat format;
    double latitude;
    double longitude;
    std::optional<double> altitudeM;
    std::optional<int> course;
    std::optional<double> speedKnots;
    char table;
    char code;
    const char* timestamp;
    const char* comment;
};

// Tolerances: 1e-6 degrees (0.1 m) for positions, 0.01 m, 0.01 knots.
const PositionRow kPositions[] = {
    // 49 deg 03.50' N = 49 + 3.50 / 60 = 49.0583333; 72 deg 01.75' W = -(72 + 1.75 / 60)
    // = -72.0291667. /A=001234 feet x 0.3048 = 376.1232 m, taken out of the comment; the
    // CR LF some trackers end with is dropped too.
    {"plain", "APRS", "!4903.50N/07201.75W-Test /A=001234\r\n", AprsFormat::uncompressed,
     49.0583333, -72.0291667, 376.1232, std::nullopt, std::nullopt, '/', '-', "", "Test "},
    // "088/036": course 88 degrees, 36 knots; '=' is the same with messaging.
    {"course speed", "APRS", "=4903.50N/07201.75W>088/036", AprsFormat::uncompressed, 49.0583333,
     -72.0291667, std::nullopt, 88, 36.0, '/', '>', "", ""},
    // With a timestamp (day 09, 23:45 UTC); a negative altitude "-00100" is -30.48 m. South and
    // east: -(33 + 25.64 / 60) = -33.4273333, 151 + 12.06 / 60 = 151.201.
    {"timestamp", "APRS", "@092345z3325.64S\\15112.06E>000/012/A=-00100 up",
     AprsFormat::uncompressed, -33.4273333, 151.201, -30.48, std::nullopt, 12.0, '\\', '>',
     "092345z", " up"},
    {"timestamp no messaging", "APRS", "/234517h4903.50N/07201.75WO", AprsFormat::uncompressed,
     49.0583333, -72.0291667, std::nullopt, std::nullopt, std::nullopt, '/', 'O', "234517h", ""},
    // Position ambiguity: spaces read as 0, so 49 deg 03' = 49.05, 72 deg 01' W.
    {"ambiguity", "APRS", "!4903.  N/07201.  W-", AprsFormat::uncompressed, 49.05, -72.0166667,
     std::nullopt, std::nullopt, std::nullopt, '/', '-', "", ""},
    // Base-91 digits are the character - 33. "5L!!" = 20*91^3 + 43*91^2 + 0 + 0 = 15071420 +
    // 356083 = 15427503; 90 - 15427503 / 380926 = 90 - 40.5 = 49.5. "<*e7" = 27*91^3 + 9*91^2 +
    // 68*91 + 22 = 20346417 + 74529 + 6188 + 22 = 20427156; -180 + 20427156 / 190463 =
    // -180 + 107.2499961 = -72.7500039. cs "7P" with T '[' (58 = 0b111010, bits 3-4 = 3, not
    // GGA): course (55 - 33) * 4 = 88, speed 1.08^(80 - 33) - 1 = 1.08^47 - 1 = 36.2320 knots.
    {"compressed course speed", "APRS", "!/5L!!<*e7>7P[ rest", AprsFormat::compressed, 49.5,
     -72.7500039, std::nullopt, 88, 36.2320, '/', '>', "", " rest"},
    // T 'S' (50 = 0b110010, bits 3-4 = 2: GGA) makes cs "S]" an altitude: 50 * 91 + 60 = 4610,
    // 1.002^4610 = e^(4610 x 0.0019980) = e^9.21079 = 10004.5 feet = 3049.38 m.
    {"compressed altitude", "APRS", "=/5L!!<*e7OS]S", AprsFormat::compressed, 49.5, -72.7500039,
     3049.38, std::nullopt, std::nullopt, '/', 'O', "", ""},
    // With a timestamp, and cs a space: nothing but the position.
    {"compressed timestamp", "APRS", "@092345z/5L!!<*e7>  ! ", AprsFormat::compressed, 49.5,
     -72.7500039, std::nullopt, std::nullopt, std::nullopt, '/', '>', "092345z", " "},
    // Mic-E. Destination "332UVT": digits 3 3 2 5 6 4, so 33 deg 25.64'; 'U' (P-Z) north, 'V'
    // adds 100 to the longitude degrees, 'T' west: 33 + 25.64 / 60 = 33.4273333.
    // Info: '(' 40 - 28 = 12 + 100 = 112 deg, '_' 95 - 28 = 67, less 60 = 7 minutes (minutes
    // under 10 are sent + 60), 'f' 102 - 28 = 74 hundredths: -(112 + 7.74 / 60) = -112.129. 'n' 110
    // - 28 = 82, 'P' 80 - 28 = 52, 'O' 79 -
    // 28 = 51: speed 82 * 10 + 52 / 10 = 825 - 800 = 25 knots, course (52 % 10) * 100 + 51 =
    // 251. Symbol '>' on table '/'. Altitude "\"UD}": 1 * 8281 + 52 * 91 + 35 = 13048 - 10000
    // = 3048 m.
    {"Mic-E", "332UVT", "`(_fnPO>/\"UD} rocket", AprsFormat::micE, 33.4273333, -112.129, 3048.0,
     251, 25.0, '/', '>', "", " rocket"},
    // Destination "3325V4": '5' south, 'V' +100, '4' east. Longitude byte '~' 126 - 28 = 98 +
    // 100 = 198, in 190-199 so 198 - 190 = 8 deg: 8 + 7.74 / 60 = 8.129. Speed/course bytes
    // "l" 108 - 28 = 80 (800 -> 0 knots), '\x1c' 0, '\x1c' 0: course 0 is "not known".
    // A type byte ']' before the altitude "!!!}" (0 - 10000 = -10000 m) stays in the comment.
    {"Mic-E south east", "3325V4", "'~_fl\x1c\x1c>/]!!!}x", AprsFormat::micE, -33.4273333, 8.129,
     -10000.0, std::nullopt, 0.0, '/', '>', "", "]x"},
};

TEST(AprsPositionTest, HandWorkedForms) {
    for (const PositionRow& row : kPositions) {
        SCOPED_TRACE(row.name);
        const AprsReport report = DecodeAprs(row.destination, row.info);
        ASSERT_EQ(report.format, row.format) << report.error;
        EXPECT_NEAR(report.latitudeDeg, row.latitude, 1e-6);
        EXPECT_NEAR(report.longitudeDeg, row.longitude, 1e-6);
        ASSERT_EQ(report.altitudeM.has_value(), row.altitudeM.has_value());
        if (row.altitudeM) {
            EXPECT_NEAR(*report.altitudeM, *row.altitudeM, 0.05);
        }
        EXPECT_EQ(report.courseDeg, row.course);
        ASSERT_EQ(report.speedKnots.has_value(), row.speedKnots.has_value());
        if (row.speedKnots) {
            EXPECT_NEAR(*report.speedKnots, *row.speedKnots, 0.01);
        }
        EXPECT_EQ(report.symbolTable, row.table);
        EXPECT_EQ(report.symbolCode, row.code);
        EXPECT_EQ(report.timestamp, row.timestamp);
        EXPECT_EQ(report.comment, row.comment);
    }
}

// Every kind of bad input, each in one stream followed by a good position: the bad part is
// counted where it belongs and the good frame after it decodes.
TEST(AprsMalformedTest, BadInputIsCountedAndSkipped) {
    enum class Counted { skippedOnly, otherCommand, badEscape, oversize, badFrame, keptRaw };
    struct Row {
        const char* name;
        Bytes stream;
        Counted counted;
        const char* error;  // AX.25 or APRS reason, "" when none
    };
    auto withInfo = [](const std::string& info) { return Kiss(Frame(info)); };
    auto header = [](std::size_t size) {
        return Kiss(Bytes(kHeader.begin(), kHeader.begin() + static_cast<long>(size)));
    };
    Bytes nineDigis(kHeader.begin(), kHeader.begin() + 14);
    for (int i = 0; i < 9; ++i) {
        nineDigis.insert(nineDigis.end(), {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x62});
    }
    nineDigis.back() = 0x63;
    nineDigis.insert(nineDigis.end(), {0x03, 0xF0, '>'});
    Bytes lowerCase = Frame(">x");
    lowerCase[7] = 'n' << 1;
    Bytes spaceInside = Frame(">x");
    spaceInside[8] = 0x40;  // "N CALL"
    Bytes oneAddress = Frame(">x");
    oneAddress[6] = 0x61;
    Bytes notUi = Frame(">x");
    notUi[21] = 0x3F;  // SABM
    Bytes oddCallByte = Frame(">x");
    oddCallByte[2] |= 0x01;

    const std::vector<Row> rows = {
        {"joined mid-frame", {'j', 'u', 'n', 'k'}, Counted::skippedOnly, ""},
        {"not a data frame", {0xC0, 0x01, 0x32, 0xC0}, Counted::otherCommand, ""},
        {"escape of nothing", {0xC0, 0x00, 0x82, 0xDB, 0x41, 0x82, 0xC0}, Counted::badEscape, ""},
        {"escape cut by FEND", {0xC0, 0x00, 0x82, 0xDB, 0xC0}, Counted::badEscape, ""},
        {"longer than any frame",
         [] {
             Bytes b(3000, 0x82);
             b.insert(b.begin(), {0xC0, 0x00});
             b.push_back(0xC0);
             return b;
         }(),
         Counted::oversize, ""},
        {"address cut short", header(5), Counted::badFrame, "address field cut short"},
        {"lower-case callsign", Kiss(lowerCase), Counted::badFrame, "address 2 is not a callsign"},
        {"space inside callsign", Kiss(spaceInside), Counted::badFrame,
         "address 2 is not a callsign"},
        {"callsign byte with bit 0", Kiss(oddCallByte), Counted::badFrame,
         "address 1 is not a callsign"},
        {"destination only", Kiss(oneAddress), Counted::badFrame, "no source address"},
        {"nine digipeaters", Kiss(nineDigis), Counted::badFrame, "more than 8 digipeaters"},
        {"no control byte", header(21), Counted::badFrame, "no control and protocol bytes"},
        {"not UI", Kiss(notUi), Counted::badFrame, "not a UI frame"},
        {"no information", header(23), Counted::badFrame, "empty information field"},
        {"position cut short", withInfo("!4903.50N/0720"), Counted::keptRaw, "position cut short"},
        {"letter in latitude", withInfo("!49X3.50N/07201.75W-"), Counted::keptRaw,
         "position is not DDMM.mmN/DDDMM.mmW"},
        {"60 minutes", withInfo("!4960.00N/07201.75W-"), Counted::keptRaw,
         "position is not DDMM.mmN/DDDMM.mmW"},
        {"latitude past 90", withInfo("!9100.00N/07201.75W-"), Counted::keptRaw,
         "position is not DDMM.mmN/DDDMM.mmW"},
        {"hemisphere X", withInfo("!4903.50X/07201.75W-"), Counted::keptRaw,
         "position is not DDMM.mmN/DDDMM.mmW"},
        {"compressed cut short", withInfo("!/5L!!<*e7>"), Counted::keptRaw,
         "compressed position cut short"},
        {"compressed not base-91", withInfo("!/5L!~<*e7>7P["), Counted::keptRaw,
         "compressed position is not base-91"},
        {"compressed past -90", withInfo("!/{{{{<*e7>7P["), Counted::keptRaw,
         "compressed position out of range"},
        {"neither form", withInfo("!#garbage"), Counted::keptRaw,
         "position is neither plain nor compressed"},
        {"timestamp cut short", withInfo("@0923"), Counted::keptRaw, "timestamp cut short"},
        {"Mic-E bad destination", withInfo("`(_fnPO>/"), Counted::keptRaw,
         "Mic-E destination is not six characters"},
        {"Mic-E cut short", withInfo("`(_f"), Counted::keptRaw, "Mic-E information cut short"},
        {"unknown type", withInfo(">status text"), Counted::keptRaw, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AprsPacketDecoder decoder;
        Bytes stream = row.stream;
        const Bytes good = withInfo("!4903.50N/07201.75W-");
        stream.insert(stream.end(), good.begin(), good.end());
        const std::vector<HeardPacket> packets = FeedAll(decoder, stream);
        const auto& kiss = decoder.KissStats();
        EXPECT_EQ(kiss.otherCommands, row.counted == Counted::otherCommand ? 1 : 0);
        EXPECT_EQ(kiss.badEscapes, row.counted == Counted::badEscape ? 1 : 0);
        EXPECT_EQ(kiss.oversizeFrames, row.counted == Counted::oversize ? 1 : 0);
        EXPECT_EQ(decoder.BadFrames(), row.counted == Counted::badFrame ? 1 : 0);
        if (row.counted == Counted::badFrame) {
            EXPECT_EQ(decoder.LastError(), row.error);
        }
        const std::size_t expectedPackets = row.counted == Counted::keptRaw ? 2 : 1;
        ASSERT_EQ(packets.size(), expectedPackets);
        if (row.counted == Counted::keptRaw) {
            EXPECT_EQ(packets[0].report.format, AprsFormat::other);
            EXPECT_EQ(packets[0].report.error, row.error);
            EXPECT_EQ(packets[0].report.comment, packets[0].frame.info);
        }
        EXPECT_EQ(packets.back().report.format, AprsFormat::uncompressed);
    }
    // Mic-E destinations that cannot carry a latitude.
    const std::pair<const char*, const char*> destinations[] = {
        {"33@UVT", "Mic-E destination has a character outside 0-9, A-L, P-Z"},
        {"3370PT", "Mic-E latitude minutes past 59"},
        {"9925PT", "Mic-E latitude past 90"},
    };
    for (const auto& [destination, error] : destinations) {
        const AprsReport report = DecodeAprs(destination, "`(_fnPO>/");
        EXPECT_EQ(report.format, AprsFormat::other) << destination;
        EXPECT_EQ(report.error, error) << destination;
    }
}

}  // namespace
