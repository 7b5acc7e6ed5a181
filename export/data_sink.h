#pragma once

#include "platform/atomic_file.h"

#include <cstdint>
#include <memory>
#include <string>

// A byte buffer of fixed capacity that an encoder fills front to back.
class DataSink {
public:
    DataSink() = default;
    virtual ~DataSink();
    DataSink(const DataSink&) = delete;
    DataSink& operator=(const DataSink&) = delete;

    // Appends the bytes and returns their count. A write that would pass the capacity
    // copies nothing and throws TextException "Buffer overflow while encoding.".
    int32_t writeData(int32_t count, const uint8_t* bytes);

    int32_t getDataSize() const { return m_position; }
    int32_t getCapacity() const { return m_capacity; }
    const uint8_t* getBuffer() const { return m_buffer.get(); }

protected:
    // Takes a new buffer of the capacity, emptied; false when it cannot be allocated.
    bool allocate(int32_t capacity);
    void release();

private:
    std::unique_ptr<uint8_t[]> m_buffer;
    int32_t m_capacity = 0;
    int32_t m_position = 0;
};

// A sink whose bytes stay in memory, for a stream that is stored later or not at all.
class MemorySink : public DataSink {
public:
    // Ok() is false when a buffer of that capacity could not be allocated; every write
    // then overflows.
    explicit MemorySink(int32_t capacity);
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// A sink whose bytes end up in a file. Open creates a hidden temporary file next to the
// target; Close writes every collected byte in one write, flushes it to the disk and
// renames it over the target, so the target only ever holds a complete stream. A sink
// destroyed without Close removes its temporary file and leaves the target untouched.
class FileSink : public DataSink {
public:
    FileSink() = default;
    ~FileSink() override;

    // 0 on success; -1 when the target cannot be created (missing or read-only folder, a
    // folder or read-only file in its place, a dangling symbolic link) or the buffer cannot
    // be allocated. A symbolic link is followed: the file it points to is replaced.
    int32_t open(const std::string& fileName, int32_t capacity);
    // Stores the stream under the target name and releases everything: 0 on success, -1
    // when writing, flushing or renaming failed (the target is then left as it was).
    int32_t close();
    // Drops the collected bytes and the temporary file.
    void discard();

    // Stores a stream collected elsewhere under the file name as Open, WriteData and Close
    // would: 0 when stored, -1 when the target cannot be created, -2 when writing failed
    // (the target is then left as it was).
    static int32_t store(const std::string& fileName, const DataSink& stream);

private:
    AtomicFileWriter m_file;
};
