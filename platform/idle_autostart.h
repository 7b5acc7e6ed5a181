#pragma once

#include <filesystem>
#include <string>

// How the desktop starts the idle service at login: an XDG autostart entry that the editor
// writes when the user turns the service on and removes when they turn it off.

// The entry's text for the program at this path (a full path; one with a blank or a quote is
// quoted as the desktop entry format asks).
std::string idleAutostartText(const std::string& program);
// <config home>/autostart/opal-revel-idle.desktop
std::filesystem::path idleAutostartPath();

// Where the running service answers on the session bus: --idle-status and the editor's
// "turn off" talk to it there.
inline constexpr const char* kIdleServiceBusName = "org.opalrevel.IdleService";
inline constexpr const char* kIdleServiceBusPath = "/org/opalrevel/IdleService";
