// SPDX-License-Identifier: MIT
#include "replay/svg_plot.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <set>

#include "events/utf8_text.hpp"

namespace quillon {
namespace {

constexpr int kLeft = 90;
constexpr int kTop = 40;
constexpr int kLaneHeight = 100;
constexpr int kLaneGap = 14;
constexpr int kBandHeight = 12;
constexpr int kAxisHeight = 44;
constexpr const char* kSlotNames[] = {"DOUT 0", "DOUT 1", "DOUT 2", "DOUT 3", "DOUT 4",
                                      "DOUT 5", "DOUT 6", "DOUT 7", "alarm",  "e-mail"};

// Bytes that are not UTF-8 become U+FFFD first: XML readers refuse the whole file for one.
std::string Escaped(const std::string& raw) {
    const std::string text = ValidUtf8(raw);
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // XML 1.0 has no place for other control characters.
                out += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? ' ' : c;
        }
    }
    return out;
}

std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, end.ptr);
}

std::string Pixel(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return std::string(text, end.ptr);
}

// 1, 2 or 5 times a power of ten: about eight labels across the time axis.
double TickStep(double span) {
    const double raw = span / 8.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= factor * power) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

class Plot {
public:
    Plot(const TraceColumns& traces, const PlotContent& content)
        : traces_(traces), content_(content) {}

    std::string Draw() {
        const int lanes = traces_.Channels();
        bands_top_ = kTop + lanes * (kLaneHeight + kLaneGap);
        height_ = bands_top_ + 10 * kBandHeight + kAxisHeight;
        width_ = kLeft + traces_.Columns() + 20;
        svg_ =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "width=\"" +
            std::to_string(width_) + "\" height=\"" + std::to_string(height_) +
            "\" font-family=\"sans-serif\" font-size=\"11\">\n<rect width=\"100%\" "
            "height=\"100%\" fill=\"white\"/>\n<text x=\"" +
            std::to_string(kLeft) + "\" y=\"22\" font-size=\"14\">" + Escaped(content_.title) +
            "</text>\n";
        for (int channel = 0; channel < lanes; ++channel) {
            Lane(channel);
        }
        Bands();
        Marks(content_.sounds, "#e07000", "alarm sound");
        Marks(content_.emails, "#0050d0", "e-mail");
        TimeAxis();
        svg_ += "</svg>\n";
        return svg_;
    }

private:
    double X(double seconds) const {
        return kLeft +
               (seconds - traces_.From()) / (traces_.To() - traces_.From()) * traces_.Columns();
    }

    void Lane(int channel) {
        const int top = kTop + channel * (kLaneHeight + kLaneGap);
        float low = std::numeric_limits<float>::max();
        float high = std::numeric_limits<float>::lowest();
        for (int column = 0; column < traces_.Columns(); ++column) {
            const TraceColumns::Range& range = traces_.At(channel, column);
            if (!range.Empty()) {
                low = std::min(low, range.low);
                high = std::max(high, range.high);
            }
        }
        const std::string name = channel < static_cast<int>(content_.channel_names.size())
                                     ? content_.channel_names[static_cast<std::size_t>(channel)]
                                     : "Channel " + std::to_string(channel);
        svg_ += "<g class=\"channel\" data-channel=\"" + std::to_string(channel) + "\">\n";
        svg_ += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(top) +
                "\" width=\"" + std::to_string(traces_.Columns()) + "\" height=\"" +
                std::to_string(kLaneHeight) + "\" fill=\"#f6f6f6\" stroke=\"#ccc\"/>\n";
        svg_ += "<text x=\"4\" y=\"" + std::to_string(top + kLaneHeight / 2 + 4) + "\">" +
                Escaped(name) + "</text>\n";
        if (low > high) {
            svg_ += "</g>\n";
            return;
        }
        if (high == low) {
            high += 0.5f;
            low -= 0.5f;
        }
        svg_ += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + std::to_string(top + 10) +
                "\" text-anchor=\"end\">" + Number(high) + "</text>\n";
        svg_ += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" +
                std::to_string(top + kLaneHeight) + "\" text-anchor=\"end\">" + Number(low) +
                "</text>\n";
        const auto y = [&](float value) {
            return top + 2 + (high - value) / (high - low) * (kLaneHeight - 4);
        };
        svg_ +=
            "<polyline class=\"trace\" fill=\"none\" stroke=\"#1a5fb4\" stroke-width=\"1\" "
            "points=\"";
        for (int column = 0; column < traces_.Columns(); ++column) {
            const TraceColumns::Range& range = traces_.At(channel, column);
            if (range.Empty()) {
                continue;
            }
            const std::string x = std::to_string(kLeft + column) + ".5,";
            svg_ += x + Pixel(y(range.high)) + " " + x + Pixel(y(range.low)) + " ";
        }
        svg_ += "\"/>\n</g>\n";
    }

    void Bands() {
        for (int slot = 0; slot < 10; ++slot) {
            const int top = bands_top_ + slot * kBandHeight;
            svg_ += "<g class=\"band\" data-slot=\"" + std::to_string(slot) +
                    "\">\n<text x=\"4\" y=\"" + std::to_string(top + 10) + "\">" +
                    kSlotNames[slot] + "</text>\n";
            svg_ += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(top) +
                    "\" width=\"" + std::to_string(traces_.Columns()) + "\" height=\"" +
                    std::to_string(kBandHeight - 2) + "\" fill=\"#dff0d8\"/>\n";
            if (content_.summary != nullptr) {
                OnColumns(slot, top);
            }
            svg_ += "</g>\n";
        }
    }

    // A rect per run of columns where the slot was on in some part of each, its opacity the
    // share of the time it was on: a slot switching every tick stays a rect per column at most.
    void OnColumns(int slot, int top) {
        const SlotColumns& columns = content_.summary->Columns();
        const auto opacity = [&](int column) {
            return std::lround(20.0 + 80.0 * std::clamp(columns.Share(slot, column), 0.0, 1.0));
        };
        for (int column = 0; column < columns.Columns();) {
            if (!columns.On(slot, column)) {
                ++column;
                continue;
            }
            const long percent = opacity(column);
            int end = column + 1;
            while (end < columns.Columns() && columns.On(slot, end) && opacity(end) == percent) {
                ++end;
            }
            svg_ += "<rect class=\"on\" x=\"" + std::to_string(kLeft + column) + "\" y=\"" +
                    std::to_string(top) + "\" width=\"" + std::to_string(end - column) +
                    "\" height=\"" + std::to_string(kBandHeight - 2) +
                    "\" fill=\"#d01010\" fill-opacity=\"" + Number(percent / 100.0) + "\"/>\n";
            column = end;
        }
    }

    // One mark per pixel column at most, however many moments fall in it.
    void Marks(const std::vector<ReplayMoment>& moments, const char* colour, const char* what) {
        std::set<int> columns;
        for (const ReplayMoment& moment : moments) {
            columns.insert(traces_.ColumnOf(moment.seconds));
        }
        for (const int column : columns) {
            const std::string x = std::to_string(kLeft + column) + ".5";
            svg_ += "<line class=\"mark\" x1=\"" + x + "\" y1=\"" + std::to_string(kTop) +
                    "\" x2=\"" + x + "\" y2=\"" + std::to_string(bands_top_ + 10 * kBandHeight) +
                    "\" stroke=\"" + colour + "\" stroke-opacity=\"0.6\"><title>" + what +
                    "</title></line>\n";
        }
    }

    void TimeAxis() {
        const int axis = bands_top_ + 10 * kBandHeight + 4;
        const double step = TickStep(traces_.To() - traces_.From());
        svg_ += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + std::to_string(axis) +
                "\" x2=\"" + std::to_string(kLeft + traces_.Columns()) + "\" y2=\"" +
                std::to_string(axis) + "\" stroke=\"black\"/>\n";
        // Counted in whole steps: adding `step` up would drift off the round times.
        const auto first = static_cast<long long>(std::ceil(traces_.From() / step));
        for (long long n = first; static_cast<double>(n) * step <= traces_.To() + step * 1e-9;
             ++n) {
            const double t = static_cast<double>(n) * step;
            const std::string x = Pixel(X(t));
            svg_ += "<line x1=\"" + x + "\" y1=\"" + std::to_string(axis) + "\" x2=\"" + x +
                    "\" y2=\"" + std::to_string(axis + 5) + "\" stroke=\"black\"/>\n<text x=\"" +
                    x + "\" y=\"" + std::to_string(axis + 17) + "\" text-anchor=\"middle\">" +
                    RecordingTimeText(t) + "</text>\n";
        }
        svg_ += "<text x=\"" + std::to_string(kLeft + traces_.Columns()) + "\" y=\"" +
                std::to_string(axis + 31) +
                "\" text-anchor=\"end\">time into the recording</text>\n";
    }

    const TraceColumns& traces_;
    const PlotContent& content_;
    int bands_top_ = 0;
    int height_ = 0;
    int width_ = 0;
    std::string svg_;
};

}  // namespace

std::string SvgPlot(const TraceColumns& traces, const PlotContent& content) {
    return Plot(traces, content).Draw();
}

}  // namespace quillon
