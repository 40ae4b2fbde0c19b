// The viewer bus: how running viewers of one user find each other.
//
// Message names are registered in a table file inside a per-user folder, so that every process gets the same
// number for the same name (numbers from 0xC000 up, like registered window messages). The folder is
// $ORVENNA_BUS_DIR when set, else $XDG_RUNTIME_DIR/orvenna, else (no runtime folder, or one this user cannot
// use) $XDG_STATE_HOME/orvenna-bus or ~/.local/state/orvenna-bus. It is created with mode 0700 and refused
// when it is not a plain directory (a symlink is refused too) owned by this user and closed to everyone else.
//
// Each viewer binds an AF_UNIX datagram socket "viewer-<pid>-<n>.sock" in the same folder
// (ViewerBusEndpoint). Posting to all sends one 8-byte datagram (message number, 32-bit wParam) to every
// socket there, its own included, never waiting: a receiver whose queue is full loses the datagram, and a
// socket file nobody is bound to any more (a viewer that crashed) is removed by the first post that finds it.
// Receipt runs on the GUI thread through a socket notifier, in the order each sender posted, in bounded
// batches.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

class QSocketNotifier;

class ViewerBus {
public:
    static constexpr unsigned kFirstMessage = 0xC000;
    static constexpr unsigned kLastMessage = 0xFFFF;

    // The bus folder, created if missing; empty (and *error set to the reason, for the user) when it cannot
    // be used safely.
    static std::string RuntimeFolder(std::string* error = nullptr);

    // The number of message `name`, registering it on first use; 0 (and *error set) when the name is unusable
    // (empty, longer than 255 bytes, containing blanks or control characters), the folder is refused or the
    // table cannot be used or is full.
    static unsigned RegisterMessage(const char* name, std::string* error = nullptr);
};

// One viewer's socket on the bus. Closing (destruction) unbinds it and removes its file.
class ViewerBusEndpoint : public QObject {
    Q_OBJECT
public:
    // Called on the GUI thread for every accepted datagram.
    using Receiver = std::function<void(unsigned message, int32_t wparam)>;

    static constexpr int kBatch = 64;           // datagrams read per wake-up; the rest waits for the next
    static constexpr size_t kDatagramSize = 8;  // message number and wParam, native byte order
    static constexpr const char* kSocketPrefix = "viewer-";
    static constexpr const char* kSocketSuffix = ".sock";

    struct Stats {
        uint64_t delivered = 0;       // handed to the receiver
        uint64_t ignored_size = 0;    // wrong length
        uint64_t ignored_number = 0;  // outside the registered message range
        uint64_t ignored_sender = 0;  // not sent from a viewer socket of this folder
        uint64_t posted = 0;          // datagrams taken by a receiving socket
        uint64_t lost = 0;            // receiver full or failing: datagram dropped
        uint64_t removed = 0;         // dead socket files removed
        uint64_t wakeups = 0;         // notifier activations that read something
    };

    explicit ViewerBusEndpoint(Receiver receiver, QObject* parent = nullptr);
    ~ViewerBusEndpoint() override;

    // Binds the socket in the runtime folder (removing dead sockets found there). False, with Error() set,
    // when the folder is refused or the socket cannot be bound; the endpoint then delivers its own posts to
    // itself only, so that a lone viewer still works.
    bool Open();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }
    const std::string& Error() const { return error_; }
    const Stats& Statistics() const { return stats_; }

    // Sends (message, wparam) to every viewer socket in the folder, this one included, without blocking.
    // Returns how many sockets took it.
    int PostToAll(unsigned message, int32_t wparam);

    // Reads at most kBatch waiting datagrams and hands the valid ones to the receiver; returns how many were
    // read. The notifier calls this; tests may call it directly.
    int Drain();
    void SetBatchLimit(int datagrams) { batch_ = datagrams > 0 ? datagrams : kBatch; }

    // Appends a line to the trace file named by ORVENNA_BUS_TRACE, when set (what, pid, time, two numbers).
    void Trace(const char* what, unsigned message, int32_t wparam);

private:
    void Deliver(unsigned message, int32_t wparam);

    Receiver receiver_;
    int fd_ = -1;
    int traceFd_ = -1;
    bool draining_ = false;
    int batch_ = kBatch;
    std::string folder_;
    std::string path_;
    std::string error_;
    QSocketNotifier* notifier_ = nullptr;
    Stats stats_;
};
