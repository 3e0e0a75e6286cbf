// SPDX-License-Identifier: MIT
#include "agent/agent_program.hpp"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <exception>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "agent/contract/mail_agent_exit.hpp"
#include "agent/deliverer.hpp"
#include "agent/deliverer_lock.hpp"
#include "agent/outbox_watch.hpp"
#include "agent/password_file.hpp"
#include "agent/printable_text.hpp"
#include "agent/sent_ledger.hpp"
#include "agent/smtp_sender.hpp"
#include "platform/linux/durable_file.hpp"
#include "utility/whole_file.hpp"

namespace quillon::agent {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::string unused;
    return ReadWholeFile(path, unused).value_or("");
}

int ExitCode(MailAgentExit status) {
    return static_cast<int>(status);
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

// When this process was started, in clock ticks since boot (the 22nd field of its stat).
long long LaunchTick() {
    const std::string stat = ReadText("/proc/self/stat");
    std::istringstream fields(stat.substr(std::min(stat.size(), stat.rfind(')') + 2)));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22) {
            return WholeInteger(field).value_or(0);
        }
    }
    return 0;
}

std::string Quoted(const std::string& text) {
    return "\"" + Printable(text) + "\"";
}

}  // namespace

AgentProgram::AgentProgram(std::filesystem::path settings_file,
                           const std::filesystem::path& state_folder, std::ostream& out,
                           std::ostream& err)
    : started_(std::chrono::system_clock::now()),
      settings_file_(std::move(settings_file)),
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
    err_ << "pellomar: " << Printable(request.problem) << "\n" << kUsage;
    return ExitCode(MailAgentExit::BadCommandLine);
}

int AgentProgram::Queue(const AgentRequest& request) {
    QueuedMessage message{"", started_, request.event_word, request.message, LaunchTick()};
    std::string error;
    std::optional<std::string> name = outbox_.Enqueue(message, error);
    if (!name) {
        err_ << "pellomar: the message was not queued: " << Printable(error) << "\n";
        state_.Log("NOT queued: " + error);
        return ExitCode(MailAgentExit::NotQueued);
    }
    state_.Log("queued " + *name + " (" + request.event_word + ")");
    for (const std::string& refused : settings_.refused) {
        state_.Log("setting " + refused);
    }
    if (const std::optional<int> blocked = MailBlocked(err_)) {
        return *blocked;
    }
    return StartDeliverer(err_).value_or(ExitCode(MailAgentExit::Queued));
}

std::optional<int> AgentProgram::MailBlocked(std::ostream& to) {
    if (!settings_.Usable()) {
        to << "pellomar: mail cannot be sent: the settings in " << settings_file_.string()
           << " are incomplete:\n";
        for (const std::string& problem : settings_.problems) {
            to << "  - " << Printable(problem) << "\n";
        }
        state_.Log("mail settings incomplete: " + settings_.problems.front());
        return ExitCode(MailAgentExit::MailSettingsIncomplete);
    }
    std::string error;
    if (!Password(error)) {
        to << "pellomar: mail cannot be sent: " << Printable(error) << "\n";
        state_.Log(error);
        return ExitCode(MailAgentExit::PasswordFileUnusable);
    }
    return std::nullopt;
}

std::size_t AgentProgram::PrintRefused(std::ostream& to) const {
    if (!settings_.refused.empty()) {
        to << "pellomar: settings refused in " << settings_file_.string() << ":\n";
        for (const std::string& refused : settings_.refused) {
            to << "  - " << Printable(refused) << "\n";
        }
    }
    return settings_.refused.size();
}

std::optional<std::string> AgentProgram::Password(std::string& error) const {
    if (settings_.password_file.empty()) {
        return std::string();
    }
    return PasswordFile::Read(settings_.password_file, error);
}

std::string AgentProgram::Credentials() const {
    std::string error;
    return ReadText(settings_file_) + "\n" +
           std::to_string(std::hash<std::string>{}(Password(error).value_or("")));
}

std::optional<int> AgentProgram::StartDeliverer(std::ostream& to) {
    std::string error;
    std::optional<DelivererLock> lock = DelivererLock::TryAcquire(state_.LockPath(), error);
    if (!lock) {
        if (error.empty()) {
            return std::nullopt;  // the deliverer that holds it wakes for this message
        }
        to << "pellomar: the message is queued, but no deliverer can run: " << Printable(error)
           << "\n";
        state_.Log("ERROR: no deliverer can run: " + error);
        return ExitCode(MailAgentExit::DelivererLockUnusable);
    }
    out_.flush();
    err_.flush();
    const pid_t child = fork();
    if (child < 0) {
        state_.Log("no deliverer started (fork failed): the next launch delivers");
    }
    if (child != 0) {
        return std::nullopt;  // the child holds the lock now
    }
    DetachFromCaller();
    lock->NameHolder();
    DeliverGuarded(std::move(*lock));
    _exit(0);
}

void AgentProgram::DeliverGuarded(DelivererLock lock) {
    try {
        DeliverAsLongAsQueued(std::move(lock));
    } catch (const std::exception& failure) {
        state_.Log("ERROR: the deliverer ended on a failure: " + std::string(failure.what()) +
                   "; the next launch starts a new one");
    } catch (...) {
        state_.Log(
            "ERROR: the deliverer ended on an unknown failure; the next launch starts a "
            "new one");
    }
}

void AgentProgram::ReloadSettings() {
    settings_ = MailSettings::FromIni(IniFile(ReadText(settings_file_)));
}

// A message queued just before the lock is released finds the lock taken and leaves its
// delivery to this process: so after releasing it, look again.
void AgentProgram::DeliverAsLongAsQueued(DelivererLock lock) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    outbox_.RemoveStaleTemporaries(std::chrono::seconds(60));
    std::string ignored;
    DurableFile::MakeFolder(outbox_.QueueFolder(), ignored);
    const OutboxWatch watch(outbox_.QueueFolder());
    SentLedger ledger(state_.LedgerPath());
    Deliverer deliverer(
        outbox_, state_, ledger, settings_,
        [this](const std::string& mail, const std::vector<std::string>& to,
               const SmtpSender::Accepted& accepted) { return SendNow(mail, to, accepted); },
        [&watch](Seconds longest) { watch.Wait(longest); }, {}, [this] { return Credentials(); });
    std::optional<DelivererLock> held = std::move(lock);
    while (held) {
        state_.Log("delivering: lock held");
        while (deliverer.DeliverNext() != Deliverer::Step::Empty) {
            // A deliverer may run for hours: fixed settings count from the next attempt on.
            ReloadSettings();
        }
        state_.Log("delivered all: lock released");
        held.reset();
        if (!deliverer.HasWork()) {
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

SendResult AgentProgram::SendNow(const std::string& mail, const std::vector<std::string>& to,
                                 const SmtpSender::Accepted& accepted) const {
    SendResult result;
    if (!settings_.Usable()) {
        result.error = "the mail settings are incomplete: " + settings_.problems.front();
        return result;
    }
    const std::optional<std::string> password = Password(result.error);
    if (!password) {
        return result;
    }
    return SmtpSender(settings_, *password).Send(mail, to, accepted);
}

int AgentProgram::Status() {
    out_ << "pellomar: mail settings in " << settings_file_.string() << "\n";
    PrintRefused(out_);
    if (!MailBlocked(out_)) {
        out_ << "  mail goes to " << settings_.to.size() << " address(es) via "
             << Printable(settings_.ShownUrl()) << "\n";
    }
    PrintDeliverer();
    PrintMessages(outbox_.Messages());
    PrintFailed();
    PrintRecipients();
    const auto value = [&](const char* key) { return state_.Value(key).value_or(""); };
    if (!value("DeliveredAt").empty()) {
        out_ << "Last delivery: " << Printable(value("DeliveredAt")) << " "
             << Quoted(value("Subject")) << "\n  server reply: " << Printable(value("ServerReply"))
             << "\n";
    } else {
        out_ << "Last delivery: none yet\n";
    }
    if (!value("FailedAt").empty()) {
        out_ << "Last failure: " << Printable(value("FailedAt")) << ": "
             << Printable(value("Failure")) << "\n";
    }
    if (!value("LoginRefusedAt").empty()) {
        out_ << "LOGIN REFUSED: the server refused the user name or password at "
             << Printable(value("LoginRefusedAt"))
             << "; the deliverer tries again every 10 minutes, at once when pellomar.ini or the "
                "password file changes\n";
    }
    if (!value("StateError").empty()) {
        out_ << "STATE NOT SAVED: " << Printable(value("StateError")) << "\n";
    }
    out_ << "Log: " << state_.LogPath().string() << "\n";
    return ExitCode(MailAgentExit::Queued);
}

void AgentProgram::PrintDeliverer() {
    std::string error;
    const std::optional<pid_t> holder = DelivererLock::Holder(state_.LockPath(), error);
    if (!error.empty()) {
        out_ << "Deliverer: CANNOT RUN: " << Printable(error) << "\n";
    } else if (holder) {
        out_ << "Deliverer: running (process " << *holder << ")\n";
    } else {
        out_ << "Deliverer: not running\n";
    }
    for (const std::filesystem::path& folder : {state_.Folder(), outbox_.QueueFolder()}) {
        if (std::filesystem::exists(folder) && access(folder.c_str(), W_OK) != 0) {
            out_ << "STATE NOT SAVED: " << folder.string()
                 << " cannot be written: sent messages cannot leave the outbox\n";
        }
    }
}

void AgentProgram::PrintMessages(const std::vector<QueuedMessage>& messages) {
    out_ << "Outbox: " << messages.size() << " message(s) in " << outbox_.QueueFolder().string()
         << "\n";
    for (const QueuedMessage& message : messages) {
        out_ << "  " << TimeText(message.queued) << "  " << Printable(message.event_word) << "  "
             << Printable(message.Instance()) << "\n";
    }
}

void AgentProgram::PrintFailed() {
    const std::vector<FailedMessage> failed = outbox_.FailedMessages();
    out_ << "Failed (given up, kept): " << failed.size() << " message(s) in "
         << outbox_.FailedFolder().string() << "\n";
    for (const FailedMessage& entry : failed) {
        out_ << "  ";
        if (entry.message) {
            out_ << TimeText(entry.message->queued) << "  " << Printable(entry.message->event_word)
                 << "  " << Printable(entry.message->Instance());
        } else {
            out_ << Printable(entry.name);
        }
        const std::string reason = entry.reason.substr(0, entry.reason.find_last_not_of('\n') + 1);
        out_ << (reason.empty() ? "" : "\n    why: " + Printable(reason)) << "\n";
    }
}

void AgentProgram::PrintRecipients() {
    for (const auto& [address, refusal] : state_.RefusedRecipients()) {
        out_ << "Recipient refused: " << Printable(address) << " at " << Printable(refusal) << "\n";
    }
}

int AgentProgram::Test() {
    const std::string message = ClockText() + "<br>pellomar#" + HostName() +
                                "<br>This is a test e-mail from pellomar --test.";
    QueuedMessage test{"", started_, kTestEvent, message, LaunchTick()};
    std::string error;
    const std::optional<std::string> name = outbox_.Enqueue(test, error);
    if (!name) {
        out_ << "The test e-mail could not be queued: " << Printable(error) << "\n";
        return ExitCode(MailAgentExit::NotQueued);
    }
    const std::size_t refused = PrintRefused(out_);
    std::optional<int> blocked = MailBlocked(out_);
    if (!blocked && refused > 0) {
        blocked = ExitCode(MailAgentExit::MailSettingsIncomplete);
    }
    if (blocked) {
        out_ << "The test e-mail stays in the outbox until the settings are fixed.\n";
        return *blocked;
    }
    out_ << "Test e-mail queued; sending it to " << Printable(settings_.ShownUrl()) << " ...\n";
    out_.flush();
    const std::string failures_before = state_.Value("Failures").value_or("0");
    if (const std::optional<int> unusable = StartDeliverer(out_)) {
        return *unusable;
    }
    if (WaitForOutcome(*name, failures_before)) {
        state_.Reload();
        out_ << "ARRIVED: the server accepted the test e-mail.\n  server reply: "
             << Printable(state_.Value("ServerReply").value_or("")) << "\n";
        return ExitCode(MailAgentExit::Queued);
    }
    state_.Reload();
    const bool failed = state_.Value("Failures").value_or("0") != failures_before;
    out_ << "NOT DELIVERED: "
         << (failed ? Printable(state_.Value("Failure").value_or(""))
                    : "no outcome within the time-outs")
         << "\nIt stays in the outbox and the deliverer keeps trying (pellomar --status).\n";
    return ExitCode(MailAgentExit::NotDelivered);
}

// Until the message has left, or a delivery failed, for as long as the deliverer may need to
// end an attempt already under way and make this one.
bool AgentProgram::WaitForOutcome(const std::string& name, const std::string& failures_before) {
    const Seconds patience = 2 * (settings_.connect_timeout + settings_.transfer_timeout);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(patience);
    SentLedger ledger(state_.LedgerPath());
    while (std::chrono::steady_clock::now() < deadline) {
        ledger.Load();
        if (!std::filesystem::exists(outbox_.QueueFolder() / name) || ledger.Finished(name)) {
            return !std::filesystem::exists(outbox_.FailedFolder() / name);
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
