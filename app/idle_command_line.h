#pragma once

#include <optional>
#include <string>
#include <vector>

// The idle service's own command lines: "--idle-service [--after SECONDS] [--wayland]" runs
// the service, "--idle-status" asks the running one how it stands.

enum class IdleMode { None, Service, Status };

constexpr int kMaximumAfterSeconds = 24 * 3600;

struct IdleRequest {
    IdleMode mode = IdleMode::None; // None: not an idle command line; the program goes on
    std::optional<int> afterSeconds; // overrides the stored minutes for this run
    bool wayland = false;
    std::string error; // one line when the command line is an idle one but malformed
};

IdleRequest readIdleCommandLine(const std::vector<std::string>& arguments);

// The saver's sprite rate in percent that the idle service passes after "/s" ("/s --rate 25"),
// when one is there and in range.
std::optional<int> saverRatePercent(const std::vector<std::string>& arguments);
