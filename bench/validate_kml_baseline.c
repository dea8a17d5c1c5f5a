/* The yardstick for `vanteo-cli validate-kml IN -o OUT`: the same work written the plain C way,
 * with stdio doing all the number work. Tokens come from fscanf, each data-block value from
 * sscanf "%X", and the new copy is written with one fprintf per point and per data-block value,
 * then flushed to disk and renamed over OUT, as the program puts its copies in place.
 *
 * It handles the case bench/run measures: a data block whose three setting lines are 0, so the
 * copy is decoded from 13-byte records without a timestamp trailer. The output is the program's
 * own, byte for byte (the benchmark compares the two files).
 *
 *   vanteo_validate_kml_baseline IN OUT      exit status 0 when OUT was written
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define IMAGE_VALUES 131072
#define RECORD_BYTES 13
#define ALTITUDE_SAMPLE 32768

static unsigned image[IMAGE_VALUES];
static long count;

static int At(long p) {
    return p >= 0 && p < count ? (int)image[p] : 0;
}

static double Coordinate(long p) {
    const double sign = (At(p + 3) & 0x80) != 0 ? -1.0 : 1.0;
    const double minutes = At(p + 1) + At(p + 2) * 0.01 + (At(p + 3) & 0x7F) * 0.0001;
    return sign * (At(p) + minutes * 0.016666666666666666);
}

static int EndsAt(long p) {
    const unsigned first = (unsigned)At(p);
    if (first != 0xA5 && first != 0x5A && first != 0x00) {
        return 0;
    }
    return (unsigned)At(p + 1) == first && (unsigned)At(p + 2) == first &&
           (unsigned)At(p + 3) == first;
}

static unsigned Checksum(void) {
    unsigned sum = 0;
    long i;
    for (i = 0; i < count; ++i) {
        sum = 3u * sum + image[i] * (((image[i] % 28u) + 1u) ^ 2u);
    }
    return sum;
}

static int ReadBlock(FILE* in, unsigned settings[4]) {
    char token[128];
    int i;
    do {
        if (fscanf(in, "%127s", token) != 1) {
            return 0;
        }
    } while (strstr(token, "KVTDATA") == NULL);
    for (;;) {
        unsigned value = 0;
        if (fscanf(in, "%127s", token) != 1) {
            return 0;
        }
        if (strstr(token, "KVTENDDATA") != NULL) {
            break;
        }
        sscanf(token, "%X", &value);
        if (count < IMAGE_VALUES) {
            image[count++] = value;
        }
    }
    for (i = 0; i < 4; ++i) {
        if (fscanf(in, "%127s %x", token, &settings[i]) != 2) {
            return 0;
        }
    }
    return 1;
}

static void WriteCopy(FILE* out, unsigned checksum) {
    static const char* const header =
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
        "<altitudeMode>absolute</altitudeMode>\n"
        "<!-- Name       : 10 -->\n"
        "<!-- Rocket Name:  -->\n"
        "<!-- Date       :  -->\n"
        "<!-- Motor      :  -->\n"
        "<!-- Comments   :  -->\n";
    const long size = (count / 1024) * 8 * 128;
    const long long altitude = 1000LL * At(ALTITUDE_SAMPLE + 8) + 100LL * At(ALTITUDE_SAMPLE + 9) +
                               At(ALTITUDE_SAMPLE + 10);
    const long long maxMsl = altitude > 0 ? altitude : 0;
    const int negative = At(0) == 0xFD;
    long p;
    int option;

    fputs(header, out);
    for (option = 1; option <= 4; ++option) {
        fprintf(out, "<!-- Option %d   : %x -->\n", option, 0u);
    }
    fputs("<coordinates>\n", out);
    fprintf(out, "<!-- base    : %lldm or %5.0f feet -->\n", altitude, (double)altitude * 3.24);
    fprintf(out, "<!-- max MSL : %lldm or %5.0f feet -->\n", maxMsl, (double)maxMsl * 3.24);
    fprintf(out, "<!-- max AGL : %lldm or %5.0f feet -->\n", maxMsl - altitude,
            (double)(maxMsl - altitude) * 3.24);
    for (p = 0; p < size - 2 * RECORD_BYTES; p += RECORD_BYTES) {
        if (EndsAt(p)) {
            break;
        }
        if (At(p) == 0) {
            continue;
        }
        if (negative) {
            fprintf(out, "\n%f,%f,-%02d%02d <!-- %d sats:%d secs:%d -->", Coordinate(p),
                    Coordinate(p + 4), At(p + 9), At(p + 10), (int)p, At(p + 11), At(p + 12));
        } else {
            fprintf(out, "\n%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", Coordinate(p),
                    Coordinate(p + 4), At(p + 8), At(p + 9), At(p + 10), (int)p, At(p + 11),
                    At(p + 12));
        }
    }
    fputs(
        "\n      </coordinates>\n    </LineString>\n  </MultiGeometry>\n</Placemark>\n"
        "</kml>\n\n\n<!-- KVTDATA\n",
        out);
    for (p = 0; p < size; ++p) {
        fprintf(out, "%02X ", image[p]);
        if ((p + 1) % 16 == 0) {
            fputc('\n', out);
        }
    }
    fprintf(out,
            "KVTENDDATA\nKVTCHECKSUM %08X\nKVTCOMPRESS %d\nKVTHRSMINS %d\nKVTTIMESTAMP %d\n-->\n",
            checksum, 0, 0, 0);
}

int main(int argc, char** argv) {
    unsigned settings[4];
    unsigned checksum;
    char temporary[4096];
    FILE* in;
    FILE* out;
    int ok;

    if (argc != 3) {
        fprintf(stderr, "usage: %s IN OUT\n", argv[0]);
        return 2;
    }
    in = fopen(argv[1], "r");
    if (in == NULL) {
        fputs("Error opening file\n", stderr);
        return 1;
    }
    ok = ReadBlock(in, settings);
    fclose(in);
    if (!ok || settings[1] != 0 || settings[2] != 0 || settings[3] != 0) {
        fputs("not a block this baseline handles\n", stderr);
        return 1;
    }
    printf("%ld bytes read\n", count);
    checksum = Checksum();
    if (checksum == settings[0]) {
        puts("Datafile integrity validated, writing a new copy of the KML file");
    } else {
        printf("Checksum incorrect:  Expected: %08X, Actual: %08X\n", settings[0], checksum);
    }

    snprintf(temporary, sizeof temporary, "%s.tmp", argv[2]);
    out = fopen(temporary, "w");
    if (out == NULL) {
        fputs("Error opening file\n", stderr);
        return 1;
    }
    WriteCopy(out, checksum);
    ok = ferror(out) == 0 && fflush(out) == 0 && fsync(fileno(out)) == 0;
    ok = fclose(out) == 0 && ok;
    if (!ok || rename(temporary, argv[2]) != 0) {
        remove(temporary);
        fputs("Error writing file\n", stderr);
        return 1;
    }
    return 0;
}
