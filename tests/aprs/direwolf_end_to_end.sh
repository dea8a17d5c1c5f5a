#!/usr/bin/env bash
# vanteo-cli listen against real third-party software: gen_packets turns packets into 1200-baud
# AFSK audio, direwolf decodes that audio from its standard input and serves KISS over TCP on
# the loopback interface, and listen must print the same positions decode_aprs prints for the
# same packets. Every wait is bounded; exit 77 (skipped) when direwolf is not installed.
#   direwolf_end_to_end.sh VANTEO_CLI WORK_DIR
set -euo pipefail

CLI=$1
WORK=$2
for tool in direwolf gen_packets decode_aprs; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is not installed (scripts/setup installs the direwolf package); skipped"
        exit 77
    fi
done
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"

# The forms a tracker sends, from the station listened to, and a status and another station's
# position that the filter must leave out.
cat >packets.txt <<'PACKETS'
N0CALL-11>APZVAN,WIDE2-1:/175635h4052.80N/11903.60WO000/000/A=003927 on the pad
N0CALL-11>332UVT,WIDE1-1:`(_fnPO>/"UD} Mic-E
N0CALL-11>APZVAN:!/5L!!<*e7>7P[ compressed
OTHER-7>APZVAN:!4903.50N/07201.75W-not ours
N0CALL-11>APZVAN:>status, not a position
N0CALL-11>APZVAN:=/5L!!<*e7OS]S
N0CALL-11>APZVAN:@092345z3325.64S\15112.06E>088/036/A=012345 down
PACKETS
grep '^N0CALL-11>' packets.txt >ours.txt
gen_packets -r 48000 -o packets.wav packets.txt >gen.log 2>&1

# A loopback port nobody listens on.
port=$((20000 + $$ % 20000))
for _ in $(seq 1 50); do
    if ! (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        break
    fi
    port=$((port + 1))
done
cat >direwolf.conf <<CONF
ADEVICE stdin null
ARATE 48000
CHANNEL 0
MYCALL N0CALL
MODEM 1200
AGWPORT 0
KISSPORT $port
CONF

# listen first (it retries until direwolf serves), the audio only once direwolf says the client
# is attached, so no packet is decoded before anyone hears it.
"$CLI" listen --kiss-tcp "127.0.0.1:$port" --call N0CALL-11 >listen.out 2>listen.err &
listener=$!
trap 'kill $listener 2>/dev/null || true' EXIT
# shellcheck disable=SC2094 # the feeder reads the log direwolf writes, on purpose
{
    for _ in $(seq 1 100); do
        grep -q 'Attached to KISS TCP client' direwolf.log 2>/dev/null && break
        sleep 0.1
    done
    cat packets.wav
    sleep 1
} | timeout 30 direwolf -c direwolf.conf -t 0 -q hd - >direwolf.log 2>&1 || true
sleep 0.5
kill -INT $listener
for _ in $(seq 1 50); do
    kill -0 $listener 2>/dev/null || break
    sleep 0.1
done
wait $listener
trap - EXIT

# decode_aprs: "N 40 52.8000, W 119 03.6000, 0 MPH, course 0, alt 3927 ft" -> decimal degrees
# and metres; listen: "...  [40.880000 -119.060000, 1196.9 m, ...]".
decode_aprs <ours.txt 2>&1 | sed 's/\x1b\[[0-9;]*[A-Za-z]//g' |
    awk '/^[NS] [0-9]+ [0-9.]+, [EW] [0-9]+ [0-9.]+/ {
        gsub(",", "");
        lat = $2 + $3 / 60; if ($1 == "S") lat = -lat;
        lon = $5 + $6 / 60; if ($4 == "W") lon = -lon;
        alt = "-";
        for (i = 7; i < NF; i++) if ($i == "alt") alt = sprintf("%.1f", $(i + 1) * 0.3048);
        printf "%.6f %.6f %s\n", lat, lon, alt;
    }' >expected.txt
grep -o '  \[[^]]*\]$' listen.out | sed 's/^  \[//; s/\]$//' |
    awk -F', ' '{
        alt = "-";
        for (i = 2; i <= NF; i++) if ($i ~ / m$/) { alt = $i; sub(/ m$/, "", alt); }
        printf "%s %s\n", $1, alt;
    }' >heard.txt

status=0
if [ "$(wc -l <expected.txt)" -ne 5 ]; then
    echo "decode_aprs gave $(wc -l <expected.txt) positions, not 5:"
    cat expected.txt
    status=1
fi
# decode_aprs prints ten-thousandths of a minute (1.7e-6 degrees): positions within 2e-6
# degrees; altitudes in whole feet: within half a foot (0.16 m) plus rounding.
if ! paste -d' ' expected.txt heard.txt | awk '
    NF != 6 { bad = 1; print "line " NR ": " $0; next }
    {
        if (($1 - $4) ^ 2 > 4e-12 || ($2 - $5) ^ 2 > 4e-12) { bad = 1; print "position " NR ": " $0 }
        if (($3 == "-") != ($6 == "-") || ($3 != "-" && ($3 - $6) ^ 2 > 0.2 ^ 2)) {
            bad = 1; print "altitude " NR ": " $0
        }
    }
    END { exit bad }'; then
    status=1
fi
if [ "$(wc -l <heard.txt)" -ne "$(wc -l <expected.txt)" ] || grep -q 'OTHER-7' listen.out ||
    ! grep -q 'N0CALL-11>APZVAN:>status, not a position' listen.out; then
    echo "the filter let another station through, or the status was not shown"
    status=1
fi
if ! grep -q '^Last position: N0CALL-11 -33.427333 151.201000, 3762.8 m' listen.out; then
    echo "no last position of the last packet"
    status=1
fi
if [ $status -ne 0 ]; then
    echo "--- decode_aprs (expected)"; cat expected.txt
    echo "--- listen"; cat listen.out listen.err
    echo "--- direwolf"; cat direwolf.log
fi
exit $status
