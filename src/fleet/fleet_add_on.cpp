// SPDX-License-Identifier: MIT
#include "fleet/fleet_add_on.hpp"

#include <filesystem>

#include "app/application.hpp"
#include "app/event_logging.hpp"
#include "control/channel_value_text.hpp"
#include "events/iso_time.hpp"
#include "events/json_line.hpp"
#include "fleet/fleet_topics.hpp"
#include "host/host_control.hpp"
#include "platform/os_functions.hpp"
#include "platform/platform.hpp"

namespace quillon::fleet {
namespace {

// The channels topic's pace: a dashboard's, not the scan's.
constexpr std::chrono::seconds kChannelsInterval{1};

std::string_view LampText(Colour colour) {
    if (colour == kLampActive) {
        return kLampOn;
    }
    return colour == kLampInactive ? kLampOff : kLampNone;
}

void AppendName(std::string& out, std::string_view name) {
    out += '"';
    out += name;
    out += "\":";
}

void AppendText(std::string& out, std::string_view text) {
    out += '"';
    AppendJsonEscaped(out, text);
    out += '"';
}

template <typename Item>
void AppendArray(std::string& out, std::string_view name, Item item) {
    out += ',';
    AppendName(out, name);
    out += '[';
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (slot > 0) {
            out += ',';
        }
        item(slot);
    }
    out += ']';
}

}  // namespace

FleetAddOn::FleetAddOn(const RunParts& parts, FleetSettings settings,
                       std::filesystem::path spool_root)
    : parts_(parts),
      settings_(settings),
      spool_root_(std::move(spool_root)),
      publisher_(std::make_unique<FleetPublisher>(std::move(settings))),
      changed_at_(std::chrono::system_clock::now()) {
    parts_.logging.Log().SetLineObserver([this](std::string_view line) {
        publisher_->OfferLine(line);
        lines_offered_ = true;
    });
    parts_.logging.AddSink(this);
    parts_.application.GetPanel().AddObserver(this);
}

FleetAddOn::~FleetAddOn() {
    parts_.application.GetPanel().RemoveObserver(this);
    if (changed_) {
        publisher_->OfferState(StateJson());
    }
    parts_.logging.Log().SetLineObserver({});
    publisher_.reset();  // sends what it can, then ends its thread
}

void FleetAddOn::Loaded() {
    host_identification_ = parts_.host.Identification();
    model_ = parts_.application.GetInstanceFacts().instrument_model;
    std::string error;
    if (!publisher_->Start(parts_.application.GetInstanceFacts().host_id, spool_root_, error)) {
        parts_.application.GetPanel().SetStatus("Fleet publishing off: " + error);
        return;
    }
    Changed();
}

void FleetAddOn::Changed() {
    changed_ = true;
    changed_at_ = std::chrono::system_clock::now();
}

void FleetAddOn::RunStopped(std::string_view reason) {
    stop_reason_ = reason.empty() ? std::string(kOperatorStop) : std::string(reason);
    Changed();
}

void FleetAddOn::OutputWritten(const OutputWrite& write) {
    if (write.error.empty() && write.word != output_word_) {
        output_word_ = write.word;
        Changed();
    }
}

void FleetAddOn::PanelChanged(PanelField field, int) {
    switch (field) {
        case PanelField::Mode:
        case PanelField::LampColour:
        case PanelField::SwitchPosition:
        case PanelField::StartStopCaption:
        case PanelField::MathMode:
        case PanelField::GlobalKeys:
        case PanelField::Timers:
        case PanelField::Status:
            Changed();
            break;
        default:
            break;
    }
}

void FleetAddOn::Idle() {
    if (publisher_->HasNotices()) {
        ReportNotices();
    }
    if (settings_.channels) {
        OfferChannelsIfDue();
    }
    if (changed_) {
        changed_ = false;
        lines_offered_ = false;
        publisher_->OfferState(StateJson());  // wakes the publisher for the lines too
    } else if (lines_offered_) {
        lines_offered_ = false;
        publisher_->Wake();
    }
}

void FleetAddOn::OfferChannelsIfDue() {
    const SampleHistory& history = parts_.application.History();
    const auto now = std::chrono::steady_clock::now();
    if (history.Size() == 0 || history.Recorded() == channels_recorded_ ||
        now - channels_sent_ < kChannelsInterval) {
        return;
    }
    channels_sent_ = now;
    channels_recorded_ = history.Recorded();
    const std::size_t newest = history.Size() - 1;
    const std::string& separator = parts_.application.GetInstanceFacts().decimal_separator;
    std::string out;
    JsonLine head(out);
    head.Text(state::kSite, settings_.site)
        .Text(state::kInstance, parts_.application.GetInstanceFacts().host_id)
        .Fixed("seconds", history.SecondsAt(newest), 3)
        .End();
    out.resize(out.rfind('}'));
    out += ",\"channels\":[";
    for (int channel = 0; channel < history.Channels(); ++channel) {
        const double value = history.ValueAt(newest, channel);
        out += channel > 0 ? ",{" : "{";
        std::string item;
        JsonLine(item)
            .Integer("channel", channel)
            .Number("value", value)
            .Text("text", ChannelValueText(value, 0.0, parts_.platform.UserLocale(), separator))
            .End();
        out.append(item, 1, item.rfind('}') - 1);
        out += '}';
    }
    out += "]}";
    publisher_->OfferChannels(std::move(out));
}

void FleetAddOn::ReportNotices() {
    EventLog& log = parts_.logging.Log();
    Panel& panel = parts_.application.GetPanel();
    const std::string broker = settings_.BrokerName();
    for (const PublisherNotice& notice : publisher_->TakeNotices()) {
        switch (notice.kind) {
            case PublisherNotice::Kind::BrokerAway:
                log.Other("broker_away", [&](JsonLine& line) {
                    line.Text("broker", broker).Text("reason", notice.text);
                });
                panel.SetStatus("Broker " + broker + " away (" + notice.text +
                                "); events wait in the spool");
                break;
            case PublisherNotice::Kind::BrokerBack:
                log.Other("broker_back", [&](JsonLine& line) { line.Text("broker", broker); });
                panel.SetStatus("Broker " + broker + " back; publishing");
                break;
            case PublisherNotice::Kind::Gap:
                log.Other("publish_gap", [&](JsonLine& line) {
                    line.Integer("lost", static_cast<std::int64_t>(notice.count));
                });
                break;
            case PublisherNotice::Kind::Problem:
                panel.SetStatus("Fleet publishing: " + notice.text);
                break;
        }
    }
}

std::string FleetAddOn::StateJson() {
    const Panel& panel = parts_.application.GetPanel();
    const bool running = panel.ScanTimerEnabled();
    std::string out;
    JsonLine head(out);
    head.Text(state::kSite, settings_.site)
        .Text(state::kInstance, parts_.application.GetInstanceFacts().host_id)
        .Text(state::kVersion, QUILLON_VERSION)
        .Boolean(state::kRunning, running)
        .Text(state::kStopReason, running ? "" : stop_reason_)
        .Text(state::kStatus, panel.Status())
        .Integer(state::kOutputWord, output_word_)
        .Integer(state::kMathExpression, panel.MathMode())
        .Boolean(state::kGlobalKey, panel.GlobalKeys())
        .Text(state::kHost, host_identification_)
        .Integer(state::kModel, model_)
        .Integer(state::kKeepAlive, parts_.application.GetRunState().keep_alive_countdown)
        .Text(state::kChanged, IsoLocalTime(changed_at_))
        .Integer(state::kChangedMs, std::chrono::duration_cast<std::chrono::milliseconds>(
                                        changed_at_.time_since_epoch())
                                        .count())
        .End();
    out.resize(out.rfind('}'));  // the arrays follow
    AppendArray(out, state::kLamps, [&](int slot) {
        AppendText(out,
                   panel.Slot(slot).lamp_visible ? LampText(panel.Slot(slot).lamp) : kLampNone);
    });
    AppendArray(out, state::kModes, [&](int slot) { AppendText(out, panel.Slot(slot).mode); });
    AppendArray(out, state::kSwitches,
                [&](int slot) { out += std::to_string(panel.Slot(slot).switch_position); });
    out += '}';
    return out;
}

namespace {

// fleet.ini is there but cannot be used: said once the run is up, where the operator looks
// (a Start before would clear it from the status line).
class FleetSettingsProblem final : public RunAddOn {
public:
    FleetSettingsProblem(Panel& panel, std::string problem)
        : panel_(panel), problem_(std::move(problem)) {}
    void Loaded() override { panel_.SetStatus("Fleet publishing off: " + problem_); }

private:
    Panel& panel_;
    std::string problem_;
};

}  // namespace

RunAddOnMaker FleetAddOnMaker() {
    return [](const RunParts& parts) -> std::unique_ptr<RunAddOn> {
        const std::string path = parts.platform.ProfilePath(kFleetSettingsFile);
        if (!std::filesystem::exists(path)) {
            return nullptr;
        }
        std::string error;
        std::optional<FleetSettings> settings = FleetSettings::Read(path, error);
        if (!settings) {
            return std::make_unique<FleetSettingsProblem>(parts.application.GetPanel(), error);
        }
        return std::make_unique<FleetAddOn>(parts, std::move(*settings),
                                            UserStateFolder() / "mqtt");
    };
}

}  // namespace quillon::fleet
