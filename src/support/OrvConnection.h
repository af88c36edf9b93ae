#pragma once

#include <functional>
#include <optional>

// One asynchronous request to a web address (to come), and the reachability test that the
// start-up warning asks. Main thread only.
class OrvConnection {
public:
    // Reachability flags as the platform reports them.
    static constexpr unsigned kReachable = 2;
    static constexpr unsigned kConnectionRequired = 4;

    // True when the network is reachable without first setting up a connection. A state that
    // cannot be read answers false, with a line on standard output.
    static bool isConnectedToNetwork();

    // Where the flags come from: nothing means they could not be read. Tests put their own
    // reader in; an empty function restores the system's.
    using FlagsReader = std::function<std::optional<unsigned>()>;
    static void setReachabilityFlagsReader(FlagsReader reader);
    static std::optional<unsigned> systemReachabilityFlags();
};
