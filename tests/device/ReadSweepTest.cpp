#include <gtest/gtest.h>

#include <tuple>

#include "tests/device/DeviceFixture.h"

namespace vanteo::test {
namespace {

// Every model, and one the table does not list, at the firmware versions on both sides of each
// bound; one fresh program per case, so no earlier read adds its flags.
class ReadSweepTest : public DeviceTest,
                      public ::testing::WithParamInterface<std::tuple<const char*, int>> {};

TEST_P(ReadSweepTest, ReadCompletesWithTheControlsOfItsVersion) {
    const auto [model, version] = GetParam();
    sim::SimulatorConfig config;
    config.modelId = model;
    config.firmwareVersion = version;
    Attach(config);
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.messages, "Read Complete");
    EXPECT_EQ(form.modelStatus, std::string("Model: ") + model);

    const bool byteAccess = (version >= 108 && version <= 200) || version >= 212;
    const std::string& commands = simulator.Commands();
    EXPECT_EQ(commands.find('S') != std::string::npos, !byteAccess);
    EXPECT_EQ(commands.find('X') != std::string::npos, !byteAccess);

    const bool oldLine = version < 200;
    EXPECT_EQ(ui.IsVisible(1166), version >= 122 && oldLine);         // profiles
    EXPECT_EQ(ui.IsVisible(1134), version < 110 || !oldLine);         // Tx Rate
    EXPECT_EQ(ui.IsVisible(1017), version >= 110 && oldLine);         // Once Every
    EXPECT_EQ(ui.IsVisible(1181), version >= 123 && oldLine);         // Compress Data
    EXPECT_EQ(ui.IsVisible(1177), version >= 108 && version <= 200);  // smart beaconing
    EXPECT_EQ(ui.IsVisible(1156), version >= 120 && oldLine);         // Transmit Voltage
    EXPECT_EQ(ui.IsVisible(1138), version >= 116 && oldLine);         // GPS Powerdown
    EXPECT_EQ(ui.IsVisible(1137), (version >= 116 && oldLine) || version >= 209);
    EXPECT_EQ(ui.IsVisible(1078), version < 212);  // Enable Slotting
    EXPECT_EQ(tracker.capabilities.compressCapable, version >= 124 && oldLine);
    EXPECT_EQ(form.onceEvery, version < 18 ? 4 : 5);

    const std::string m = model;
    const bool synthesizer = m == "ZPNAV8" || m == "ZPNAV9" || m == "ZPNAV6" || m == "ZPNAVB";
    EXPECT_EQ(tracker.capabilities.pllRegisters, synthesizer);
    EXPECT_EQ(form.nReg.empty(), !synthesizer);
    EXPECT_EQ(form.calibrationField, (m == "ZPNAV9" || m == "ZPNAV6") ? 3900u : 9200u);
}

INSTANTIATE_TEST_SUITE_P(
    ModelsAndBounds, ReadSweepTest,
    ::testing::Combine(::testing::Values("ZPNAV8", "ZPNAV9", "ZPNAV6", "ZPNAV0", "ZPNAV1", "ZPNAVB",
                                         "ZPNAVC", "ZPNAVD", "ZPNAV5"),
                       ::testing::Values(17, 18, 107, 108, 109, 110, 115, 116, 119, 120, 121, 122,
                                         123, 124, 199, 200, 201, 208, 209, 211, 212, 224)));

}  // namespace
}  // namespace vanteo::test
