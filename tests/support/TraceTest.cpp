#include "support/Trace.h"

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Collects trace lines for one test and uninstalls itself afterwards.
class TraceCapture {
public:
    TraceCapture() {
        Zelt::SetTraceSink([this](std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~TraceCapture() { Zelt::SetTraceSink(nullptr); }

    std::vector<std::string> Lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace

TEST(DebugTrace, FormatsPrintfStyleAndEndsEveryCallWithOneLineBreak) {
    TraceCapture capture;
    Zelt::DebugTrace("CClientSocket::Connect(): OK.\n");
    Zelt::DebugTrace("resolve_hostname_inet: resolved address=%s", "198.18.0.10");
    Zelt::DebugTrace("Send data size: %lu(0x%08x)\n", 300ul, 300u);
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"CClientSocket::Connect(): OK.\n",
                                        "resolve_hostname_inet: resolved address=198.18.0.10\n",
                                        "Send data size: 300(0x0000012c)\n"}));
}

TEST(DebugTrace, LinesFromManyThreadsArriveWhole) {
    TraceCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                Zelt::DebugTrace("thread %d line %d %s\n", t, i, std::string(100, 'x').c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 800u);
    std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(distinct.size(), 800u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    }
}

TEST(DebugTrace, NothingArrivesAfterTheSinkIsRemoved) {
    std::vector<std::string> lines;
    Zelt::SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    Zelt::DebugTrace("seen\n");
    Zelt::SetTraceSink(nullptr);
    Zelt::DebugTrace("not seen\n");
    EXPECT_EQ(lines, std::vector<std::string>{"seen\n"});
}
