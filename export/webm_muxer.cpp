#include "export/webm_muxer.h"

#include <bit>
#include <cstring>
#include <string>
#include <utility>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kEbml = 0x1A45DFA3;
constexpr uint32_t kEbmlVersion = 0x4286;
constexpr uint32_t kEbmlReadVersion = 0x42F7;
constexpr uint32_t kEbmlMaxIdLength = 0x42F2;
constexpr uint32_t kEbmlMaxSizeLength = 0x42F3;
constexpr uint32_t kDocType = 0x4282;
constexpr uint32_t kDocTypeVersion = 0x4287;
constexpr uint32_t kDocTypeReadVersion = 0x4285;
constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kInfo = 0x1549A966;
constexpr uint32_t kTimecodeScale = 0x2AD7B1;
constexpr uint32_t kDuration = 0x4489;
constexpr uint32_t kMuxingApp = 0x4D80;
constexpr uint32_t kWritingApp = 0x5741;
constexpr uint32_t kTracks = 0x1654AE6B;
constexpr uint32_t kTrackEntry = 0xAE;
constexpr uint32_t kTrackNumber = 0xD7;
constexpr uint32_t kTrackUid = 0x73C5;
constexpr uint32_t kTrackType = 0x83;
constexpr uint32_t kFlagLacing = 0x9C;
constexpr uint32_t kDefaultDuration = 0x23E383;
constexpr uint32_t kCodecId = 0x86;
constexpr uint32_t kVideo = 0xE0;
constexpr uint32_t kPixelWidth = 0xB0;
constexpr uint32_t kPixelHeight = 0xBA;
constexpr uint32_t kPixelCropBottom = 0x54AA;
constexpr uint32_t kPixelCropRight = 0x54DD;
constexpr uint32_t kDisplayWidth = 0x54B0;
constexpr uint32_t kDisplayHeight = 0x54BA;
constexpr uint32_t kColour = 0x55B0;
constexpr uint32_t kMatrixCoefficients = 0x55B1;
constexpr uint32_t kRange = 0x55B9;
constexpr uint32_t kTransferCharacteristics = 0x55BA;
constexpr uint32_t kPrimaries = 0x55BB;
constexpr uint32_t kCluster = 0x1F43B675;
constexpr uint32_t kTimecode = 0xE7;
constexpr uint32_t kSimpleBlock = 0xA3;
constexpr uint32_t kSeekHead = 0x114D9B74;
constexpr uint32_t kSeek = 0x4DBB;
constexpr uint32_t kSeekId = 0x53AB;
constexpr uint32_t kSeekPosition = 0x53AC;
constexpr uint32_t kCues = 0x1C53BB6B;
constexpr uint32_t kCuePoint = 0xBB;
constexpr uint32_t kCueTime = 0xB3;
constexpr uint32_t kCueTrackPositions = 0xB7;
constexpr uint32_t kCueTrack = 0xF7;
constexpr uint32_t kCueClusterPosition = 0xF1;

constexpr uint64_t kNanosecondsPerTick = 1000000;  // one time-code tick is a millisecond
constexpr uint64_t kBt709 = 1;                      // matrix, primaries and transfer alike
constexpr uint64_t kBroadcastRange = 1;             // limited ("TV") range
constexpr int64_t kLongestClusterMilliseconds = 30000;  // block times are signed 16 bits

void putId(Bytes& out, uint32_t id)
{
    int bytes = 4;
    while (bytes > 1 && (id >> ((bytes - 1) * 8)) == 0)
        --bytes;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(id >> (i * 8)));
}

// Sizes are always written in eight bytes, so an element's size never has to be known
// before its content is.
void putSize(Bytes& out, uint64_t size)
{
    out.push_back(0x01);
    for (int i = 6; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(size >> (i * 8)));
}

void putElement(Bytes& out, uint32_t id, const Bytes& content)
{
    putId(out, id);
    putSize(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

void putUnsigned(Bytes& out, uint32_t id, uint64_t value)
{
    Bytes content;
    int bytes = 8;
    while (bytes > 1 && (value >> ((bytes - 1) * 8)) == 0)
        --bytes;
    for (int i = bytes - 1; i >= 0; --i)
        content.push_back(static_cast<uint8_t>(value >> (i * 8)));
    putElement(out, id, content);
}

// An unsigned value in eight bytes whatever its size, so that the element's length is known
// before the value is.
void putFixedUnsigned(Bytes& out, uint32_t id, uint64_t value)
{
    Bytes content;
    for (int i = 7; i >= 0; --i)
        content.push_back(static_cast<uint8_t>(value >> (i * 8)));
    putElement(out, id, content);
}

// The seek head: where the segment's information, its tracks and its cues begin, counted
// from the start of the segment's content.
Bytes seekHead(uint64_t infoPosition, uint64_t tracksPosition, uint64_t cuesPosition)
{
    Bytes head;
    const std::pair<uint32_t, uint64_t> entries[] = {
        { kInfo, infoPosition }, { kTracks, tracksPosition }, { kCues, cuesPosition } };
    for (const auto& [id, position] : entries) {
        Bytes entryId;
        putId(entryId, id);
        Bytes seek;
        putElement(seek, kSeekId, entryId);
        putFixedUnsigned(seek, kSeekPosition, position);
        putElement(head, kSeek, seek);
    }
    Bytes element;
    putElement(element, kSeekHead, head);
    return element;
}

void putFloat(Bytes& out, uint32_t id, double value)
{
    const auto bits = std::bit_cast<uint64_t>(value);
    Bytes content;
    for (int i = 7; i >= 0; --i)
        content.push_back(static_cast<uint8_t>(bits >> (i * 8)));
    putElement(out, id, content);
}

void putString(Bytes& out, uint32_t id, const std::string& text)
{
    putElement(out, id, Bytes(text.begin(), text.end()));
}

} // namespace

WebmMuxer::WebmMuxer(const VideoTrack& track)
    : m_track(track)
{
}

void WebmMuxer::closeCluster()
{
    if (m_clusterTime < 0)
        return;
    putElement(m_clusters, kCluster, m_cluster);
    m_cluster.clear();
    m_clusterTime = -1;
}

void WebmMuxer::addFrame(const uint8_t* data, std::size_t size, int64_t timeMilliseconds, bool keyFrame)
{
    if (m_clusterTime >= 0 && (keyFrame || timeMilliseconds - m_clusterTime >= kLongestClusterMilliseconds))
        closeCluster();
    if (m_clusterTime < 0) {
        m_clusterTime = timeMilliseconds;
        // The closed clusters come first, so this one will start where they end.
        if (keyFrame)
            m_cues.push_back({ timeMilliseconds, m_clusters.size() });
        putUnsigned(m_cluster, kTimecode, static_cast<uint64_t>(timeMilliseconds));
    }
    const auto relative = static_cast<int16_t>(timeMilliseconds - m_clusterTime);
    putId(m_cluster, kSimpleBlock);
    putSize(m_cluster, size + 4);
    m_cluster.push_back(0x81);  // track 1
    m_cluster.push_back(static_cast<uint8_t>(static_cast<uint16_t>(relative) >> 8));
    m_cluster.push_back(static_cast<uint8_t>(static_cast<uint16_t>(relative) & 0xFF));
    m_cluster.push_back(keyFrame ? 0x80 : 0x00);
    m_cluster.insert(m_cluster.end(), data, data + size);
}

std::vector<uint8_t> WebmMuxer::finish(double durationMilliseconds)
{
    closeCluster();
    Bytes header;
    putUnsigned(header, kEbmlVersion, 1);
    putUnsigned(header, kEbmlReadVersion, 1);
    putUnsigned(header, kEbmlMaxIdLength, 4);
    putUnsigned(header, kEbmlMaxSizeLength, 8);
    putString(header, kDocType, "webm");
    putUnsigned(header, kDocTypeVersion, 4);
    putUnsigned(header, kDocTypeReadVersion, 2);

    Bytes info;
    putUnsigned(info, kTimecodeScale, kNanosecondsPerTick);
    putFloat(info, kDuration, durationMilliseconds);
    putString(info, kMuxingApp, "opal-revel");
    putString(info, kWritingApp, "opal-revel");

    Bytes colour;
    putUnsigned(colour, kMatrixCoefficients, kBt709);
    putUnsigned(colour, kRange, kBroadcastRange);
    putUnsigned(colour, kTransferCharacteristics, kBt709);
    putUnsigned(colour, kPrimaries, kBt709);
    Bytes video;
    putUnsigned(video, kPixelWidth, static_cast<uint64_t>(m_track.codedWidth));
    putUnsigned(video, kPixelHeight, static_cast<uint64_t>(m_track.codedHeight));
    putUnsigned(video, kPixelCropBottom, static_cast<uint64_t>(m_track.codedHeight - m_track.displayHeight));
    putUnsigned(video, kPixelCropRight, static_cast<uint64_t>(m_track.codedWidth - m_track.displayWidth));
    putUnsigned(video, kDisplayWidth, static_cast<uint64_t>(m_track.displayWidth));
    putUnsigned(video, kDisplayHeight, static_cast<uint64_t>(m_track.displayHeight));
    putElement(video, kColour, colour);
    Bytes entry;
    putUnsigned(entry, kTrackNumber, 1);
    putUnsigned(entry, kTrackUid, 1);
    putUnsigned(entry, kTrackType, 1);  // video
    putUnsigned(entry, kFlagLacing, 0);
    putUnsigned(entry, kDefaultDuration, static_cast<uint64_t>(m_track.frameDurationNanoseconds));
    putString(entry, kCodecId, "V_VP9");
    putElement(entry, kVideo, video);
    Bytes tracks;
    putElement(tracks, kTrackEntry, entry);

    Bytes infoElement;
    putElement(infoElement, kInfo, info);
    Bytes tracksElement;
    putElement(tracksElement, kTracks, tracks);
    // The seek head's size does not depend on its positions, so the clusters' positions are
    // known before it is written.
    const uint64_t headSize = seekHead(0, 0, 0).size();
    const uint64_t clustersPosition = headSize + infoElement.size() + tracksElement.size();
    const uint64_t cuesPosition = clustersPosition + m_clusters.size();
    Bytes cues;
    for (const Cue& cue : m_cues) {
        Bytes positions;
        putUnsigned(positions, kCueTrack, 1);
        putUnsigned(positions, kCueClusterPosition, clustersPosition + cue.clusterOffset);
        Bytes point;
        putUnsigned(point, kCueTime, static_cast<uint64_t>(cue.timeMilliseconds));
        putElement(point, kCueTrackPositions, positions);
        putElement(cues, kCuePoint, point);
    }

    Bytes segment = seekHead(headSize, headSize + infoElement.size(), cuesPosition);
    segment.insert(segment.end(), infoElement.begin(), infoElement.end());
    segment.insert(segment.end(), tracksElement.begin(), tracksElement.end());
    segment.insert(segment.end(), m_clusters.begin(), m_clusters.end());
    putElement(segment, kCues, cues);
    m_clusters.clear();
    m_cues.clear();

    Bytes file;
    putElement(file, kEbml, header);
    putElement(file, kSegment, segment);
    return file;
}
