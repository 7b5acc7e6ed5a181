#include "export/data_sink.h"

#include "export/text_exception.h"

#include <cstring>
#include <new>
#include <string_view>

DataSink::~DataSink() = default;

int32_t DataSink::WriteData(int32_t count, const uint8_t* bytes)
{
    if (count < 0 || count > m_capacity - m_position) {
        throw TextException(TextException::kBufferOverflow, "Buffer overflow while encoding.\n");
    }
    if (count > 0) {
        std::memcpy(m_buffer.get() + m_position, bytes, static_cast<std::size_t>(count));
        m_position += count;
    }
    return count;
}

bool DataSink::allocate(int32_t capacity)
{
    release();
    if (capacity < 0) {
        return false;
    }
    m_buffer.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(capacity) + 1]);
    if (!m_buffer) {
        return false;
    }
    m_capacity = capacity;
    return true;
}

void DataSink::release()
{
    m_buffer.reset();
    m_capacity = 0;
    m_position = 0;
}

MemorySink::MemorySink(int32_t capacity) { m_ok = allocate(capacity); }

FileSink::~FileSink() { Discard(); }

int32_t FileSink::Open(const std::string& fileName, int32_t capacity)
{
    Discard();
    if (fileName.empty() || fileName.back() == '/' || !m_file.Open(fileName)) {
        return -1;
    }
    if (!allocate(capacity)) {
        Discard();
        return -1;
    }
    m_fileName = m_file.Target().string();
    return 0;
}

int32_t FileSink::Close()
{
    if (!m_file.IsOpen()) {
        return -1;
    }
    const bool stored = m_file.Commit(std::string_view(reinterpret_cast<const char*>(GetBuffer()),
        static_cast<std::size_t>(GetDataSize())));
    Discard();
    return stored ? 0 : -1;
}

void FileSink::Discard()
{
    m_file.Discard();
    m_fileName.clear();
    release();
}

int32_t FileSink::Store(const std::string& fileName, const DataSink& stream)
{
    FileSink file;
    if (file.Open(fileName, stream.GetDataSize()) != 0) {
        return -1;
    }
    file.WriteData(stream.GetDataSize(), stream.GetBuffer());
    return file.Close() == 0 ? 0 : -2;
}
