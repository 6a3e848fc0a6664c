// `eval` as a co-process: each answer comes back while the writer waits, before its input
// ends; the run still ends on a bad line with the answers before it given.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "tests/support/tool_runner.h"

namespace {

// The tool with its standard input and output on pipes, standard error in a file.
class CoProcess {
public:
    CoProcess(const std::vector<std::string>& args, const std::string& errFile) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            if (FILE* err = std::freopen(errFile.c_str(), "w", stderr)) (void)err;
            close(in[1]);
            close(out[0]);
            std::vector<char*> argv = {const_cast<char*>(QUORV_TOOL_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toTool_ = in[1];
        fromTool_ = out[0];
    }
    ~CoProcess() {
        CloseInput();
        if (fromTool_ >= 0) close(fromTool_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void Write(const std::string& text) {
        ASSERT_EQ(write(toTool_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void CloseInput() {
        if (toTool_ >= 0) close(toTool_);
        toTool_ = -1;
    }
    // One line of output, waiting at most `seconds`; "" on timeout or end of output.
    std::string ReadLine(int seconds = 30) {
        std::string line;
        char c = 0;
        while (true) {
            pollfd p{fromTool_, POLLIN, 0};
            if (poll(&p, 1, seconds * 1000) != 1 || read(fromTool_, &c, 1) != 1) return "";
            if (c == '\n') return line;
            line += c;
        }
    }
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int toTool_ = -1, fromTool_ = -1;
};

TEST(EvalStream, EachAnswerArrivesBeforeTheInputEnds) {
    const std::vector<std::string> args = {"eval", "--output", "mono"};
    const ToolRun whole = RunTool(args, "1.22828 7.52862 11.1705\n-26.38375 -6.92412 -20.35141\n");
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    const std::string first = whole.out.substr(0, whole.out.find('\n'));
    const std::string second =
        whole.out.substr(first.size() + 1, whole.out.size() - first.size() - 2);

    ScratchFolder dir;
    CoProcess tool(args, (dir / "err").string());
    tool.Write("1.22828 7.52862 11.1705\n");
    EXPECT_EQ(tool.ReadLine(), first);
    tool.Write("# a comment, then a blank line\n\n-26.38375 -6.92412 -20.35141\n");
    EXPECT_EQ(tool.ReadLine(), second);
    tool.Write("1 2 3 4\n");
    tool.CloseInput();
    EXPECT_EQ(tool.ReadLine(), "");
    EXPECT_EQ(tool.Wait(), 1);
    std::FILE* f = std::fopen((dir / "err").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char text[512] = {};
    (void)!std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    EXPECT_NE(std::strstr(text, "line 5"), nullptr) << text;
}

}  // namespace
