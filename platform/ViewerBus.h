// The viewer bus: how running viewers of one user find each other.
//
// Message names are registered in a table file inside a per-user runtime folder, so that every process gets
// the same number for the same name (numbers from 0xC000 up, like registered window messages). The folder is
// $ORVENNA_BUS_DIR when set, else $XDG_RUNTIME_DIR/orvenna, else /tmp/orvenna-<uid>; it is created with mode
// 0700 and refused when it is not a plain directory owned by this user and closed to everyone else.
#pragma once

#include <string>

class ViewerBus {
public:
    static constexpr unsigned kFirstMessage = 0xC000;
    static constexpr unsigned kLastMessage = 0xFFFF;

    // The runtime folder, created if missing; empty (and *error set) when it cannot be used safely.
    static std::string RuntimeFolder(std::string* error = nullptr);

    // The number of message `name`, registering it on first use; 0 when the name is unusable (empty, longer
    // than 255 bytes, containing blanks or control characters), the folder is refused or the table is full.
    static unsigned RegisterMessage(const char* name);
};
