#pragma once

#include <cstdint>
#include <vector>

// The WebM container around one VP9 video track, built in memory: the EBML header, the
// segment's information (a 1 ms time scale and the duration), the track with its pixel size,
// the crop that takes the 4:2:0 padding back off, and its colour tags (BT.709 matrix,
// primaries and transfer, limited range), clusters of simple blocks, and the cues that
// players seek by. A cluster starts at every key frame and whenever a block would lie 30 s or
// more past its cluster's start; every cluster that starts with a key frame has a cue point,
// and a seek head at the segment's start tells where the information, the tracks and the
// cues (after the clusters) lie.
class WebmMuxer {
public:
    struct VideoTrack {
        int32_t codedWidth = 0;
        int32_t codedHeight = 0;
        int32_t displayWidth = 0;
        int32_t displayHeight = 0;
        int64_t frameDurationNanoseconds = 0;
    };

    explicit WebmMuxer(const VideoTrack& track);

    // Appends one coded frame shown from the time on, in milliseconds; times never go back.
    void addFrame(const uint8_t* data, std::size_t size, int64_t timeMilliseconds, bool keyFrame);
    // The whole file, with the given duration in milliseconds.
    std::vector<uint8_t> finish(double durationMilliseconds);

private:
    void closeCluster();

    // A key frame that starts a cluster: its time and where its cluster begins among the clusters.
    struct Cue {
        int64_t timeMilliseconds = 0;
        std::size_t clusterOffset = 0;
    };

    VideoTrack m_track;
    std::vector<Cue> m_cues;
    std::vector<uint8_t> m_clusters;
    std::vector<uint8_t> m_cluster;  // the open cluster's content
    int64_t m_clusterTime = -1;
};
