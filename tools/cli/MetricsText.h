#pragma once
// Figures in the Prometheus text exposition format, for node_exporter's textfile
// collector: one HELP and one TYPE line per metric, then its samples, each labelled
// with the printer it belongs to. Metrics keep the order in which they were first
// added, samples the order of their printers.
#include <string>
#include <vector>

namespace cli {

class MetricsText {
public:
    // A gauge sample: name{printer="printer"} value. help describes the metric; the
    // first help given for a name is the one written.
    void Add(const std::string& name, const std::string& help, const std::string& printer, double value);
    std::string Text() const;

private:
    struct Sample {
        std::string printer;
        double value;
    };
    struct Metric {
        std::string name;
        std::string help;
        std::vector<Sample> samples;
    };
    std::vector<Metric> m_metrics;
};

// A label value as the format wants it: backslash, double quote and line feed escaped.
std::string EscapeLabelValue(const std::string& value);

} // namespace cli
