#pragma once

#include <string>

namespace vanteo::bench {

// Times `vanteo-cli validate-kml IN -o OUT` against the plain C baseline
// (bench/validate_kml_baseline.c) on the worst case for the KML writer: a 1024-kbit data block
// of arbitrary bytes whose settings lines are 0, so about 10 000 points are decoded from 13-byte
// records. Both run as fresh processes, alternately, `runs` times each; prints the medians of
// wall and CPU time (process start to the copy renamed in place), the ratio and the 20 ms target,
// and checks that both copies are byte-identical. A non-empty `before` (an earlier build's
// vanteo-cli) joins the same runs, and its copy must be byte-identical too. Also prints the
// median minor page faults of each, and with a non-empty `valgrind` (its path) the instructions of
// one run of each. Returns the process exit status.
int CompareWithCBaseline(const std::string& cli, const std::string& baseline, int runs,
                         const std::string& before = "", const std::string& valgrind = "");

}  // namespace vanteo::bench
