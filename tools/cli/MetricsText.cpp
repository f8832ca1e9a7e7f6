#include "tools/cli/MetricsText.h"

#include <charconv>
#include <cmath>

namespace cli {
namespace {

// HELP text escapes only backslash and line feed.
std::string EscapeHelp(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string Number(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string EscapeLabelValue(const std::string& value)
{
    std::string out;
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void MetricsText::Add(const std::string& name, const std::string& help, const std::string& printer,
                      double value)
{
    for (Metric& metric : m_metrics)
        if (metric.name == name) {
            metric.samples.push_back({printer, value});
            return;
        }
    m_metrics.push_back({name, help, {{printer, value}}});
}

std::string MetricsText::Text() const
{
    std::string text;
    for (const Metric& metric : m_metrics) {
        text += "# HELP " + metric.name + " " + EscapeHelp(metric.help) + "\n";
        text += "# TYPE " + metric.name + " gauge\n";
        for (const Sample& sample : metric.samples)
            text += metric.name + "{printer=\"" + EscapeLabelValue(sample.printer) + "\"} " +
                    Number(sample.value) + "\n";
    }
    return text;
}

} // namespace cli
