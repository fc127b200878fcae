#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wayline {

class TSystemRoot;

// Who is asking: the running program's user and the groups its session
// really has. Joining a group changes the group file at once, but a session
// gets the new group only at its next login; the two are kept apart so the
// diagnosis can tell "not in the group" from "not yet in this session".
struct TUserIdentity {
    std::uint32_t Uid = 0;
    std::uint32_t Gid = 0;             // primary group of the process
    std::string Name;                  // login name; empty when unknown
    std::vector<std::uint32_t> Groups; // supplementary groups of the process
    int Pid = 0;                       // the process itself, left out of "who holds the port"

    // The primary group or one of the supplementary ones.
    bool HasGroup(std::uint32_t gid) const;
};

// The identity of the process as /proc/self under the root tells it, with
// the login name from the passwd file (and, on the running system, from the
// account database when the passwd file does not list the user).
std::optional<TUserIdentity> ReadUserIdentity(const TSystemRoot& root);

} // namespace wayline
