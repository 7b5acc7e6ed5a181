#include "app/run_statistics.h"

#include "platform/atomic_file.h"

#include <cstdio>
#include <cstdlib>

std::string runStatisticsText(const RenderStatistics& figures, double runSeconds)
{
    const double drawingSeconds = figures.firstStepMicros < 0
        ? 0.0
        : static_cast<double>(figures.lastStepMicros - figures.firstStepMicros) / 1e6;
    char text[256];
    std::snprintf(text, sizeof text,
        "sprites %lld\npresented_sprites %lld\npresents %lld\nrun_seconds %.3f\ndrawing_seconds %.3f\n",
        static_cast<long long>(figures.sprites), static_cast<long long>(figures.presentedSprites),
        static_cast<long long>(figures.presents), runSeconds, drawingSeconds);
    return text;
}

bool writeRunStatisticsIfAsked(const RenderStatistics& figures, double runSeconds)
{
    const char* path = std::getenv("OPAL_STATS");
    if (path == nullptr || *path == '\0')
        return true;
    return writeFileAtomically(path, runStatisticsText(figures, runSeconds));
}
