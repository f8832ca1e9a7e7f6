#include "tools/cli/MetricsText.h"

#include <gtest/gtest.h>

namespace {

TEST(MetricsTextTest, GroupsSamplesUnderOneHelpAndTypeLineAndEscapesTheLabel)
{
    cli::MetricsText metrics;
    metrics.Add("nivora_printer_up", "1 when the printer answered", "tcp://10.0.0.7:9100", 1);
    metrics.Add("nivora_nv_free_bytes", "Free key-coded NV memory", "tcp://10.0.0.7:9100", 180004);
    metrics.Add("nivora_printer_up", "ignored: the first help stays", "COM1", 0);
    metrics.Add("nivora_status_seconds", "Time the query took\nin seconds \\ wall", "/dev/a\"b\\c\nd", 0.25);
    EXPECT_EQ(metrics.Text(), "# HELP nivora_printer_up 1 when the printer answered\n"
                              "# TYPE nivora_printer_up gauge\n"
                              "nivora_printer_up{printer=\"tcp://10.0.0.7:9100\"} 1\n"
                              "nivora_printer_up{printer=\"COM1\"} 0\n"
                              "# HELP nivora_nv_free_bytes Free key-coded NV memory\n"
                              "# TYPE nivora_nv_free_bytes gauge\n"
                              "nivora_nv_free_bytes{printer=\"tcp://10.0.0.7:9100\"} 180004\n"
                              "# HELP nivora_status_seconds Time the query took\\nin seconds \\\\ wall\n"
                              "# TYPE nivora_status_seconds gauge\n"
                              "nivora_status_seconds{printer=\"/dev/a\\\"b\\\\c\\nd\"} 0.25\n");
}

} // namespace
