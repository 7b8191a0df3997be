#include "metrics/ExpositionWriter.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace Korvane {
namespace {

// Device names are the hostile part: each must stay inside its label value, on its own line.
TEST(ExpositionWriter, DeviceTextsStayInsideTheirLabelValue) {
    CExpositionWriter writer;
    writer.Family("korvane_device_up", CExpositionWriter::Type::GAUGE, "Whether it answered\nlast time.");
    writer.Sample({{"name", "a\"b\\c\nd} 1\n# TYPE x counter"}, {"product", "\xFF\xC0q\xE3\x81"}}, 1);
    writer.Sample({{"name", ""}}, 0);
    EXPECT_EQ(writer.Text(), "# HELP korvane_device_up Whether it answered\\nlast time.\n"
                             "# TYPE korvane_device_up gauge\n"
                             "korvane_device_up{name=\"a\\\"b\\\\c\\nd} 1\\n# TYPE x counter\","
                             "product=\"\xEF\xBF\xBD\xEF\xBF\xBDq\xEF\xBF\xBD\"} 1\n"
                             "korvane_device_up{name=\"\"} 0\n");
}

TEST(ExpositionWriter, CountersAndSamplesWithoutLabels) {
    CExpositionWriter writer;
    writer.Family("korvane_sweeps_total", CExpositionWriter::Type::COUNTER, "Sweeps.");
    writer.Sample({}, 12);
    EXPECT_EQ(writer.Text(), "# HELP korvane_sweeps_total Sweeps.\n# TYPE korvane_sweeps_total counter\n"
                             "korvane_sweeps_total 12\n");
}

TEST(ExpositionWriter, ValuesReadBackExactly) {
    EXPECT_EQ(CExpositionWriter::ValueText(0), "0");
    EXPECT_EQ(CExpositionWriter::ValueText(3936819544064.0), "3936819544064");
    EXPECT_EQ(CExpositionWriter::ValueText(18446744073709551615.0), "18446744073709551616");
    EXPECT_EQ(CExpositionWriter::ValueText(5.012), "5.012");
    EXPECT_EQ(CExpositionWriter::ValueText(-0.5), "-0.5");
    EXPECT_EQ(CExpositionWriter::ValueText(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(CExpositionWriter::ValueText(std::numeric_limits<double>::infinity()), "+Inf");
    EXPECT_EQ(CExpositionWriter::ValueText(-std::numeric_limits<double>::infinity()), "-Inf");
}

} // namespace
} // namespace Korvane
