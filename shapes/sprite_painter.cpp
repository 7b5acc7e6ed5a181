#include "shapes/sprite_painter.h"

#include "shapes/shape_rasteriser.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Rows of a band: 16 rows of the largest sprites the controls reach (side 630) make a
// 40 KB layer, which stays in the first-level cache of most processors.
constexpr int32_t kBandRows = 16;
// Below this much work (sprite pixels times shapes) handing bands to a helper costs more
// than it saves: the side-112 sprite of a 1366 x 768 screen with five shapes, about 0.2 ms
// of work, still gains a little; a lone shape of side 70 does not.
constexpr int64_t kParallelWork = 40000;
// More helpers than this gain nothing on sprites of at most kMaxSpriteSide rows.
constexpr unsigned kMaxHelpers = 7;

// One sprite build shared between the calling thread and the helpers. Bands are handed
// out one at a time, so a helper that wakes late or runs on a busy core takes fewer, or
// none; the caller paints whatever is left and waits only for bands already taken. A
// helper that wakes after the last band was handed out touches nothing but the counters,
// which is why the job is shared and its sprite never read once all bands are taken.
struct BandJob {
    ArgbImage* sprite = nullptr;
    std::vector<Shape> shapes;
    int32_t bands = 0;
    // How many more helpers may join in.
    std::atomic<int32_t> helperSlots { 0 };
    std::atomic<int32_t> nextBand { 0 };
    std::atomic<int32_t> bandsDone { 0 };
    // Set when a band could not be painted (no memory for its working rows).
    std::atomic<bool> failed { false };
};

// Paints the bands of a job that nobody has taken yet, in a layer of its own. Each band's
// pixels depend on nothing but its own rows, so the sprite is the same whoever paints
// which band. Never throws: a band that fails is counted as done and marks the job, so
// that nobody waits for it and the caller can report the failure.
void paintBands(BandJob& job, ArgbImage& layer) noexcept
{
    ArgbImage& sprite = *job.sprite;
    const int32_t side = sprite.width;
    RowSpan spans[kBandRows];
    for (int32_t band = job.nextBand++; band < job.bands; band = job.nextBand++) {
        const int32_t firstRow = band * kBandRows;
        const int32_t rows = std::min(kBandRows, side - firstRow);
        try {
            // Every shape leaves its pixels in the layer only within its spans, and those
            // are cleared again after compositing, so the layer is all 0 before each shape,
            // and what lies outside the spans (transparent) would leave the sprite as it is.
            if (layer.width != side || layer.height < rows)
                layer.SetSize(side, kBandRows);
            for (const Shape& shape : job.shapes) {
                RenderShapeRows(layer.pixels.data(), side, side, shape, firstRow, rows, spans);
                for (int32_t row = 0; row < rows; ++row) {
                    const RowSpan span = spans[row];
                    if (span.first >= span.end)
                        continue;
                    uint32_t* painted = layer.Row(row) + span.first;
                    const auto columns = static_cast<std::size_t>(span.end - span.first);
                    CompositeRow(painted, sprite.Row(firstRow + row) + span.first, columns);
                    std::fill_n(painted, columns, 0u);
                }
            }
        } catch (...) {
            layer = ArgbImage {}; // may hold a half-painted shape
            job.failed = true;
        }
        // Release: the caller that sees the last band done sees its pixels.
        if (job.bandsDone.fetch_add(1, std::memory_order_acq_rel) + 1 == job.bands)
            job.bandsDone.notify_all();
    }
}

// The helper threads, started once and parked between builds.
class SpriteHelpers {
public:
    static SpriteHelpers& Instance()
    {
        static SpriteHelpers helpers;
        return helpers;
    }

    // Starts helpers up to the given number (fewer if the system gives fewer) and
    // returns how many there are.
    std::size_t Ensure(std::size_t wanted)
    {
        const std::lock_guard lock(m_mutex);
        while (m_threads.size() < wanted) {
            try {
                m_threads.emplace_back([this](std::stop_token stop) { run(stop); });
            } catch (const std::system_error&) {
                break;
            }
        }
        return m_threads.size();
    }

    void Post(std::shared_ptr<BandJob> job)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_job = std::move(job);
            ++m_generation;
        }
        m_wake.notify_all();
    }

    // Lets go of a finished job, so that its shapes are not kept until the next build.
    void Drop(const BandJob* job)
    {
        const std::lock_guard lock(m_mutex);
        if (m_job.get() == job)
            m_job.reset();
    }

private:
    SpriteHelpers() = default;

    void run(std::stop_token stop)
    {
        ArgbImage layer;
        uint64_t seen = 0;
        for (;;) {
            std::shared_ptr<BandJob> job;
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait(lock, stop, [&] { return m_generation != seen; }))
                    return;
                seen = m_generation;
                job = m_job;
            }
            if (job && job->helperSlots.fetch_sub(1) > 0)
                paintBands(*job, layer);
        }
    }

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::shared_ptr<BandJob> m_job;
    uint64_t m_generation = 0;
    // Last, so that the threads are stopped and joined before the rest is destroyed.
    std::vector<std::jthread> m_threads;
};

void paintReference(ArgbImage& sprite, std::span<const Shape> shapes)
{
    ArgbImage layer;
    layer.SetSize(sprite.width, sprite.height);
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        if (k > 0)
            layer.Clear();
        RenderShape(layer.pixels.data(), sprite.width, sprite.height, shapes[k], ShadingPath::Reference);
        sprite.Composite(layer, 0, 0);
    }
}

} // namespace

void PaintSprite(ArgbImage& sprite, std::span<const Shape> shapes, const SpriteBuildOptions& options)
{
    const int32_t side = sprite.width;
    if (side <= 0 || sprite.height != side || shapes.empty())
        return;
    if (options.path == ShadingPath::Reference) {
        paintReference(sprite, shapes);
        return;
    }

    auto job = std::make_shared<BandJob>();
    job->sprite = &sprite;
    job->shapes.assign(shapes.begin(), shapes.end());
    job->bands = (side + kBandRows - 1) / kBandRows;

    int64_t threads = options.threads;
    if (threads <= 0) {
        const int64_t work = int64_t { side } * side * static_cast<int64_t>(shapes.size());
        threads = work < kParallelWork ? 1 : std::max<int64_t>(std::thread::hardware_concurrency(), 1);
    }
    const auto helpersWanted
        = static_cast<std::size_t>(std::clamp<int64_t>(std::min<int64_t>(threads, job->bands) - 1, 0, kMaxHelpers));

    ArgbImage layer;
    if (helpersWanted == 0) {
        paintBands(*job, layer);
    } else {
        SpriteHelpers& helpers = SpriteHelpers::Instance();
        job->helperSlots = static_cast<int32_t>(helpers.Ensure(helpersWanted));
        helpers.Post(job);
        paintBands(*job, layer);
        // Every band is taken; wait for the ones helpers are still painting.
        for (int32_t done = job->bandsDone.load(std::memory_order_acquire); done < job->bands;
             done = job->bandsDone.load(std::memory_order_acquire))
            job->bandsDone.wait(done, std::memory_order_acquire);
        helpers.Drop(job.get());
    }
    if (job->failed)
        throw std::bad_alloc();
}
