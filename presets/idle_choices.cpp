#include "presets/idle_choices.h"

#include "platform/key_store.h"
#include "presets/product.h"

#include <string>

IdleChoices validIdleChoices(IdleChoices choices)
{
    const IdleChoices defaults;
    if (choices.idleMinutes < kMinimumIdleMinutes || choices.idleMinutes > kMaximumIdleMinutes)
        choices.idleMinutes = defaults.idleMinutes;
    if (choices.blankMinutes < 0 || choices.blankMinutes > kMaximumBlankMinutes)
        choices.blankMinutes = defaults.blankMinutes;
    if (choices.lockSeconds > kMaximumLockSeconds)
        choices.lockSeconds = defaults.lockSeconds;
    if (choices.lockSeconds < 0)
        choices.lockSeconds = -1;
    return choices;
}

namespace {

const std::string IdleKeyPath = RegistryBaseKey + "Idle";

} // namespace

IdleChoices loadIdleChoices(KeyStore& store)
{
    IdleChoices choices;
    const KeyHandle key = store.openKey(IdleKeyPath, false);
    if (key == kNoKey)
        return choices;
    int32_t value = 0;
    if (store.readInteger(key, "IdleMinutes", value) == ValueRead::Ok)
        choices.idleMinutes = value;
    if (store.readInteger(key, "OnBattery", value) == ValueRead::Ok && value >= 0 && value <= 2)
        choices.battery = static_cast<BatteryChoice>(value);
    if (store.readInteger(key, "BlankMinutes", value) == ValueRead::Ok)
        choices.blankMinutes = value;
    if (store.readInteger(key, "LockSeconds", value) == ValueRead::Ok)
        choices.lockSeconds = value;
    store.closeKey(key);
    return validIdleChoices(choices);
}

bool storeIdleChoices(KeyStore& store, const IdleChoices& choices)
{
    const KeyHandle key = store.openKey(IdleKeyPath, true);
    if (key == kNoKey)
        return false;
    bool written = store.writeInteger(key, "IdleMinutes", choices.idleMinutes);
    written = store.writeInteger(key, "OnBattery", static_cast<int32_t>(choices.battery)) && written;
    written = store.writeInteger(key, "BlankMinutes", choices.blankMinutes) && written;
    written = store.writeInteger(key, "LockSeconds", choices.lockSeconds) && written;
    return store.closeKey(key) && written;
}
