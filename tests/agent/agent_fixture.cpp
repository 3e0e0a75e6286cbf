// SPDX-License-Identifier: MIT
#include "agent/agent_fixture.hpp"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <csignal>
#include <fstream>
#include <sstream>

namespace quillon::testing {
namespace {

// The process id a text starts with: a /proc entry's name, a lock file's content.
std::optional<pid_t> ProcessIdIn(const std::string& text) {
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    return error == std::errc() && pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
}

std::string IniText(const std::map<std::string, std::string>& mail, bool with_mail_section) {
    std::string text = "[Global]\nSenderID=Line 3\n";
    if (with_mail_section) {
        text += "[Mail]\n";
        for (const auto& [key, value] : mail) {
            text += key + "=" + value + "\n";
        }
    }
    return text;
}

// Children of the test other than the server: deliverers that have not been collected.
int OtherChildren(pid_t server) {
    int count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string stat = ReadWholeFile((entry.path() / "stat").string());
        const std::size_t end = stat.rfind(')');
        if (end == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(end + 2));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        const std::optional<pid_t> pid = ProcessIdIn(entry.path().filename().string());
        count += parent == getpid() && pid && *pid != server ? 1 : 0;
    }
    return count;
}

// Deliverers leave their launcher at once; as the subreaper, the test collects them.
int CollectEndedOrphans(pid_t keep) {
    int collected = 0;
    siginfo_t info{};
    while (waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0 &&
           info.si_pid != keep) {
        waitpid(info.si_pid, nullptr, 0);
        ++collected;
        info = {};
    }
    return collected;
}

}  // namespace

// The attribute forbids even a change of mode: it goes on last and comes off first.
bool SetFolderReadOnly(const std::filesystem::path& folder, bool read_only) {
    if (read_only && chmod(folder.c_str(), 0500) != 0) {
        return false;
    }
    if (geteuid() == 0) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        const bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                          (flags = read_only ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL,
                           ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0) {
            close(fd);
        }
        if (!done) {
            return false;
        }
    }
    return read_only || chmod(folder.c_str(), 0700) == 0;
}

void AgentFixture::SetUp() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    config = temp.Path() / "config";
    state = temp.Path() / "state";
    std::filesystem::create_directories(config);
    server = std::make_unique<SmtpTestServer>(temp.Path() / "smtp");
    ASSERT_TRUE(server->Start()) << "no loopback port to listen on for the test SMTP server";
    password_file = temp.Write("password", std::string(SmtpTestServer::kPassword) + "\n", 0600);
    mail = {{"Url", server->Url()},
            {"User", SmtpTestServer::kUser},
            {"PasswordFile", password_file},
            {"From", "quillon@lab.example"},
            {"To", "operator@lab.example, night@lab.example"},
            {"SubjectPrefix", "[Quillon]"},
            {"CaFile", server->Certificate().string()},
            {"ConnectTimeout", "2"},
            {"TransferTimeout", "10"},
            {"MergeWindow", "0"},
            {"FirstRetry", "1"},
            {"LongestRetry", "2"}};
    WriteSettings();
}

void AgentFixture::TearDown() {
    // The server starts in the background: a test that failed may have had none to talk to.
    if (HasFailure() && server && server->Pid() != 0 && !server->Answering()) {
        ADD_FAILURE() << "the test SMTP server (python3-aiosmtpd) did not start";
    }
    if (const std::optional<pid_t> deliverer = DelivererId(); deliverer && *deliverer > 0) {
        kill(*deliverer, SIGKILL);
    }
    server.reset();
    WaitUntil([] { return CollectEndedOrphans(0) == 0 && OtherChildren(0) == 0; },
              std::chrono::seconds(5));
}

void AgentFixture::WriteSettings(bool with_mail_section) {
    std::ofstream(config / "pellomar.ini") << IniText(mail, with_mail_section);
}

AgentFixture::Result AgentFixture::Agent(const std::vector<std::string>& arguments) {
    const std::string output_path = (temp.Path() / "agent-output").string();
    const int output = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Result result;
    {
        RunningProgram agent(AgentStart(arguments, output));
        const int status = agent.WaitForExit();
        result.status = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(output);
    result.output = ReadWholeFile(output_path);
    return result;
}

ProgramStart AgentFixture::AgentStart(const std::vector<std::string>& arguments, int output) const {
    ProgramStart start;
    start.program = QUILLON_AGENT_PROGRAM;
    start.arguments = arguments;
    start.environment = {{"QUILLON_CONFIG_DIR", config.string()},
                         {"XDG_STATE_HOME", state.string()}};
    start.standard_output = output;
    start.standard_error = output;
    return start;
}

std::vector<std::string> AgentFixture::AlarmArguments(const std::string& instance,
                                                      const std::string& tag) {
    return {"Global", "Norvane", "Alarm@Line_3",
            "14:03:07<br>DI710#" + instance + "<br>#0>3.3<br><br>#0=3.5_" + tag + "<br>"};
}

bool AgentFixture::WaitForMails(std::size_t count, std::chrono::milliseconds patience) {
    return WaitUntil([&] { return server->Mails().size() >= count; }, patience);
}

int AgentFixture::WaitForDeliverersToEnd(std::chrono::milliseconds patience) {
    int collected = 0;
    WaitUntil(
        [&] {
            collected += CollectEndedOrphans(server->Pid());
            return OutboxEntries().empty() && !DelivererId();
        },
        patience);
    WaitUntil([&] {
        collected += CollectEndedOrphans(server->Pid());
        return OtherChildren(server->Pid()) == 0;
    });
    return collected;
}

int AgentFixture::ChildrenLeft() const {
    return OtherChildren(server->Pid());
}

std::vector<std::string> AgentFixture::OutboxEntries() const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(state / "quillon" / "outbox", ignored)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::optional<pid_t> AgentFixture::DelivererId() const {
    const std::filesystem::path lock = state / "quillon" / "deliverer.lock";
    const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<pid_t> holder;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        holder = ProcessIdIn(ReadWholeFile(lock.string())).value_or(0);  // 0: not written yet
    }
    close(fd);
    return holder;
}

std::map<std::string, int> AgentFixture::TagCounts() const {
    static const std::string kLine = "#0=3.5_tag";
    std::map<std::string, int> counts;
    for (const std::string& mail : server->Mails()) {
        const std::string text = DecodedMail(mail.substr(0, mail.find("text/html")));
        for (std::size_t at = text.find(kLine); at != std::string::npos;
             at = text.find(kLine, at + 1)) {
            const std::size_t digits = at + kLine.size();
            const std::size_t end = text.find_first_not_of("0123456789", digits);
            ++counts["tag" + text.substr(digits, end - digits)];
        }
    }
    return counts;
}

}  // namespace quillon::testing
