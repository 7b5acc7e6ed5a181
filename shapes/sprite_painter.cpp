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
// Below this much work (sprite pixels times shapes) a sprite is painted on the calling
// thread alone. Waking a helper costs some tens of microseconds, and on a loaded machine
// the helper can take the caller's core: the side-112 sprite of a 1366 x 768 screen with
// five shapes (about 0.2 ms on one thread) gained 20 % on an idle machine and lost more
// than that under load, while the side-315 sprite of a 4K screen gains on both.
constexpr int64_t kParallelWork = 100000;
// More helpers than this gain nothing on sprites of at most kMaxSpriteSide rows.
constexpr unsigned kMaxHelpers = 7;

// One sprite build shared between the calling thread and the helpers. Bands are handed
// out one at a time, so a helper that wakes late or runs on a busy core takes fewer, or
// none. Each band is painted into a thread's own rows and then published: the first
// thread to finish a band copies it into the sprite, and a later one drops its copy. So
// once every band is handed out, the caller paints again each band not yet published and
// never waits for a helper that lost its core halfway through one; it waits only for a
// copy already under way. A helper that finishes after the build returned touches nothing
// but the job, which is why the job is shared and the sprite is written only by the
// winner of a band.
struct BandJob {
    int32_t side = 0;
    uint32_t* sprite = nullptr;
    std::vector<Shape> shapes;
    int32_t bands = 0;
    // 1 once a band is published.
    std::unique_ptr<std::atomic<int32_t>[]> published;
    // How many more helpers may join in.
    std::atomic<int32_t> helperSlots { 0 };
    std::atomic<int32_t> nextBand { 0 };
    std::atomic<int32_t> bandsDone { 0 };
    // Set when the caller could not paint a band (no memory for its working rows).
    std::atomic<bool> failed { false };
};

// A thread's working images: the layer each shape is painted into, and the band of the
// sprite the layers are composited over before it is published.
struct BandBuffers {
    ArgbImage layer;
    ArgbImage band;
};

int32_t bandRows(const BandJob& job, int32_t band)
{
    return std::min(kBandRows, job.side - band * kBandRows);
}

// Paints every shape of one band into buffers.band; false when memory ran out. A band's
// pixels depend on nothing but its own rows, so it is the same whoever paints it.
bool paintBand(const BandJob& job, int32_t band, BandBuffers& buffers) noexcept
{
    const int32_t side = job.side;
    const int32_t firstRow = band * kBandRows;
    const int32_t rows = bandRows(job, band);
    try {
        // Every shape leaves its pixels in the layer only within its spans, and those are
        // cleared again after compositing, so the layer is all 0 before each shape, and
        // what lies outside the spans (transparent) would leave the band as it is.
        if (buffers.layer.width != side || buffers.layer.height < rows)
            buffers.layer.setSize(side, kBandRows);
        buffers.band.setSize(side, rows); // the sprite starts cleared
        RowSpan spans[kBandRows];
        for (const Shape& shape : job.shapes) {
            renderShapeRows(buffers.layer.pixels.data(), side, side, shape, firstRow, rows, spans);
            for (int32_t row = 0; row < rows; ++row) {
                const RowSpan span = spans[row];
                if (span.first >= span.end)
                    continue;
                uint32_t* painted = buffers.layer.row(row) + span.first;
                const auto columns = static_cast<std::size_t>(span.end - span.first);
                compositeRow(painted, buffers.band.row(row) + span.first, columns);
                std::fill_n(painted, columns, 0u);
            }
        }
        return true;
    } catch (...) {
        buffers = BandBuffers {}; // the layer may hold a half-painted shape
        return false;
    }
}

// Copies a painted band into the sprite unless another thread has published it already.
// A band that failed is published (and the job marked) only by the caller, so that the
// build ends and reports the failure.
void publish(BandJob& job, int32_t band, const BandBuffers& buffers, bool painted)
{
    int32_t unpublished = 0;
    if (!job.published[static_cast<std::size_t>(band)].compare_exchange_strong(unpublished, 1))
        return;
    if (painted) {
        const std::size_t rowPixels = static_cast<std::size_t>(job.side);
        std::copy_n(buffers.band.pixels.data(), static_cast<std::size_t>(bandRows(job, band)) * rowPixels,
            job.sprite + static_cast<std::size_t>(band) * kBandRows * rowPixels);
    } else {
        job.failed = true;
    }
    // Release: the caller that sees the last band done sees its pixels.
    if (job.bandsDone.fetch_add(1, std::memory_order_acq_rel) + 1 == job.bands)
        job.bandsDone.notify_all();
}

// A helper's part: bands nobody has taken yet. A band it cannot paint is left for the
// caller.
void helpWith(BandJob& job, BandBuffers& buffers) noexcept
{
    for (int32_t band = job.nextBand++; band < job.bands; band = job.nextBand++) {
        if (paintBand(job, band, buffers))
            publish(job, band, buffers, true);
    }
}

// The caller's part: bands nobody has taken yet, then every band still unpublished, then
// the wait for copies under way.
void paintAllBands(BandJob& job) noexcept
{
    BandBuffers buffers;
    for (int32_t band = job.nextBand++; band < job.bands; band = job.nextBand++)
        publish(job, band, buffers, paintBand(job, band, buffers));
    for (int32_t band = 0; band < job.bands; ++band) {
        if (job.published[static_cast<std::size_t>(band)].load(std::memory_order_acquire) == 0)
            publish(job, band, buffers, paintBand(job, band, buffers));
    }
    for (int32_t done = job.bandsDone.load(std::memory_order_acquire); done < job.bands;
         done = job.bandsDone.load(std::memory_order_acquire))
        job.bandsDone.wait(done, std::memory_order_acquire);
}

// The helper threads, started once and parked between builds.
class SpriteHelpers {
public:
    static SpriteHelpers& instance()
    {
        static SpriteHelpers helpers;
        return helpers;
    }

    // Starts helpers up to the given number (fewer if the system gives fewer) and
    // returns how many there are.
    std::size_t ensure(std::size_t wanted)
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

    void post(std::shared_ptr<BandJob> job)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_job = std::move(job);
            ++m_generation;
        }
        m_wake.notify_all();
    }

    // Lets go of a finished job, so that its shapes are not kept until the next build.
    void drop(const BandJob* job)
    {
        const std::lock_guard lock(m_mutex);
        if (m_job.get() == job)
            m_job.reset();
    }

private:
    SpriteHelpers() = default;

    void run(std::stop_token stop)
    {
        BandBuffers buffers;
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
                helpWith(*job, buffers);
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
    layer.setSize(sprite.width, sprite.height);
    for (std::size_t k = 0; k < shapes.size(); ++k) {
        if (k > 0)
            layer.clear();
        renderShape(layer.pixels.data(), sprite.width, sprite.height, shapes[k], ShadingPath::Reference);
        sprite.composite(layer, 0, 0);
    }
}

} // namespace

void paintSprite(ArgbImage& sprite, std::span<const Shape> shapes, const SpriteBuildOptions& options)
{
    const int32_t side = sprite.width;
    if (side <= 0 || sprite.height != side || shapes.empty())
        return;
    if (options.path == ShadingPath::Reference) {
        paintReference(sprite, shapes);
        return;
    }

    auto job = std::make_shared<BandJob>();
    job->side = side;
    job->sprite = sprite.pixels.data();
    job->shapes.assign(shapes.begin(), shapes.end());
    job->bands = (side + kBandRows - 1) / kBandRows;
    job->published = std::make_unique<std::atomic<int32_t>[]>(static_cast<std::size_t>(job->bands));

    int64_t threads = options.threads;
    if (threads <= 0) {
        const int64_t work = int64_t { side } * side * static_cast<int64_t>(shapes.size());
        threads = work < kParallelWork ? 1 : std::max<int64_t>(std::thread::hardware_concurrency(), 1);
    }
    const auto helpersWanted
        = static_cast<std::size_t>(std::clamp<int64_t>(std::min<int64_t>(threads, job->bands) - 1, 0, kMaxHelpers));

    if (helpersWanted == 0) {
        paintAllBands(*job);
    } else {
        SpriteHelpers& helpers = SpriteHelpers::instance();
        job->helperSlots = static_cast<int32_t>(helpers.ensure(helpersWanted));
        helpers.post(job);
        paintAllBands(*job);
        helpers.drop(job.get());
    }
    if (job->failed)
        throw std::bad_alloc();
}
