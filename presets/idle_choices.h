#pragma once

#include <cstdint>

// What the saver does on battery.
enum class BatteryChoice { SameAsMains, ReducedRate, Black };

// The user's choices for the idle service, kept in the key store beside the other options.
struct IdleChoices {
    int idleMinutes = 10;
    BatteryChoice battery = BatteryChoice::ReducedRate;
    int blankMinutes = 0; // 0: never blank
    int lockSeconds = -1; // negative: never lock
};

constexpr int kMinimumIdleMinutes = 1;
constexpr int kMaximumIdleMinutes = 240;
constexpr int kMaximumBlankMinutes = 240;
constexpr int kMaximumLockSeconds = 3600;
// The saver's sprite rate on battery with BatteryChoice::ReducedRate, in percent.
constexpr int kBatteryRatePercent = 25;

// Out-of-range stored values fall back to their defaults, so nothing later checks them.
IdleChoices validIdleChoices(IdleChoices choices);

class KeyStore;

// The choices under "Software\Tallow Engines\Opal Revel\Idle": "IdleMinutes", "OnBattery"
// (0 as on mains, 1 reduced rate, 2 black), "BlankMinutes" (0 never), "LockSeconds"
// (negative never). Missing values keep their defaults.
IdleChoices loadIdleChoices(KeyStore& store);
bool storeIdleChoices(KeyStore& store, const IdleChoices& choices);
