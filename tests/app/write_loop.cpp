// Writes the program's files over and over, so that a test can kill it at any moment of a
// write. Every file goes through the same code the program uses.
//
//   opal_write_loop settings COUNT
//       stores the options COUNT times (key store and settings file), each time with another
//       round speed, in the folders the XDG variables name
//   opal_write_loop file PATH COUNT
//       replaces PATH COUNT times with a payload of 256 KiB (see PayloadOf)

#include "presets/run_record.h"
#include "platform/atomic_file.h"
#include "tests/app/write_payload.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "settings" && argc == 3) {
        const int count = std::atoi(argv[2]);
        RunRecord record;
        loadSettings(record.options, record.preset);
        for (int round = 0; round < count; ++round) {
            record.preset.roundSpeed = 0.5 + round * 0.001;
            record.options.scale = 50 + round % 46;
            if (!saveSettings(record.options, record.preset))
                return 1;
        }
        return 0;
    }
    if (mode == "file" && argc == 4) {
        const int count = std::atoi(argv[3]);
        for (int round = 0; round < count; ++round) {
            if (!writeFileAtomically(argv[2], payloadOf(round)))
                return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: opal_write_loop settings COUNT | file PATH COUNT\n");
    return 2;
}
