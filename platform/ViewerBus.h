// The viewer bus: how running viewers of one user find each other.
//
// Message names are registered in a table file inside a per-user folder, so that every process gets the same
// number for the same name (numbers from 0xC000 up, like registered window messages). The folder is
// $ORVENNA_BUS_DIR when set, else $XDG_RUNTIME_DIR/orvenna, else (no runtime folder, or one this user cannot
// use) $XDG_STATE_HOME/orvenna-bus or ~/.local/state/orvenna-bus. It is created with mode 0700 and refused
// when it is not a plain directory (a symlink is refused too) owned by this user and closed to everyone else.
//
// Each viewer binds an AF_UNIX datagram socket "viewer-<pid>-<n>.sock" in the same folder
// (ViewerBusEndpoint). Posting a group of messages to all sends one datagram holding the whole group (8 bytes
// per message: number and 32-bit wParam) to every socket there, its own included, never waiting. A receiver
// whose queue is full gets the group later: it waits in a small per-receiver slot, where a newer group of the
// same messages replaces it, and is sent when a retry finds room. A socket file nobody is bound to any more
// (a viewer that crashed) is removed by the first post that finds it. Before each post the folder is checked
// again; a folder that was removed, replaced or opened to others is never posted into, and the viewer goes on
// alone. Receipt runs on the GUI thread through a socket notifier, in the order each sender posted, in
// bounded batches, every message of a group in its order.
#pragma once

#include <QObject>

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;

class ViewerBus {
public:
    static constexpr unsigned kFirstMessage = 0xC000;
    static constexpr unsigned kLastMessage = 0xFFFF;

    // The bus folder, created if missing; empty (and *error set to the reason, for the user) when it cannot
    // be used safely.
    static std::string runtimeFolder(std::string* error = nullptr);

    // The number of message `name`, registering it on first use; 0 (and *error set) when the name is unusable
    // (empty, longer than 255 bytes, containing blanks or control characters), the folder is refused or the
    // table cannot be used or is full.
    static unsigned registerMessage(const char* name, std::string* error = nullptr);
};

// One viewer's socket on the bus. Closing (destruction) unbinds it and removes its file.
class ViewerBusEndpoint : public QObject {
    Q_OBJECT
public:
    // Called on the GUI thread for every accepted message.
    using Receiver = std::function<void(unsigned message, int32_t wparam)>;
    // Called when a post finds the folder no longer usable and the endpoint leaves the bus (with the reason).
    using LeaveHandler = std::function<void(const std::string& reason)>;

    struct Message {
        unsigned message;
        int32_t wparam;
    };
    using Group = std::vector<Message>;

    static constexpr int kBatch = 64;           // datagrams read per wake-up; the rest waits for the next
    static constexpr size_t kDatagramSize = 8;  // one message: number and wParam, native byte order
    static constexpr size_t kMaxGroup = 8;      // messages in one datagram
    static constexpr size_t kMaxPending = 8;    // groups waiting for one full receiver
    static constexpr int kFirstRetryMs = 5;     // retry interval for full receivers, doubled up to the last
    static constexpr int kLastRetryMs = 200;
    static constexpr const char* kSocketPrefix = "viewer-";
    static constexpr const char* kSocketSuffix = ".sock";

    struct Stats {
        uint64_t delivered = 0;      // messages handed to the receiver
        uint64_t ignoredSize = 0;    // datagrams of a wrong length
        uint64_t ignoredNumber = 0;  // datagrams with a number outside the registered message range
        uint64_t ignoredSender = 0;  // datagrams not sent from a viewer socket of this folder
        uint64_t posted = 0;         // datagrams taken by a receiving socket
        uint64_t held = 0;           // groups put aside for a full receiver
        uint64_t superseded = 0;     // held groups replaced by a newer group of the same messages
        uint64_t lost = 0;           // receiver failing, or too many groups held for it: group dropped
        uint64_t removed = 0;        // dead socket files removed
        uint64_t wakeups = 0;        // notifier activations that read something
    };

    explicit ViewerBusEndpoint(Receiver receiver, QObject* parent = nullptr);
    ~ViewerBusEndpoint() override;

    // Binds the socket in the bus folder (removing dead sockets found there). False, with error() set, when
    // the folder is refused or the socket cannot be bound; the endpoint then delivers its own posts to itself
    // only, so that a lone viewer still works.
    bool open();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    const std::string& folder() const { return folder_; }
    const std::string& error() const { return error_; }
    const Stats& statistics() const { return stats_; }
    size_t heldGroups() const;
    void setLeaveHandler(LeaveHandler handler) { onLeave_ = std::move(handler); }

    // Sends the group as one datagram to every viewer socket in the folder, this one included, without
    // blocking; a full receiver gets it from a later retry. Returns how many sockets took it at once.
    // Empty groups and groups of more than kMaxGroup messages are not sent.
    int postGroupToAll(const Group& group);
    // A group of one message.
    int postToAll(unsigned message, int32_t wparam);

    // Reads at most kBatch waiting datagrams and hands the valid ones to the receiver; returns how many were
    // read. The notifier calls this; tests may call it directly.
    int drain();
    void setBatchLimit(int datagrams) { batch_ = datagrams > 0 ? datagrams : kBatch; }

    // Appends a line to the trace file named by ORVENNA_BUS_TRACE, when set (what, pid, time, two numbers).
    void trace(const char* what, unsigned message, int32_t wparam);

private:
    enum class SendResult { Taken, Full, Gone, Failed };

    int openCheckedFolder(std::string* why) const;
    SendResult sendGroup(int folderFd, const std::string& name, const Group& group);
    void hold(const std::string& name, const Group& group);
    void retryHeld();
    void scheduleRetry(bool fromStart);
    void leave(const std::string& reason);
    void deliverLater(const Group& group);
    void deliver(unsigned message, int32_t wparam);

    Receiver receiver_;
    LeaveHandler onLeave_;
    int fd_ = -1;
    int traceFd_ = -1;
    bool draining_ = false;
    int batch_ = kBatch;
    std::string folder_;
    std::string path_;
    std::string name_;  // this socket's file name in the folder
    std::string error_;
    dev_t folderDevice_ = 0;  // the folder this endpoint joined: a folder put in its place is not ours
    ino_t folderInode_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
    int retryMs_ = kFirstRetryMs;
    std::map<std::string, std::deque<Group>> held_;  // by receiver socket name, oldest first
    Stats stats_;
};
