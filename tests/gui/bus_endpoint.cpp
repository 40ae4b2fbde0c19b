// Viewer bus sockets: posting to every endpoint (itself included) in order, refusing wrong-size datagrams,
// unknown numbers and strangers, removing sockets of dead viewers, never blocking on a reader that does not
// read while still bringing it whole groups and the last one, never posting into a folder that is no longer
// ours, and draining a flood in bounded batches while the event loop keeps running.
#include <QEventLoop>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"

using namespace navtest;

namespace {

constexpr unsigned kMsg = 0xC005;

// A datagram socket bound at `path` (unbound when empty).
int rawSocket(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    EXPECT_GE(fd, 0);
    if (!path.empty()) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
    }
    return fd;
}

ssize_t sendRaw(int fd, const std::string& to, const void* data, size_t n) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, to.c_str(), sizeof addr.sun_path - 1);
    return sendto(fd, data, n, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
}

ssize_t sendMessage(int fd, const std::string& to, uint32_t message, int32_t wparam) {
    unsigned char bytes[8];
    std::memcpy(bytes, &message, 4);
    std::memcpy(bytes + 4, &wparam, 4);
    return sendRaw(fd, to, bytes, sizeof bytes);
}

class BusEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        scope = std::make_unique<BusFolderScope>(dir.file("bus"));
        a = std::make_unique<Listener>();
        folder = a->endpoint.folder();
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override {
        a.reset();
        scope.reset();
    }
    guitest::TempDir dir;
    std::unique_ptr<BusFolderScope> scope;
    std::unique_ptr<Listener> a;
    std::string folder;
};

TEST_F(BusEndpointTest, PostReachesEveryEndpointItselfIncludedInOrder) {
    Listener b;
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(a->endpoint.postToAll(kMsg, 1), 2);
    EXPECT_EQ(a->endpoint.postToAll(kMsg + 1, -2), 2);
    EXPECT_EQ(a->endpoint.postToAll(kMsg + 2, INT32_MIN), 2);
    const std::vector<std::pair<unsigned, int32_t>> expected = {
        {kMsg, 1}, {kMsg + 1, -2}, {kMsg + 2, INT32_MIN}};
    ASSERT_TRUE(pumpUntil([&] { return a->got.size() >= 3 && b.got.size() >= 3; }));
    EXPECT_EQ(a->got, expected);
    EXPECT_EQ(b.got, expected);
}

TEST_F(BusEndpointTest, WrongSizesUnknownNumbersAndStrangersAreIgnored) {
    const std::string target = a->endpoint.path();
    const int viewer = rawSocket(folder + "/viewer-raw.sock");
    const unsigned char junk[(ViewerBusEndpoint::kMaxGroup + 1) * 8] = {};
    for (size_t n : {size_t(0), size_t(4), size_t(7), size_t(9), size_t(12), sizeof junk})
        ASSERT_EQ(sendRaw(viewer, target, junk, n), ssize_t(n));
    a->endpoint.drain();  // the kernel queues only a few datagrams per socket
    ASSERT_EQ(sendMessage(viewer, target, 5, 1), 8);
    ASSERT_EQ(sendMessage(viewer, target, 0x10000, 1), 8);
    // A group with one bad number is dropped whole; a good group arrives whole, in order.
    const uint32_t mixed[4] = {kMsg, 1, 5, 2};
    ASSERT_EQ(sendRaw(viewer, target, mixed, sizeof mixed), 16);
    const uint32_t good[6] = {kMsg + 1, 10, kMsg + 2, 11, kMsg, 12};
    ASSERT_EQ(sendRaw(viewer, target, good, sizeof good), 24);
    // Valid datagrams from an unbound socket, another folder and a foreign name in this folder.
    const int unbound = rawSocket("");
    const int elsewhere = rawSocket(dir.file("viewer-elsewhere.sock"));
    const int foreign = rawSocket(folder + "/other.sock");
    for (int fd : {unbound, elsewhere, foreign})
        ASSERT_EQ(sendMessage(fd, target, kMsg, 1), 8);
    ASSERT_EQ(sendMessage(viewer, target, kMsg, 42), 8);
    ASSERT_TRUE(pumpUntil([&] { return a->got.size() >= 4; }));
    settle(50);
    EXPECT_EQ(a->got, (std::vector<std::pair<unsigned, int32_t>>{
                          {kMsg + 1, 10}, {kMsg + 2, 11}, {kMsg, 12}, {kMsg, 42}}));
    const auto& stats = a->endpoint.statistics();
    EXPECT_EQ(stats.ignoredSize, 6u);
    EXPECT_EQ(stats.ignoredNumber, 3u);
    EXPECT_EQ(stats.ignoredSender, 3u);
    for (int fd : {viewer, unbound, elsewhere, foreign})
        close(fd);
}

TEST_F(BusEndpointTest, SocketsOfDeadViewersAreRemoved) {
    // A viewer that crashed leaves its socket file behind with nobody bound to it.
    const std::string dead = folder + "/viewer-99999-0.sock";
    close(rawSocket(dead));
    ASSERT_TRUE(std::filesystem::exists(dead));
    const std::string plain = folder + "/viewer-file.sock";
    std::ofstream(plain) << "not a socket";
    EXPECT_EQ(a->endpoint.postToAll(kMsg, 1), 1);  // only the live one takes it
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_TRUE(std::filesystem::exists(plain));  // not a socket: not touched
    EXPECT_EQ(a->endpoint.statistics().removed, 1u);

    // A viewer joining the bus sweeps dead sockets before anyone posts.
    const std::string dead2 = folder + "/viewer-99998-3.sock";
    close(rawSocket(dead2));
    Listener c;
    EXPECT_FALSE(std::filesystem::exists(dead2));
    EXPECT_TRUE(std::filesystem::exists(a->endpoint.path()));
    // Closing an endpoint removes its own file.
    const std::string cPath = c.endpoint.path();
    EXPECT_TRUE(std::filesystem::exists(cPath));
    {
        Listener d;
        const std::string dPath = d.endpoint.path();
        ASSERT_TRUE(std::filesystem::exists(dPath));
    }
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        sockets += entry.is_socket();
    EXPECT_EQ(sockets, 2);  // a and c
}

TEST_F(BusEndpointTest, AReceiverThatDoesNotReadGetsWholeGroupsAndTheLastOne) {
    // Places as three-message groups (x, y, draw), with one group of another kind (a step) in the middle.
    const std::string stuckPath = folder + "/viewer-stuck.sock";
    const int stuck = rawSocket(stuckPath);  // bound, not read while the sender posts
    constexpr int kGroups = 300;
    for (int i = 0; i < kGroups; ++i) {
        // Would hang here if a full receiver blocked the sender.
        a->endpoint.postGroupToAll({{kMsg, i}, {kMsg + 1, -i}, {kMsg + 2, i}});
        if (i == kGroups / 2) a->endpoint.postToAll(kMsg + 3, 7);
    }
    EXPECT_GT(a->endpoint.statistics().superseded, 0u);
    EXPECT_EQ(a->endpoint.statistics().lost, 0u);
    EXPECT_TRUE(std::filesystem::exists(stuckPath));  // alive, so kept

    // Now the receiver reads, while the sender's event loop runs its retries.
    std::vector<int> places;
    int steps = 0;
    auto readAll = [&] {
        uint32_t words[2 * ViewerBusEndpoint::kMaxGroup + 2];
        ssize_t n;
        while ((n = recv(stuck, words, sizeof words, MSG_DONTWAIT)) > 0) {
            if (n == 8 && words[0] == kMsg + 3 && words[1] == 7) {
                ++steps;
                continue;
            }
            ASSERT_EQ(n, 24);  // never a part of a group
            const int i = int32_t(words[1]);
            EXPECT_EQ(words[0], kMsg);
            EXPECT_EQ(words[2], kMsg + 1);
            EXPECT_EQ(int32_t(words[3]), -i);
            EXPECT_EQ(words[4], kMsg + 2);
            EXPECT_EQ(int32_t(words[5]), i);
            places.push_back(i);
        }
    };
    EXPECT_TRUE(pumpUntil([&] {
        readAll();
        return !places.empty() && places.back() == kGroups - 1;
    })) << "last place received: "
        << (places.empty() ? -1 : places.back());
    EXPECT_EQ(steps, 1);
    for (size_t k = 1; k < places.size(); ++k)
        EXPECT_LT(places[k - 1], places[k]);
    EXPECT_EQ(a->endpoint.heldGroups(), 0u);
    // The sender itself, whose own queue was just as full, also ends at the last place.
    ASSERT_TRUE(pumpUntil([&] { return a->got.size() >= 3 && a->got.back().second == kGroups - 1; }));
    close(stuck);
}

TEST_F(BusEndpointTest, DrainReadsInBoundedBatches) {
    a->endpoint.setBatchLimit(4);
    const int sender = rawSocket(folder + "/viewer-sender.sock");
    int sent = 0;
    while (sent < 10 && sendMessage(sender, a->endpoint.path(), kMsg, sent) == 8)
        ++sent;
    ASSERT_GE(sent, 9);
    std::vector<int> batches;
    for (int n; (n = a->endpoint.drain()) > 0;)
        batches.push_back(n);
    ASSERT_EQ(static_cast<int>(a->got.size()), sent);
    for (int i = 0; i < sent; ++i)
        EXPECT_EQ(a->got[size_t(i)].second, i);
    for (int n : batches)
        EXPECT_LE(n, 4);
    EXPECT_EQ(static_cast<int>(batches.size()), (sent + 3) / 4);
    close(sender);
}

TEST_F(BusEndpointTest, AFloodLeavesTheEventLoopRunning) {
    std::atomic<bool> flooding{true};
    const std::string target = a->endpoint.path();
    const int sender = rawSocket(folder + "/viewer-flood.sock");
    std::thread flood([&] {
        int32_t i = 0;
        while (flooding.load()) {
            if (sendMessage(sender, target, kMsg, i) == 8) ++i;
        }
    });
    // Timer events keep being handled while the datagrams pour in; the loop ends after 25 ticks.
    QEventLoop loop;
    QTimer tick;
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (++ticks == 25) loop.quit();
    });
    tick.start(2);
    loop.exec();
    flooding = false;
    flood.join();
    close(sender);
    EXPECT_EQ(ticks, 25);
    EXPECT_GT(a->endpoint.statistics().delivered, 0u);
    // Whatever arrived came in the order it was sent.
    for (size_t i = 1; i < a->got.size(); ++i)
        ASSERT_LT(a->got[i - 1].second, a->got[i].second);
}

TEST(BusEndpointAlone, RefusedFolderLeavesTheViewerAlone) {
    guitest::TempDir dir;
    const std::string open = dir.file("open");
    ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    BusFolderScope scope(open);
    std::vector<int32_t> got;
    ViewerBusEndpoint endpoint([&](unsigned, int32_t w) { got.push_back(w); });
    EXPECT_FALSE(endpoint.open());
    EXPECT_FALSE(endpoint.error().empty());
    // Its own posts still come back to it, after the running handler.
    endpoint.postToAll(kMsg, 7);
    endpoint.postToAll(kMsg, 8);
    EXPECT_TRUE(got.empty());
    ASSERT_TRUE(pumpUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got, (std::vector<int32_t>{7, 8}));
}

TEST(BusEndpointAlone, AFolderNoLongerOursIsNeverPostedInto) {
    // After the endpoint joined, its folder is changed; a stranger's viewer socket waits in what is now at
    // the folder's path. The post reaches nobody there, and the endpoint, now alone, still gets its own post.
    struct Case {
        const char* what;
        std::function<void(const std::string& folder, const std::string& elsewhere)> change;
    };
    const Case cases[] = {
        {"removed and made again",
         [](const std::string& folder, const std::string& elsewhere) {
             ASSERT_EQ(rename(folder.c_str(), elsewhere.c_str()), 0);
             ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
         }},
        {"replaced by a symlink",
         [](const std::string& folder, const std::string& elsewhere) {
             ASSERT_EQ(rename(folder.c_str(), elsewhere.c_str()), 0);
             const std::string other = elsewhere + "-other";
             ASSERT_EQ(mkdir(other.c_str(), 0700), 0);
             ASSERT_EQ(symlink(other.c_str(), folder.c_str()), 0);
         }},
        {"opened to others",
         [](const std::string& folder, const std::string&) { ASSERT_EQ(chmod(folder.c_str(), 0755), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        guitest::TempDir dir;
        const std::string folder = dir.file("bus");
        BusFolderScope scope(folder);
        Listener a;
        std::vector<std::string> reasons;
        a.endpoint.setLeaveHandler([&](const std::string& why) { reasons.push_back(why); });
        ASSERT_TRUE(a.endpoint.isOpen());
        c.change(folder, dir.file("moved"));
        const int stranger = rawSocket(folder + "/viewer-stranger.sock");

        a.endpoint.postToAll(kMsg, 7);
        a.endpoint.postToAll(kMsg, 8);
        ASSERT_TRUE(pumpUntil([&] { return a.got.size() == 2; }));
        EXPECT_EQ(a.got, (std::vector<std::pair<unsigned, int32_t>>{{kMsg, 7}, {kMsg, 8}}));
        unsigned char bytes[64];
        EXPECT_EQ(recv(stranger, bytes, sizeof bytes, MSG_DONTWAIT), -1);
        EXPECT_FALSE(a.endpoint.isOpen());
        ASSERT_EQ(reasons.size(), 1u);  // said once
        EXPECT_NE(reasons[0].find(folder), std::string::npos) << reasons[0];
        close(stranger);
    }
}

TEST(BusEndpointAlone, FolderTooDeepForASocketIsRefused) {
    guitest::TempDir dir;
    const std::string deep = dir.file(std::string(120, 'd'));
    BusFolderScope scope(deep);
    ViewerBusEndpoint endpoint(nullptr);
    EXPECT_FALSE(endpoint.open());
    EXPECT_NE(endpoint.error().find("長すぎる"), std::string::npos) << endpoint.error();
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
