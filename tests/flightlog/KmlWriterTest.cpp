#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/KmlWriter.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

const std::string kHeaderStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://earth.google.com/kml/2.0\">\n"
    "<Placemark>\n"
    "  <name>gps</name>\n"
    "  <Style id=\"khStyle690\">\n"
    "    <LineStyle id=\"khLineStyle694\">\n"
    "       <color>ff00ffff</color>\n"
    "       <width>4</width>\n"
    "    </LineStyle>\n"
    "  </Style>\n"
    "<MultiGeometry id=\"khMultiGeometry697\">\n"
    "<LineString id=\"khLineString698\">\n"
    "<tessellate>1</tessellate>\n"
    "<altitudeMode>absolute</altitudeMode>\n";

const std::string kFooter =
    "\n      </coordinates>\n"
    "    </LineString>\n"
    "  </MultiGeometry>\n"
    "</Placemark>\n"
    "</kml>\n\n\n";

const std::string kZeroAltitudes =
    "<!-- base    : 0m or     0 feet -->\n"
    "<!-- max MSL : 0m or     0 feet -->\n"
    "<!-- max AGL : 0m or     0 feet -->\n";

// Places `bytes` into `image` from `position` on.
void Put(std::vector<std::uint32_t>& image, std::size_t position,
         std::initializer_list<std::uint32_t> bytes) {
    for (const std::uint32_t byte : bytes) {
        image.at(position++) = byte;
    }
}

// What lies between "<coordinates>\n" and the footer.
std::string CoordinatesSection(const std::string& document) {
    const std::string open = "<coordinates>\n";
    const std::size_t start = document.find(open);
    const std::size_t end = document.find(kFooter);
    if (start == std::string::npos || end == std::string::npos || end < start) {
        return "<malformed>";
    }
    return document.substr(start + open.size(), end - start - open.size());
}

class KmlWriterTest : public ::testing::Test {
protected:
    std::string Write(const std::vector<std::uint32_t>& image, bool compress = false,
                      bool hoursMinutes = false, std::uint32_t checksum = 0) {
        std::string out;
        WriteKml(out, image, caps, KmlWriterInputs{details, flags, checksum}, compress,
                 hoursMinutes);
        return out;
    }

    TrackerCapabilities caps;
    FlightDetails details;
    FlagBytes flags;
};

// A 64-value log of 13-byte records: a fix at 0, a skipped record at 13 (first byte 0, but not
// an end mark), the documented record at 26 and an end mark at 39.
TEST_F(KmlWriterTest, WholeDocumentForThirteenByteRecords) {
    std::vector<std::uint32_t> image(64, 0);
    Put(image, 0, {0x0A, 0x05, 0x00, 0x00, 0x2D, 0x00, 0x00, 0x80, 0x01, 0x02, 0x03, 0x05, 0x3B});
    Put(image, 13, {0x00, 0x01});
    Put(image, 26, {0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05, 0x05, 0x00, 0x0C, 0x22, 0x07, 0x2D});
    Put(image, 39, {0xA5, 0xA5, 0xA5, 0xA5});
    details = {"Ann", "Rocket--X", "2009-06-15", "H128", "first flight"};
    flags = {0xA5, 0x00, 0x10, 0x03};

    const std::string expected = kHeaderStart +
                                 "<!-- Name       : Ann -->\n"
                                 "<!-- Rocket Name: Rocket- -X -->\n"
                                 "<!-- Date       : 2009-06-15 -->\n"
                                 "<!-- Motor      : H128 -->\n"
                                 "<!-- Comments   : first flight -->\n"
                                 "<!-- Option 1   : a5 -->\n"
                                 "<!-- Option 2   : 0 -->\n"
                                 "<!-- Option 3   : 10 -->\n"
                                 "<!-- Option 4   : 3 -->\n"
                                 "<coordinates>\n" +
                                 kZeroAltitudes +
                                 "\n10.083333,-45.000000,10203 <!-- 0 sats:5 secs:59 -->"
                                 "\n-60.508350,37.250842,01234 <!-- 26 sats:7 secs:45 -->" +
                                 kFooter +
                                 "<!-- KVTDATA\n"
                                 "0A 05 00 00 2D 00 00 80 01 02 03 05 3B 00 01 00 \n"
                                 "00 00 00 00 00 00 00 00 00 00 3C 1E 32 8A 25 0F \n"
                                 "05 05 00 0C 22 07 2D A5 A5 A5 A5 00 00 00 00 00 \n"
                                 "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                 "KVTENDDATA\n"
                                 "KVTCHECKSUM 1234ABCD\n"
                                 "KVTCOMPRESS 0\n"
                                 "KVTHRSMINS 0\n"
                                 "KVTTIMESTAMP 0\n"
                                 "-->\n";
    EXPECT_EQ(Write(image, false, false, 0x1234ABCD), expected);
}

TEST_F(KmlWriterTest, EndMarksStopTheTrack) {
    for (const std::uint32_t mark : {0xA5u, 0x5Au, 0x00u}) {
        std::vector<std::uint32_t> image(64, 0);
        Put(image, 0, {0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05, 0x05, 0x00, 0x0C, 0x22, 7, 45});
        Put(image, 13, {mark, mark, mark, mark});
        Put(image, 26, {0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05, 0x05, 0x00, 0x0C, 0x22, 7, 45});
        EXPECT_EQ(CoordinatesSection(Write(image)),
                  kZeroAltitudes + "\n-60.508350,37.250842,01234 <!-- 0 sats:7 secs:45 -->")
            << "mark " << mark;
        EXPECT_TRUE(IsLogEnd(image, 13));
    }
    // Mixed marks are no end; positions past the image read as 0.
    EXPECT_FALSE(IsLogEnd(std::vector<std::uint32_t>{0xA5, 0xA5, 0xA5, 0x5A}, 0));
    EXPECT_TRUE(IsLogEnd(std::vector<std::uint32_t>{0x00, 0x00}, 0));
}

TEST_F(KmlWriterTest, AllZeroImageHasNoPoints) {
    const std::string document = Write(std::vector<std::uint32_t>(16, 0));
    EXPECT_EQ(CoordinatesSection(document), kZeroAltitudes);
}

TEST_F(KmlWriterTest, FifteenByteRecordsWhenHoursMinutesAsked) {
    caps.hoursMinutesCapable = true;
    std::vector<std::uint32_t> image(60, 0);
    Put(image, 0,
        {0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05, 0x05, 0x00, 0x0C, 0x22, 0x07, 0x0E, 0x1F, 0x2D});
    Put(image, 15, {0x01, 0, 0, 0, 0x00, 0x1E, 0, 0, 0x02, 0x00, 0x09, 0x0C, 0x00, 0x05, 0x09});
    const std::string document = Write(image, false, true);
    EXPECT_EQ(CoordinatesSection(document),
              kZeroAltitudes +
                  "\n-60.508350,37.250842,01234 <!-- 0 sats:7 UTC 14:31:45 -->"
                  "\n1.000000,0.500000,20009 <!-- 15 sats:12 UTC 00:05:09 -->");
    EXPECT_TRUE(caps.logHoursMinutes);
    EXPECT_NE(document.find("KVTHRSMINS 1\n"), std::string::npos);
}

TEST_F(KmlWriterTest, RecordLengthRules) {
    // Two 13-byte fixes at 0 and 13; read as 15-byte records the second fix is missed.
    std::vector<std::uint32_t> image(80, 0);
    Put(image, 0, {0x01, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0x04, 0x05});
    Put(image, 13, {0x03, 0, 0, 0, 0x04, 0, 0, 0, 0, 0, 0, 0x06, 0x07});
    const std::string thirteen = kZeroAltitudes +
                                 "\n1.000000,2.000000,00000 <!-- 0 sats:4 secs:5 -->"
                                 "\n3.000000,4.000000,00000 <!-- 13 sats:6 secs:7 -->";

    // A tracker that logs hours and minutes without the capability flag: 15 bytes.
    caps.logHoursMinutes = true;
    EXPECT_EQ(CoordinatesSection(Write(image, false, false)),
              kZeroAltitudes + "\n1.000000,2.000000,00000 <!-- 0 sats:4 UTC 05:03:00 -->");

    // With the capability, the argument decides, even when logHoursMinutes is set.
    caps.hoursMinutesCapable = true;
    EXPECT_EQ(CoordinatesSection(Write(image, false, false)), thirteen);
    EXPECT_NE(Write(image, false, false).find("KVTHRSMINS 0\n"), std::string::npos);

    // Without either flag the argument is written but not obeyed.
    caps = TrackerCapabilities{};
    const std::string document = Write(image, false, true);
    EXPECT_EQ(CoordinatesSection(document), thirteen);
    EXPECT_NE(document.find("KVTHRSMINS 1\n"), std::string::npos);
    EXPECT_FALSE(caps.logHoursMinutes);
}

TEST_F(KmlWriterTest, NegativeAltitudeFormWhenLogStartsWithFD) {
    std::vector<std::uint32_t> image(64, 0);
    Put(image, 0, {0xFD, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x07, 0x00, 0x05, 0x04, 0x09});
    Put(image, 13, {0x02, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x0C, 0x22, 0x05, 0x0A});
    EXPECT_EQ(CoordinatesSection(Write(image)),
              kZeroAltitudes +
                  "\n253.000000,10.000000,-0005 <!-- 0 sats:4 secs:9 -->"
                  "\n2.000000,10.000000,-1234 <!-- 13 sats:5 secs:10 -->");

    caps.hoursMinutesCapable = true;
    std::vector<std::uint32_t> timed(64, 0);
    Put(timed, 0, {0xFD, 0, 0, 0, 0x0A, 0, 0, 0, 0x07, 0x00, 0x05, 0x04, 0x17, 0x3B, 0x00});
    EXPECT_EQ(CoordinatesSection(Write(timed, false, true)),
              kZeroAltitudes + "\n253.000000,10.000000,-0005 <!-- 0 sats:4  UTC 23:59:00 -->");
}

TEST_F(KmlWriterTest, CaptureDateAndTriggerFromTheTrailer) {
    caps.logTimestamp = true;
    caps.memorySizeKbit = 128;
    std::vector<std::uint32_t> image(16384, 0);
    Put(image, 16368, {0x01, 0xA0});
    Put(image, 16378, {'1', '5', '0', '6', '0', '9'});
    const std::string document = Write(image);
    EXPECT_EQ(CoordinatesSection(document),
              "<!-- Capture Date: 06/15/2009 -->\n"
              "<!-- Trigger: 0x01a0-->\n" +
                  kZeroAltitudes);
    EXPECT_NE(document.find("KVTTIMESTAMP 1\n"), std::string::npos);

    // On the large memory the trailer is the last 16 bytes.
    caps.memorySizeKbit = 1024;
    std::vector<std::uint32_t> large(131072, 0);
    Put(large, 131056, {0xFF, 0x0B});
    Put(large, 131066, {'3', '1', '1', '2', '2', '5'});
    EXPECT_EQ(CoordinatesSection(Write(large)).substr(0, 58),
              "<!-- Capture Date: 12/31/2025 -->\n"
              "<!-- Trigger: 0xff0b-->\n");

    // A 64-kbit memory does not reach the trailer: the date bytes read as 0, which are kept out
    // of the comment so the document stays valid XML.
    caps.memorySizeKbit = 64;
    EXPECT_EQ(CoordinatesSection(Write(std::vector<std::uint32_t>(8192, 0))).substr(0, 58),
              "<!-- Capture Date: ?\?/?\?/20?\? -->\n"
              "<!-- Trigger: 0x0000-->\n");
}

TEST_F(KmlWriterTest, AltitudeFiguresFromTheSampleAt32768) {
    caps.memorySizeKbit = 1024;
    std::vector<std::uint32_t> image(131072, 0);
    Put(image, 32776, {1, 2, 34});  // 1000 x 1 + 100 x 2 + 34 = 1234 m
    EXPECT_EQ(CoordinatesSection(Write(image)),
              "<!-- base    : 1234m or  3998 feet -->\n"
              "<!-- max MSL : 1234m or  3998 feet -->\n"
              "<!-- max AGL : 0m or     0 feet -->\n");
}

// First fix 10 deg 5.0000' E, 45 deg 59.9950' S; the next record's latitude fraction 5 crosses
// into the next minute, which is minute 60 = the next degree. Then the longitude fraction
// falls from 5 to 9900: one minute back.
TEST_F(KmlWriterTest, CompressedLogCarriesMinutesAcrossTheFractionWrap) {
    caps.compressCapable = true;
    std::vector<std::uint32_t> image(64, 0);
    Put(image, 0, {0x0A, 0x05, 0x00, 0x00, 0x2D, 0x3B, 0x63, 0xB2, 0x11, 0x22, 0x33, 0x44, 0x55});
    Put(image, 13, {0x00, 0x05, 0x00, 0x05, 0x07});
    Put(image, 18, {0x63, 0x80, 0x01, 0x02, 0xFF});
    Put(image, 23, {0x5A, 0x5A, 0x5A, 0x5A});
    const std::string document = Write(image, true, false);
    EXPECT_EQ(CoordinatesSection(document),
              "10.083342,-46.000008,0 <!-- 00 05   00 05   07  -->\n"
              "10.083167,-46.000170,0 <!-- 99 00   01 02   255  -->\n");
    EXPECT_NE(document.find("KVTCOMPRESS 1\n"), std::string::npos);

    // Without an end mark the records run to the last position of the image (no 2-record
    // margin as for full records); the bytes past it read as 0.
    image.resize(20);
    EXPECT_EQ(CoordinatesSection(Write(image, true, false)),
              "10.083342,-46.000008,0 <!-- 00 05   00 05   07  -->\n"
              "10.083167,-46.000000,0 <!-- 99 00   00 00   00  -->\n");
}

TEST_F(KmlWriterTest, CompressArgumentIgnoredWithoutCapability) {
    std::vector<std::uint32_t> image(64, 0);
    Put(image, 0, {0x01, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0x04, 0x05});
    const std::string document = Write(image, true, false);
    EXPECT_EQ(CoordinatesSection(document),
              kZeroAltitudes + "\n1.000000,2.000000,00000 <!-- 0 sats:4 secs:5 -->");
    EXPECT_NE(document.find("KVTCOMPRESS 1\n"), std::string::npos);
}

// The document as the writer has always printed it, one C-locale formatted print per number
// (the format strings of the tracker's own software), for comparing the writer's own number
// formatting with printf over whole logs.
std::string PrintedDocument(const std::vector<std::uint32_t>& image, TrackerCapabilities caps,
                            const FlagBytes& flags, std::uint32_t checksum, bool compress,
                            bool hoursMinutes) {
    const DecodedLog log = DecodeLog(image, ResolveLogLayout(caps, compress, hoursMinutes));
    std::string out = kHeaderStart;
    for (const char* label :
         {"Name       ", "Rocket Name", "Date       ", "Motor      ", "Comments   "}) {
        out += FormatC("<!-- %s:  -->\n", label);
    }
    out += FormatC("<!-- Option 1   : %x -->\n<!-- Option 2   : %x -->\n", flags.operation,
                   flags.telemetry);
    out += FormatC("<!-- Option 3   : %x -->\n<!-- Option 4   : %x -->\n", flags.optionsA,
                   flags.profileLog);
    out += "<coordinates>\n";
    if (log.layout.compressed) {
        for (const LogPoint& p : log.points) {
            out += FormatC("%f,%f,0 <!-- %02d %02d   %02d %02d   %02d  -->\n", p.longitudeDeg,
                           p.latitudeDeg, p.packed[0], p.packed[1], p.packed[2], p.packed[3],
                           p.packed[4]);
        }
    } else {
        if (log.layout.timestamp) {
            const auto& c = log.dateCharacters;  // digits in these logs
            out += FormatC("<!-- Capture Date: %c%c/%c%c/20%c%c -->\n", c[2], c[3], c[0], c[1],
                           c[4], c[5]);
            out += FormatC("<!-- Trigger: 0x%02x%02x-->\n", log.trigger[0], log.trigger[1]);
        }
        const AltitudeFigures figures =
            ComputeAltitudeFigures(std::span<const long long>(&log.altitudeSample, 1));
        for (const auto& [label, metres] :
             {std::pair{"base    ", figures.base}, std::pair{"max MSL ", figures.maxMsl},
              std::pair{"max AGL ", figures.maxAgl}}) {
            out += FormatC("<!-- %s: %lldm or %5.0f feet -->\n", label, metres,
                           static_cast<double>(metres) * 3.24);
        }
        for (const LogPoint& p : log.points) {
            const auto& alt = p.altitudeParts;
            const int at = static_cast<int>(p.address);
            if (p.hasHoursMinutes && log.negativeAltitudes) {
                out += FormatC("\n%f,%f,-%02d%02d <!-- %d sats:%d  UTC %02d:%02d:%02d -->",
                               p.longitudeDeg, p.latitudeDeg, alt[1], alt[2], at, p.satellites,
                               p.hours, p.minutes, p.seconds);
            } else if (p.hasHoursMinutes) {
                out += FormatC("\n%f,%f,%d%02d%02d <!-- %d sats:%d UTC %02d:%02d:%02d -->",
                               p.longitudeDeg, p.latitudeDeg, alt[0], alt[1], alt[2], at,
                               p.satellites, p.hours, p.minutes, p.seconds);
            } else if (log.negativeAltitudes) {
                out += FormatC("\n%f,%f,-%02d%02d <!-- %d sats:%d secs:%d -->", p.longitudeDeg,
                               p.latitudeDeg, alt[1], alt[2], at, p.satellites, p.seconds);
            } else {
                out += FormatC("\n%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", p.longitudeDeg,
                               p.latitudeDeg, alt[0], alt[1], alt[2], at, p.satellites, p.seconds);
            }
        }
    }
    out += kFooter;
    WriteDataBlock(out, image, checksum, compress, hoursMinutes, caps.logTimestamp);
    return out;
}

// Full 1024-kbit logs of arbitrary bytes (thousands of points with coordinates of every size,
// west and south, altitude parts and times beyond two digits) in every record layout, written
// by the writer and printed number by number with printf: the same document byte for byte.
TEST_F(KmlWriterTest, LargeLogsAreWrittenAsPrintfPrintsThem) {
    struct Case {
        const char* name;
        bool compressCapable, hoursMinutesCapable, timestamp;
        bool compress, hoursMinutes, negative;
    };
    const Case cases[] = {
        {"13-byte records", true, true, false, false, false, false},
        {"13-byte records, negative altitudes", false, false, false, false, false, true},
        {"15-byte records", true, true, false, false, true, false},
        {"15-byte records, negative altitudes", false, true, false, true, true, true},
        {"compressed", true, true, false, true, false, false},
        {"timestamp and trailer", false, false, true, false, false, false},
    };
    std::mt19937 random(77);
    std::uniform_int_distribution<std::uint32_t> byte(0, 255);
    for (const Case& c : cases) {
        std::vector<std::uint32_t> image(131072);
        for (std::uint32_t& value : image) {
            value = byte(random);
        }
        image[0] = c.negative ? 0xFD : 0x81;
        if (c.timestamp) {
            Put(image, 131066, {'2', '9', '0', '2', '2', '8'});
        }
        caps = TrackerCapabilities{};
        caps.memorySizeKbit = 1024;
        caps.compressCapable = c.compressCapable;
        caps.hoursMinutesCapable = c.hoursMinutesCapable;
        caps.logTimestamp = c.timestamp;
        caps.logHoursMinutes = c.timestamp;
        flags = {static_cast<std::uint8_t>(byte(random)), 0x00, 0x0F, 0xFF};
        const std::uint32_t checksum = LogChecksum(image);
        const std::string expected =
            PrintedDocument(image, caps, flags, checksum, c.compress, c.hoursMinutes);
        const std::string written = Write(image, c.compress, c.hoursMinutes, checksum);
        EXPECT_GT(written.size(), 131072u * 3 + 300000) << c.name;  // thousands of points
        if (written != expected) {
            std::size_t at = 0;
            while (at < written.size() && at < expected.size() && written[at] == expected[at]) {
                ++at;
            }
            ADD_FAILURE() << c.name << ": first difference at " << at << ": written \""
                          << written.substr(at > 40 ? at - 40 : 0, 80) << "\", printf \""
                          << expected.substr(at > 40 ? at - 40 : 0, 80) << "\"";
        }
    }
}

TEST(CommentSafeTest, KeepsCommentsWellFormed) {
    EXPECT_EQ(CommentSafe("a--b"), "a- -b");
    EXPECT_EQ(CommentSafe("--->"), "- - ->");
    EXPECT_EQ(CommentSafe(std::string("bell\x07 and\x7f")), "bell  and ");
    // The document says UTF-8: UTF-8 text stays, other bytes are Latin-1 (0xFC is u-umlaut,
    // C3 BC in UTF-8), and so are the bytes of a cut-off or overlong sequence.
    EXPECT_EQ(CommentSafe("M\xC3\xBCller \xE2\x82\xAC"), "M\xC3\xBCller \xE2\x82\xAC");
    EXPECT_EQ(CommentSafe("M\xFCller"), "M\xC3\xBCller");
    EXPECT_EQ(CommentSafe("\xE2\x82-"), "\xC3\xA2\xC2\x82-");
    EXPECT_EQ(CommentSafe("\xC0\xAF"), "\xC3\x80\xC2\xAF");
}

// No detail may hold a data-block keyword: every "KVT" is followed by a blank, also where the
// blank itself completes a new "KVT" around it, at the end, or after a removed control byte.
TEST(CommentSafeTest, KeepsDataBlockKeywordsOut) {
    EXPECT_EQ(CommentSafe("KVTDATA test"), "KVT DATA test");
    EXPECT_EQ(CommentSafe("xKVTENDDATA"), "xKVT ENDDATA");
    EXPECT_EQ(CommentSafe("KVKVTT"), "KVKVT T");
    EXPECT_EQ(CommentSafe("KVTKVTCHECKSUM"), "KVT KVT CHECKSUM");
    EXPECT_EQ(CommentSafe("KVT"), "KVT ");
    EXPECT_EQ(CommentSafe("KV\x01TDATA"), "KV TDATA");
    EXPECT_EQ(CommentSafe("kvtdata KVtDATA"), "kvtdata KVtDATA");  // keywords are upper case
}

}  // namespace
}  // namespace vanteo
