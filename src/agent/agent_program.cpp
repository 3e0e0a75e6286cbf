// SPDX-License-Identifier: MIT
#include "agent/agent_program.hpp"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "agent/deliverer.hpp"
#include "agent/deliverer_lock.hpp"
#include "agent/durable_file.hpp"
#include "agent/password_file.hpp"
#include "agent/smtp_sender.hpp"
#include "platform/mail_agent_exit.hpp"

namespace quillon::agent {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int ExitCode(MailAgentExit status) {
    return static_cast<int>(status);
}

void SleepFor(Seconds duration) {
    std::this_thread::sleep_for(duration);
}

// The background deliverer speaks only through its log.
void DetachFromCaller() {
    setsid();
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(null);
    }
}

std::string HostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

std::string ClockText() {
    return TimeText(std::chrono::system_clock::now()).substr(11);
}

}  // namespace

AgentProgram::AgentProgram(std::filesystem::path settings_file, std::filesystem::path state_folder,
                           std::ostream& out, std::ostream& err)
    : settings_file_(std::move(settings_file)),
      state_(state_folder),
      outbox_(state_folder),
      settings_(MailSettings::FromIni(IniFile(ReadText(settings_file_)))),
      out_(out),
      err_(err) {}

int AgentProgram::Run(const std::vector<std::string>& arguments) {
    const AgentRequest request = AgentRequest::FromArguments(arguments);
    switch (request.kind) {
        case AgentRequest::Kind::Queue:
            return Queue(request);
        case AgentRequest::Kind::Status:
            return Status();
        case AgentRequest::Kind::Test:
            return Test();
        case AgentRequest::Kind::Help:
            out_ << kUsage;
            return ExitCode(MailAgentExit::Queued);
        case AgentRequest::Kind::Version:
            out_ << "pellomar " QUILLON_VERSION "\n";
            return ExitCode(MailAgentExit::Queued);
        case AgentRequest::Kind::Invalid:
            break;
    }
    err_ << "pellomar: " << request.problem << "\n" << kUsage;
    return ExitCode(MailAgentExit::BadCommandLine);
}

int AgentProgram::Queue(const AgentRequest& request) {
    QueuedMessage message{"", std::chrono::system_clock::now(), request.event_word,
                          request.message};
    std::string error;
    std::optional<std::string> name = outbox_.Enqueue(message, error);
    if (!name) {
        err_ << "pellomar: the message was not queued: " << error << "\n";
        state_.Log("NOT queued: " + error);
        return ExitCode(MailAgentExit::NotQueued);
    }
    state_.Log("queued " + *name + " (" + request.event_word + ")");
    if (const std::optional<int> blocked = MailBlocked(err_)) {
        return *blocked;
    }
    StartDeliverer();
    return ExitCode(MailAgentExit::Queued);
}

std::optional<int> AgentProgram::MailBlocked(std::ostream& to) {
    if (!settings_.Usable()) {
        to << "pellomar: mail cannot be sent: the settings in " << settings_file_.string()
           << " are incomplete:\n";
        for (const std::string& problem : settings_.problems) {
            to << "  - " << problem << "\n";
        }
        state_.Log("mail settings incomplete: " + settings_.problems.front());
        return ExitCode(MailAgentExit::MailSettingsIncomplete);
    }
    std::string error;
    if (!Password(error)) {
        to << "pellomar: mail cannot be sent: " << error << "\n";
        state_.Log(error);
        return ExitCode(MailAgentExit::PasswordFileUnusable);
    }
    return std::nullopt;
}

std::optional<std::string> AgentProgram::Password(std::string& error) const {
    if (settings_.password_file.empty()) {
        return std::string();
    }
    return PasswordFile::Read(settings_.password_file, error);
}

void AgentProgram::StartDeliverer() {
    std::string error;
    std::optional<DelivererLock> lock = DelivererLock::TryAcquire(state_.LockPath(), error);
    if (!lock) {
        return;  // the deliverer that holds it finds this message too
    }
    out_.flush();
    err_.flush();
    const pid_t child = fork();
    if (child < 0) {
        state_.Log("no deliverer started (fork failed): the next launch delivers");
    }
    if (child != 0) {
        return;  // the child holds the lock now
    }
    DetachFromCaller();
    lock->NameHolder();
    DeliverAsLongAsQueued(std::move(*lock));
    _exit(0);
}

// A message queued just before the lock is released finds the lock taken and leaves its
// delivery to this process: so after releasing it, look again.
void AgentProgram::DeliverAsLongAsQueued(DelivererLock lock) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Deliverer deliverer(
        outbox_, state_, settings_, [this](const std::string& mail) { return SendNow(mail); },
        SleepFor);
    std::optional<DelivererLock> held = std::move(lock);
    while (held) {
        state_.Log("delivering: lock held");
        while (deliverer.DeliverNext() != Deliverer::Step::Empty) {
            // A deliverer may run for hours: fixed settings count from the next attempt on.
            settings_ = MailSettings::FromIni(IniFile(ReadText(settings_file_)));
        }
        state_.Log("delivered all: lock released");
        held.reset();
        if (outbox_.Messages().empty()) {
            break;
        }
        std::string error;
        if (std::optional<DelivererLock> again =
                DelivererLock::TryAcquire(state_.LockPath(), error)) {
            held.emplace(std::move(*again));
        }
    }
    state_.Log("deliverer ended");
}

SendResult AgentProgram::SendNow(const std::string& mail) const {
    SendResult result;
    if (!settings_.Usable()) {
        result.error = "the mail settings are incomplete: " + settings_.problems.front();
        return result;
    }
    const std::optional<std::string> password = Password(result.error);
    if (!password) {
        return result;
    }
    return SmtpSender(settings_, *password).Send(mail);
}

int AgentProgram::Status() {
    out_ << "pellomar: mail settings in " << settings_file_.string() << "\n";
    if (!MailBlocked(out_)) {
        out_ << "  mail goes to " << settings_.to.size() << " address(es) via " << settings_.url
             << "\n";
    }
    const std::optional<pid_t> holder = DelivererLock::Holder(state_.LockPath());
    out_ << "Deliverer: "
         << (holder ? "running (process " + std::to_string(*holder) + ")" : "not running") << "\n";
    PrintMessages("Outbox", outbox_.QueueFolder(), outbox_.Messages());
    PrintMessages("Failed (given up, kept)", outbox_.FailedFolder(), outbox_.FailedMessages());
    const auto value = [&](const char* key) { return state_.Value(key).value_or(""); };
    if (!value("DeliveredAt").empty()) {
        out_ << "Last delivery: " << value("DeliveredAt") << " \"" << value("Subject")
             << "\"\n  server reply: " << value("ServerReply") << "\n";
    } else {
        out_ << "Last delivery: none yet\n";
    }
    if (!value("FailedAt").empty()) {
        out_ << "Last failure: " << value("FailedAt") << ": " << value("Failure") << "\n";
    }
    out_ << "Log: " << state_.LogPath().string() << "\n";
    return ExitCode(MailAgentExit::Queued);
}

void AgentProgram::PrintMessages(const std::string& title, const std::filesystem::path& folder,
                                 const std::vector<QueuedMessage>& messages) {
    out_ << title << ": " << messages.size() << " message(s) in " << folder.string() << "\n";
    for (const QueuedMessage& message : messages) {
        out_ << "  " << TimeText(message.queued) << "  " << message.event_word << "  "
             << message.Instance() << "\n";
    }
}

int AgentProgram::Test() {
    const std::string message = ClockText() + "<br>pellomar#" + HostName() +
                                "<br>This is a test e-mail from pellomar --test.";
    QueuedMessage test{"", std::chrono::system_clock::now(), kTestEvent, message};
    std::string error;
    const std::optional<std::string> name = outbox_.Enqueue(test, error);
    if (!name) {
        out_ << "The test e-mail could not be queued: " << error << "\n";
        return ExitCode(MailAgentExit::NotQueued);
    }
    if (const std::optional<int> blocked = MailBlocked(out_)) {
        out_ << "The test e-mail stays in the outbox until the settings are fixed.\n";
        return *blocked;
    }
    out_ << "Test e-mail queued; sending it to " << settings_.url << " ...\n";
    out_.flush();
    const std::string failures_before = state_.Value("Failures").value_or("0");
    StartDeliverer();
    if (WaitForOutcome(*name, failures_before)) {
        state_.Reload();
        out_ << "ARRIVED: the server accepted the test e-mail.\n  server reply: "
             << state_.Value("ServerReply").value_or("") << "\n";
        return ExitCode(MailAgentExit::Queued);
    }
    state_.Reload();
    const bool failed = state_.Value("Failures").value_or("0") != failures_before;
    out_ << "NOT DELIVERED: "
         << (failed ? state_.Value("Failure").value_or("") : "no outcome within the time-outs")
         << "\nIt stays in the outbox and the deliverer keeps trying (pellomar --status).\n";
    return ExitCode(MailAgentExit::NotDelivered);
}

// Until the message has left, or a delivery failed, for as long as one attempt may take.
bool AgentProgram::WaitForOutcome(const std::string& name, const std::string& failures_before) {
    const Seconds patience = settings_.connect_timeout + settings_.transfer_timeout;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(patience);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!std::filesystem::exists(outbox_.QueueFolder() / name)) {
            return true;
        }
        state_.Reload();
        if (state_.Value("Failures").value_or("0") != failures_before) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace quillon::agent
