// SPDX-License-Identifier: MIT
#include "ui/headless/console_writer.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "ui/headless/console_event_lines.hpp"

namespace quillon {
namespace {

// A pipe whose reader reads only when the test says so.
class ConsoleWriterTest : public ::testing::Test {
protected:
    ConsoleWriterTest() {
        ::pipe2(ends_, O_CLOEXEC);
        ::fcntl(ends_[0], F_SETPIPE_SZ, 4096);
    }
    ~ConsoleWriterTest() override {
        for (const int fd : ends_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    std::string Read() {
        const int flags = ::fcntl(ends_[0], F_GETFL);
        ::fcntl(ends_[0], F_SETFL, flags | O_NONBLOCK);
        std::string text;
        char chunk[4096];
        for (ssize_t got; (got = ::read(ends_[0], chunk, sizeof chunk)) > 0;) {
            text.append(chunk, static_cast<std::size_t>(got));
        }
        return text;
    }
    ConsoleWriter::Report Reports() {
        return [this](const std::string& line) { reports_.push_back(line); };
    }

    int ends_[2] = {-1, -1};
    std::vector<std::string> reports_;
};

// 100 lines of 100 bytes into a 4 KiB pipe and a 1 KiB queue: the pipe and the queue take
// what fits, the rest is dropped; none of the calls waits for the reader.
TEST_F(ConsoleWriterTest, DropsWhatDoesNotFitAndSaysHowManyOnceThereIsRoom) {
    ConsoleWriter writer(ends_[1], "standard output", Reports(), 1024);
    const std::string line(99, 'x');
    for (int i = 0; i < 100; ++i) {
        writer.WriteLine(line);
    }
    const std::uint64_t dropped = writer.DroppedLines();
    EXPECT_GT(dropped, 0u);
    const std::string first = Read();
    EXPECT_EQ(first.size() % 100, 0u);
    writer.WriteLine("after");
    writer.Flush();
    const std::string rest = Read();
    const std::string note = "quillon: " + std::to_string(dropped) +
                             " lines dropped here: the reader did not keep up\nafter\n";
    ASSERT_GE(rest.size(), note.size());
    EXPECT_EQ(rest.substr(rest.size() - note.size()), note);
    EXPECT_EQ((first.size() + rest.size() - note.size()) / 100 + dropped, 100u);
    EXPECT_TRUE(reports_.empty());
}

// With --events-json the count is a JSON line of its own, so the stream stays JSON lines.
TEST_F(ConsoleWriterTest, ForJsonLinesTheDroppedCountIsAnEvent) {
    ConsoleWriter writer(ends_[1], "standard output", Reports(), 1024);
    writer.SetDroppedNote(ConsoleDroppedLine);
    const std::string line = R"({"event":")" + std::string(84, 'x') + R"("})";
    for (int i = 0; i < 100; ++i) {
        writer.WriteLine(line);
    }
    const std::uint64_t dropped = writer.DroppedLines();
    ASSERT_GT(dropped, 0u);
    Read();
    writer.WriteLine(line);
    writer.Flush();
    const std::string text = Read();
    ASSERT_GT(text.size(), line.size() + 1);
    const std::size_t note_end = text.size() - line.size() - 1;
    EXPECT_EQ(text.substr(note_end), line + "\n");
    // {"time":"<a time>","event":"console_dropped","lines":<dropped>}
    const std::string time_key = R"({"time":")";
    const std::string rest =
        R"(","event":"console_dropped","lines":)" + std::to_string(dropped) + "}\n";
    const std::size_t note_start = text.rfind(time_key);
    ASSERT_LT(note_start, note_end) << text;
    const std::string note = text.substr(note_start, note_end - note_start);
    ASSERT_GT(note.size(), time_key.size() + rest.size()) << "a time" << text;
    EXPECT_EQ(note.substr(note.size() - rest.size()), rest) << text;
    const std::string time =
        note.substr(time_key.size(), note.size() - time_key.size() - rest.size());
    EXPECT_EQ(time.find('"'), std::string::npos) << text;
}

TEST_F(ConsoleWriterTest, AReaderThatWentAwayIsReportedOnce) {
    // As the programs do: the failed write is reported, not fatal.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    ::close(std::exchange(ends_[0], -1));
    ConsoleWriter writer(ends_[1], "standard output", Reports());
    for (int i = 0; i < 3; ++i) {
        writer.WriteLine("line");
    }
    writer.FlushAtEnd(std::chrono::milliseconds(0));
    EXPECT_EQ(reports_, std::vector<std::string>{
                            "quillon: writing to standard output failed (Broken pipe); its lines "
                            "are dropped from now on"});
    std::signal(SIGPIPE, previous);
}

TEST_F(ConsoleWriterTest, TheEndReportsWhatTheReaderLeft) {
    ConsoleWriter writer(ends_[1], "standard output", Reports(), 64 * 1024);
    for (int i = 0; i < 100; ++i) {
        writer.WriteLine(std::string(99, 'x'));
    }
    writer.FlushAtEnd(std::chrono::milliseconds(0));
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find(" lines of standard output not written at the end"),
              std::string::npos);
}

TEST_F(ConsoleWriterTest, LeavesTheSharedDescriptorBlocking) {
    const int before = ::fcntl(ends_[1], F_GETFL);
    {
        ConsoleWriter writer(ends_[1], "standard output");
        writer.WriteLine("line");
        EXPECT_EQ(::fcntl(ends_[1], F_GETFL), before);
    }
    EXPECT_EQ(Read(), "line\n");
}

}  // namespace
}  // namespace quillon
