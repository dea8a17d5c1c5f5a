#include "cli/ConsoleInteraction.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/ProgressMeter.h"

namespace vanteo::cli {
namespace {

TEST(ProgressMeter, ExtrapolatesTheRemainingTimeFromTheStepsDone) {
    // 5 of 20 steps took 10 s: 15 more take 30 s; 30 * 5 / 20 = 7 marks.
    EXPECT_EQ(ProgressMeter::Line(5, 20, 10000),
              "[#######                       ]  25%  0:30 left");
    // 1 of 3 after 1 ms: 2 ms left round up to a whole second.
    EXPECT_EQ(ProgressMeter::Line(1, 3, 1), "[##########                    ]  33%  0:01 left");
    EXPECT_EQ(ProgressMeter::Line(0, 20, 5000),
              "[                              ]   0%  estimating...");
    // The erase steps once per reply byte and may step past its range.
    EXPECT_EQ(ProgressMeter::Line(130, 100, 4000),
              "[##############################] 100%  0:00 left");
    EXPECT_EQ(ProgressMeter::Line(7, 0, 61000), "working... 7  1:01 elapsed");
}

TEST(ProgressMeter, Durations) {
    EXPECT_EQ(ProgressMeter::Duration(0), "0:00");
    EXPECT_EQ(ProgressMeter::Duration(59), "0:59");
    EXPECT_EQ(ProgressMeter::Duration(3599), "59:59");
    EXPECT_EQ(ProgressMeter::Duration(3723), "1:02:03");
    EXPECT_EQ(ProgressMeter::Duration(-5), "0:00");
}

class ConsoleInteractionTest : public ::testing::Test {
protected:
    FormModel form = FormModel::StartUp();
    std::ostringstream err;
    VirtualClock clock;
};

TEST_F(ConsoleInteractionTest, MessagesArePrintedAsShownWithoutDoublingTheirLineEnd) {
    ConsoleInteraction console(form, err, clock, false);
    console.ShowMessage("Calibration Mode Enabled\n", MessageIcon::none);
    console.ShowMessage("Error opening file", MessageIcon::exclamation);
    EXPECT_EQ(err.str(), "Calibration Mode Enabled\nError opening file\n");
    EXPECT_EQ(console.MessagesShown(),
              (std::vector<std::string>{"Calibration Mode Enabled\n", "Error opening file"}));
}

TEST_F(ConsoleInteractionTest, DialogsAreAnsweredFromTheCommandLine) {
    ConsoleInteraction console(form, err, clock, false);
    EXPECT_EQ(console.AskSaveFile({}), std::nullopt);
    console.SetSaveFileAnswer("out.kml");
    console.SetOpenFileAnswer("in.kml");
    EXPECT_EQ(console.AskSaveFile({}), "out.kml");
    EXPECT_EQ(console.AskOpenFile({}), "in.kml");

    EXPECT_FALSE(console.ConfirmClearFlash());
    console.SetClearFlashConfirmed(true);
    EXPECT_TRUE(console.ConfirmClearFlash());

    // Confirmed with OK: details not given on the command line are empty, as an empty field.
    FlightDetails details{"10", "old rocket", "old date", "old motor", "old comments"};
    console.SetFlightDetailsAnswer({"Joe", "", "", "H128", ""});
    EXPECT_TRUE(console.AskFlightDetails(details));
    EXPECT_EQ(details.name, "Joe");
    EXPECT_EQ(details.rocketName, "");
    EXPECT_EQ(details.motor, "H128");
    EXPECT_EQ(details.comments, "");
}

TEST_F(ConsoleInteractionTest, NoProgressBarWhenTheErrorStreamIsNotATerminal) {
    ConsoleInteraction console(form, err, clock, false);
    console.ProgressBegin(20);
    console.ProgressStep();
    console.ProgressEnd();
    EXPECT_EQ(err.str(), "");
}

TEST_F(ConsoleInteractionTest, ProgressBarIsRedrawnOnTheVirtualClockAndStepsAsideForMessages) {
    ConsoleInteraction console(form, err, clock, true);
    console.ProgressBegin(20);
    for (int step = 0; step < 5; ++step) {
        clock.Advance(2000);
        console.ProgressStep();
    }
    const std::string bar = "[#######                       ]  25%  0:30 left";
    EXPECT_NE(err.str().find("\r\x1b[K" + bar), std::string::npos) << err.str();

    // A message from the worker clears the bar's line, is printed, and the bar comes back.
    err.str("");
    console.ShowMessage("memsize set to 128", MessageIcon::none);
    EXPECT_EQ(err.str(), "\r\x1b[Kmemsize set to 128\n\r\x1b[K" + bar);

    // Steps closer together than the redraw interval do not redraw.
    err.str("");
    console.ProgressStep();
    EXPECT_EQ(err.str(), "");

    err.str("");
    console.ProgressEnd();
    EXPECT_EQ(err.str(), "\r\x1b[K[#########                     ]  30%  0:24 left\n");
}

TEST_F(ConsoleInteractionTest, AFinishedBarStaysAndTheClosingMessageFollowsIt) {
    ConsoleInteraction console(form, err, clock, true);
    console.ProgressBegin(2);
    clock.Advance(1000);
    console.ProgressStep();
    console.ProgressStep();
    err.str("");
    console.ShowMessage("Done Reading Flash", MessageIcon::none);
    console.ProgressEnd();
    EXPECT_EQ(err.str(), "\nDone Reading Flash\n");
}

}  // namespace
}  // namespace vanteo::cli
