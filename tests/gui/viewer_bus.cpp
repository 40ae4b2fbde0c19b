// Message registration on the viewer bus: the same number for the same name in every process, refusal of
// unsafe folders, and tolerance of a damaged table.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "platform/ViewerBus.h"

namespace {

// Points the bus at a folder of the test's own for the lifetime of the object.
class BusFolder {
public:
    explicit BusFolder(const std::string& path) : path_(path) {
        const char* old = std::getenv("ORVENNA_BUS_DIR");
        if (old) saved_ = old, hadOld_ = true;
        setenv("ORVENNA_BUS_DIR", path.c_str(), 1);
    }
    ~BusFolder() {
        if (hadOld_)
            setenv("ORVENNA_BUS_DIR", saved_.c_str(), 1);
        else
            unsetenv("ORVENNA_BUS_DIR");
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string saved_;
    bool hadOld_ = false;
};

// Sets or unsets environment variables while the object lives.
class EnvScope {
public:
    ~EnvScope() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                unsetenv(it->name.c_str());
        }
    }
    void set(const char* name, const char* value) {
        save(name);
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

private:
    struct Saved {
        std::string name, value;
        bool had;
    };
    void save(const char* name) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? old : "", old != nullptr});
    }
    std::vector<Saved> saved_;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

const char* const kNames[7] = {"PELLORANDE_SCR_X_9145",   "PELLORANDE_SCR_Y_9145", "PELLORANDE_SCR_MAG_9145",
                               "PELLORANDE_CONNECT_9145", "PELLORANDE_LAT_9145",   "PELLORANDE_LON_9145",
                               "PELLORANDE_DRAW_9145"};

}  // namespace

TEST(ViewerBus, FolderIsCreatedPrivate) {
    guitest::TempDir dir;
    BusFolder bus(dir.file("bus"));
    std::string error;
    EXPECT_EQ(ViewerBus::runtimeFolder(&error), bus.path()) << error;
    struct stat st {};
    ASSERT_EQ(stat(bus.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(ViewerBus, UnsafeFoldersAreRefused) {
    guitest::TempDir dir;
    const std::string open = dir.file("open");
    ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    const std::string plain = dir.file("plain");
    std::ofstream(plain) << "x";
    const std::string link = dir.file("link");
    const std::string target = dir.file("target");
    ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    for (const std::string& path : {open, plain, link}) {
        BusFolder bus(path);
        std::string error;
        EXPECT_TRUE(ViewerBus::runtimeFolder(&error).empty()) << path;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ViewerBus::registerMessage("PELLORANDE_DRAW_9145"), 0u) << path;
    }
    // The refused folder was left as it was.
    struct stat st {};
    ASSERT_EQ(stat(open.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST(ViewerBus, WithoutAUsableRuntimeFolderTheBusLivesInTheHome) {
    // Each case starts from a fresh home and names its runtime and state folders relative to the test folder
    // (nullptr: unset); `expected` is the folder chosen, relative to the test folder, or empty when refused.
    struct Case {
        const char* what;
        const char* runtime;
        const char* state;
        std::function<void(const std::string& root)> prepare;
        const char* expected;
    };
    auto makeDir = [](const std::string& path, mode_t mode) {
        ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << path;
        ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
    };
    std::vector<Case> cases = {
        {"no runtime folder", nullptr, nullptr, nullptr, "home/.local/state/orvenna-bus"},
        {"no runtime folder, state folder set", nullptr, "state", nullptr, "state/orvenna-bus"},
        {"runtime folder missing", "missing", nullptr, nullptr, "home/.local/state/orvenna-bus"},
        {"runtime folder relative", "", nullptr, nullptr, "home/.local/state/orvenna-bus"},
        {"runtime bus folder open to others", "rt", "state",
         [&](const std::string& root) {
             makeDir(root + "/rt", 0700);
             makeDir(root + "/rt/orvenna", 0755);
         },
         "state/orvenna-bus"},
        {"usable runtime folder", "rt", "state",
         [&](const std::string& root) { makeDir(root + "/rt", 0700); }, "rt/orvenna"},
        {"home bus folder open to others", nullptr, "state",
         [&](const std::string& root) {
             makeDir(root + "/state", 0700);
             makeDir(root + "/state/orvenna-bus", 0755);
         },
         ""},
        {"home bus folder is a symlink", nullptr, "state",
         [&](const std::string& root) {
             makeDir(root + "/state", 0700);
             makeDir(root + "/target", 0700);
             ASSERT_EQ(symlink((root + "/target").c_str(), (root + "/state/orvenna-bus").c_str()), 0);
         },
         ""},
    };
    if (getuid() == 0) {
        // After su: the runtime folder of another user, whose bus folder is that user's.
        cases.push_back({"runtime folder of another user", "rt", "state",
                         [&](const std::string& root) {
                             makeDir(root + "/rt", 0700);
                             makeDir(root + "/rt/orvenna", 0700);
                             ASSERT_EQ(chown((root + "/rt/orvenna").c_str(), 1, 1), 0);
                         },
                         "state/orvenna-bus"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        guitest::TempDir dir;
        const std::string root = dir.path().string();
        EnvScope env;
        env.set("ORVENNA_BUS_DIR", nullptr);
        env.set("HOME", (root + "/home").c_str());
        const std::string runtime = c.runtime && *c.runtime ? root + "/" + c.runtime : "run/user/relative";
        env.set("XDG_RUNTIME_DIR", c.runtime ? runtime.c_str() : nullptr);
        const std::string state = c.state ? root + "/" + c.state : "";
        env.set("XDG_STATE_HOME", c.state ? state.c_str() : nullptr);
        ASSERT_EQ(mkdir((root + "/home").c_str(), 0755), 0);
        if (c.prepare) c.prepare(root);
        const std::map<std::string, mode_t> before = {
            {"rt/orvenna", modeOf(root + "/rt/orvenna")},
            {"state/orvenna-bus", modeOf(root + "/state/orvenna-bus")}};

        std::string error;
        const std::string folder = ViewerBus::runtimeFolder(&error);
        if (*c.expected) {
            EXPECT_EQ(folder, root + "/" + c.expected) << error;
            EXPECT_EQ(modeOf(folder), 0700u);
            EXPECT_NE(ViewerBus::registerMessage("PELLORANDE_DRAW_9145"), 0u);
        } else {
            EXPECT_EQ(folder, "");
            EXPECT_NE(error.find("orvenna-bus"), std::string::npos) << error;
            EXPECT_EQ(ViewerBus::registerMessage("PELLORANDE_DRAW_9145"), 0u);
        }
        // Folders created on the way are private; refused folders are left as they were.
        if (std::string(c.expected).rfind("home/", 0) == 0) {
            EXPECT_EQ(modeOf(root + "/home/.local"), 0700u);
            EXPECT_EQ(modeOf(root + "/home/.local/state"), 0700u);
        }
        for (const auto& [path, mode] : before) {
            if (path != c.expected) {
                EXPECT_EQ(modeOf(root + "/" + path), mode) << path;
            }
        }
    }
}

TEST(ViewerBus, NamesGetStableDistinctNumbers) {
    guitest::TempDir dir;
    BusFolder bus(dir.file("bus"));
    std::set<unsigned> seen;
    unsigned first[7];
    for (int i = 0; i < 7; ++i) {
        first[i] = ViewerBus::registerMessage(kNames[i]);
        EXPECT_EQ(first[i], 0xC000u + i);
        seen.insert(first[i]);
    }
    EXPECT_EQ(seen.size(), 7u);
    for (int i = 6; i >= 0; --i)
        EXPECT_EQ(ViewerBus::registerMessage(kNames[i]), first[i]);
    for (const char* bad : {"", "TWO WORDS", "LINE\nBREAK", "名前"})
        EXPECT_EQ(ViewerBus::registerMessage(bad), 0u);
    EXPECT_EQ(ViewerBus::registerMessage(nullptr), 0u);
    EXPECT_EQ(ViewerBus::registerMessage(std::string(256, 'A').c_str()), 0u);
}

TEST(ViewerBus, TwoProcessesGetTheSameNumbers) {
    guitest::TempDir dir;
    BusFolder bus(dir.file("bus"));
    // Several processes register the seven names at once, each in its own order.
    constexpr int kChildren = 4;
    int pipes[kChildren][2];
    pid_t pids[kChildren];
    for (int c = 0; c < kChildren; ++c) {
        ASSERT_EQ(pipe(pipes[c]), 0);
        pids[c] = fork();
        ASSERT_GE(pids[c], 0);
        if (pids[c] == 0) {
            unsigned numbers[7];
            for (int k = 0; k < 7; ++k) {
                const int i = (k + c * 3) % 7;
                numbers[i] = ViewerBus::registerMessage(kNames[i]);
            }
            const ssize_t ignored = write(pipes[c][1], numbers, sizeof numbers);
            (void)ignored;
            _exit(0);
        }
        close(pipes[c][1]);
    }
    unsigned results[kChildren][7];
    for (int c = 0; c < kChildren; ++c) {
        ASSERT_EQ(read(pipes[c][0], results[c], sizeof results[c]), ssize_t(sizeof results[c]));
        close(pipes[c][0]);
        int status = 0;
        waitpid(pids[c], &status, 0);
    }
    std::set<unsigned> distinct;
    for (int i = 0; i < 7; ++i) {
        const unsigned mine = ViewerBus::registerMessage(kNames[i]);
        distinct.insert(mine);
        EXPECT_GE(mine, 0xC000u);
        for (int c = 0; c < kChildren; ++c)
            EXPECT_EQ(results[c][i], mine) << kNames[i] << " child " << c;
    }
    EXPECT_EQ(distinct.size(), 7u);
}

TEST(ViewerBus, DamagedTableLinesAreSkipped) {
    guitest::TempDir dir;
    BusFolder bus(dir.file("bus"));
    ASSERT_FALSE(ViewerBus::runtimeFolder().empty());
    {
        std::ofstream table(bus.path() + "/messages");
        table << "garbage without number\n"
              << "PELLORANDE_LAT_9145 12\n"        // below the range: ignored
              << "PELLORANDE_LON_9145 99999999\n"  // too long: ignored
              << "OTHER 49200\n"                   // 0xC030, a valid entry of some other name
              << " 49300\n"
              << "TORN_LINE 4";  // no newline at the end
    }
    const unsigned lat = ViewerBus::registerMessage("PELLORANDE_LAT_9145");
    EXPECT_EQ(lat, 49201u);
    EXPECT_EQ(ViewerBus::registerMessage("OTHER"), 49200u);
    EXPECT_EQ(ViewerBus::registerMessage("PELLORANDE_LAT_9145"), lat);
    EXPECT_EQ(ViewerBus::registerMessage("PELLORANDE_LON_9145"), 49202u);
}

ORVENNA_GUI_TEST_MAIN()
