#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

// Times a shell command as a whole per iteration; a command that fails ends the benchmark
// with its text as the error.
inline void runCommand(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
    }
}
