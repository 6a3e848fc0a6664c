// Faults around the tool: output locations that cannot be written or fill up, image sub-maps
// that are missing or damaged, and a bake interrupted by a signal. Each ends with a message and
// an exit status that says what happened, and leaves no output file and no temporary behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/damaged_images.h"
#include "tests/support/tool_runner.h"
#include "tool/base/tool_error.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/module/plugin_module.h"
#include "tool/module/texmap_ptr.h"
#include "tool/setup/preset.h"

namespace fs = std::filesystem;

namespace {

// The tool started in a child process, standard output and error into files of `io`.
struct Child {
    pid_t pid = -1;
    fs::path out, err;
};

struct Limits {
    rlim_t fileSize = RLIM_INFINITY;  // RLIMIT_FSIZE in bytes
    uid_t user = 0;                   // run as this user when started as root (0: stay)
};

Child Start(const std::vector<std::string>& args, const fs::path& io, const Limits& limits = {}) {
    Child child{-1, io / "stdout", io / "stderr"};
    std::vector<std::string> words = {QUORV_TOOL_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string out = child.out.string(), err = child.err.string();
    child.pid = fork();
    if (child.pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        const int in = open("/dev/null", O_RDONLY);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (in < 0 || o < 0 || e < 0) _exit(126);
        dup2(in, 0), dup2(o, 1), dup2(e, 2);
        // A background job of a non-interactive shell starts with SIGINT ignored, and the tool
        // rightly keeps what it inherits; the interruption tests need the signals delivered.
        signal(SIGINT, SIG_DFL), signal(SIGTERM, SIG_DFL);
        const rlimit fsize{limits.fileSize, limits.fileSize};
        if (limits.fileSize != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &fsize) != 0) _exit(126);
        if (limits.user != 0 && geteuid() == 0 && (setgid(limits.user) || setuid(limits.user)))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

int Wait(const Child& child) {
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Exited by itself with status 1 and one line naming `mentions`.
void ExpectRefused(int status, const Child& child, const std::string& mentions) {
    const std::string err = ReadAll(child.err);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << ": " << err;
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(mentions), std::string::npos) << err;
}

// Empty: neither the output nor a hidden temporary next to it.
void ExpectEmpty(const fs::path& folder) {
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.push_back(entry.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

// A folder inside the scratch folder that other users may enter too (the scratch folder is
// private to its owner).
fs::path OpenFolder(const ScratchFolder& dir, const std::string& name, fs::perms perms) {
    fs::permissions(dir.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path folder = dir / name;
    fs::create_directory(folder);
    fs::permissions(folder, perms);
    return folder;
}

TEST(Faults, FullOutputLocationIsReportedAndCleanedUp) {
    ScratchFolder dir, io;
    const fs::path out = OpenFolder(dir, "out", fs::perms::all);
    // A file size limit stands in for a full disk: writing past it fails (and would raise
    // SIGXFSZ, which must not kill the tool).
    const Limits small{2048, 0};
    for (const char* name : {"big.png", "big.exr"}) {
        SCOPED_TRACE(name);
        // One thread: a failure in the middle of a parallel bake is handed back through TBB's
        // scheduler, which ThreadSanitizer cannot see (tests/tsan.supp).
        const Child bake =
            Start({"--threads", "1", "bake", "-q", "--res", "300", "-o", (out / name).string()},
                  io.Path(), small);
        // The path, what was done and the system's reason (EFBIG).
        ExpectRefused(Wait(bake), bake,
                      "cannot write '" + (out / name).string() + "': File too large");
        ExpectEmpty(out);
    }
    const Child preset = Start({"params", "--save-preset", (out / "preset.json").string()},
                               io.Path(), Limits{512, 0});
    ExpectRefused(Wait(preset), preset, "preset.json': File too large");
    ExpectEmpty(out);

    // A tiny file system where one can be mounted (root in a private mount namespace).
    if (geteuid() == 0 && std::system("unshare -m true 2>/dev/null") == 0) {
        for (const char* name : {"full.png", "full.exr"}) {
            const std::string script =
                "mount -t tmpfs -o size=16k tmpfs '" + out.string() + "' && '" + QUORV_TOOL_PATH +
                "' --threads 1 bake -q --res 300 -o '" + (out / name).string() + "' 2>'" +
                (io / "stderr").string() + "'; echo \\$? >'" + (io / "status").string() +
                "'; ls -A '" + out.string() + "' >'" + (io / "left").string() + "'";
            if (std::system(("unshare -m sh -c \"" + script + "\"").c_str()) == 0) {
                EXPECT_EQ(ReadAll(io / "status"), "1\n") << ReadAll(io / "stderr");
                EXPECT_NE(
                    ReadAll(io / "stderr").find(std::string(name) + "': No space left on device"),
                    std::string::npos)
                    << ReadAll(io / "stderr");
                EXPECT_EQ(ReadAll(io / "left"), "");
            }
        }
    }
}

TEST(Faults, UnwritableOutputLocationsAreRefusedBeforeWork) {
    ScratchFolder dir, io;
    // Permissions bind everyone but root: run as nobody when started as root.
    const fs::path locked = OpenFolder(dir, "locked",
                                       fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    const Limits asNobody{RLIM_INFINITY, 65534};
    const Child bake = Start({"bake", "-o", (locked / "x.png").string()}, io.Path(), asNobody);
    ExpectRefused(Wait(bake), bake, "x.png");
    const Child preset =
        Start({"params", "--save-preset", (locked / "p.json").string()}, io.Path(), asNobody);
    ExpectRefused(Wait(preset), preset, "p.json");
    ExpectEmpty(locked);

    // A file system that takes no new files at all.
    const Child proc = Start({"bake", "-o", "/proc/quorv-x.png"}, io.Path());
    ExpectRefused(Wait(proc), proc, "/proc/quorv-x.png");

    // Pipes are not replaced by the finished file, and get no temporary beside them.
    const fs::path pipes = dir / "pipes";
    fs::create_directory(pipes);
    for (const char* name : {"fifo.png", "fifo.json"}) {
        ASSERT_EQ(mkfifo((pipes / name).c_str(), 0600), 0);
    }
    const Child toFifo = Start({"bake", "-o", (pipes / "fifo.png").string()}, io.Path());
    ExpectRefused(Wait(toFifo), toFifo, "not a regular file");
    const Child presetToFifo =
        Start({"params", "--save-preset", (pipes / "fifo.json").string()}, io.Path());
    ExpectRefused(Wait(presetToFifo), presetToFifo, "not a regular file");
    for (const char* name : {"fifo.png", "fifo.json"})
        EXPECT_TRUE(fs::is_fifo(pipes / name)) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(pipes), fs::directory_iterator()), 2);
}

TEST(Faults, MissingOrDamagedImageSubMapsAreNamed) {
    ScratchFolder dir, io;
    WriteDamagedImages(dir.Path());

    const fs::path out = dir / "out";
    fs::create_directory(out);
    for (const char* name : {"missing.png", "empty.png", "cut.png", "flipped.png", "wide.png",
                             "empty.exr", "cut.exr", "garbage.exr", "folder.png"}) {
        SCOPED_TRACE(name);
        for (const char* slot : {"sizeMap", "color2map"}) {
            const Child bake = Start({"bake", "-q", "--res", "16", "-o", (out / "x.png").string(),
                                      "--map", std::string(slot) + "=" + (dir / name).string()},
                                     io.Path());
            ExpectRefused(Wait(bake), bake, name);
        }
    }
    ExpectEmpty(out);
    // The undamaged images do load.
    for (const char* name : {"good.png", "good.exr"}) {
        const Child bake = Start({"bake", "-q", "--res", "16", "-o", (out / "x.png").string(),
                                  "--map", std::string("sizeMap=") + (dir / name).string()},
                                 io.Path());
        EXPECT_EQ(Wait(bake), 0) << name << ": " << ReadAll(bake.err);
    }
}

TEST(Faults, HostileSettingsAndInputAreRefusedWithOneLine) {
    for (const char* set :
         {"size=inf", "size=-inf", "size=3.4e38", "levels=99999999999", "levels=-2147483649",
          "color1=nan,0,0", "color2=1e39,0,0", "xyz_size_x=0", "seed=-1", "xyz_chan=101",
          "bumpDelta=-0.1", "erosionDelta=0", "spread=0", "size=0x10", "levels=", "=1", "type=7",
          "xyz_map=9", "xyz_tile_x=-5"}) {
        const ToolRun run = RunTool({"eval", "--set", set}, "1 2 3\n");
        EXPECT_EQ(run.exitCode, 1) << set;
        EXPECT_EQ(run.out, "") << set;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << set << ": " << run.err;
    }
    for (const std::string& input :
         {std::string("1e39 0 0\n"), std::string("0x10 0 0\n"), std::string("1 2 \x00 3\n", 9),
          std::string("\xff\xfe\x01\n"), std::string(100000, '7') + " 0 0\n",
          std::string("1 2 3 ") + std::string(5000, ' ') + "4\n"}) {
        const ToolRun run = RunTool({"eval"}, input);
        EXPECT_EQ(run.exitCode, 1) << input.substr(0, 20);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("line 1"), std::string::npos) << run.err.substr(0, 200);
    }
    // Values at the edge of their range reach the map, which answers them soundly (the map
    // suite sets values outside the lists, as a saved scene could hold them).
    const ToolRun odd =
        RunTool({"eval", "--output", "mono", "--set", "xyz_chan=0"}, "1e30 -1e30 3e38\n0 0 0\n");
    EXPECT_EQ(odd.exitCode, 0) << odd.err;
    EXPECT_EQ(odd.out, "1\n1\n");
}

// Found by the preset fuzzer: a whole-number parameter given a JSON number that no integer
// holds was refused with a message that converted it to an integer first.
TEST(Faults, PresetNumbersNoIntegerHoldsAreRefusedAsWritten) {
    PluginModule module(QUORV_MODULE_DIR);
    const std::pair<const char*, const char*> cases[] = {
        {R"({"params": {"useDistortion": 88888888888888888888888888884}})",
         "useDistortion=8.88888888888888"},
        {R"({"params": {"levels": -1e300}})", "levels=-1.0000000000000001e+300 is not accepted"},
        {R"({"params": {"levels": 2.5}})", "levels=2.5"},
        {R"({"Mapping": {"seed": 1e19}})", "seed=1e+19"},
    };
    for (const auto& [text, shown] : cases) {
        TexmapPtr map = CreateMap(module.ScratchesClass());
        MapSources sources;
        try {
            LoadPresetText(text, "p.json", "/", map.get(), module.ScratchesClass(), 0, sources);
            ADD_FAILURE() << text << " was accepted";
        } catch (const ToolError& e) {
            EXPECT_NE(std::string(e.what()).find(shown), std::string::npos) << e.what();
        }
    }
}

TEST(Faults, InterruptedBakeLeavesNothingAndSaysSo) {
    ScratchFolder dir, io;
    // Every format, the texture (whose library writes a file of its own) too.
    for (const auto& [sig, name] : {std::pair{SIGINT, "big.png"}, std::pair{SIGTERM, "big.png"},
                                    std::pair{SIGINT, "big.tif"}, std::pair{SIGTERM, "big.tx"},
                                    std::pair{SIGINT, "big.jpg"}, std::pair{SIGINT, "big.exr"}}) {
        SCOPED_TRACE(std::string(strsignal(sig)) + " " + name);
        // Large enough to be still at work when the signal comes, on any machine.
        const Child bake =
            Start({"bake", "--res", "8192", "-o", (dir / name).string()}, io.Path());
        // The temporary file appears before the work starts; interrupt during the work.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fs::directory_iterator(dir.Path()) == fs::directory_iterator() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(bake.pid, sig);
        const int status = Wait(bake);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "exit " << WEXITSTATUS(status) << ": " << ReadAll(bake.err);
        EXPECT_EQ(WTERMSIG(status), sig);
        const std::string err = ReadAll(bake.err);
        // Standard error is a file here: the one line, without an empty one before it.
        EXPECT_EQ(err, sig == SIGINT
                           ? "quorv-scratches: interrupted; the unfinished output was removed\n"
                           : "quorv-scratches: terminated; the unfinished output was removed\n");
        ExpectEmpty(dir.Path());
    }
}

}  // namespace
