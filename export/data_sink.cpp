#include "export/data_sink.h"

#include "export/text_exception.h"

#include <cstring>
#include <new>
#include <string_view>

DataSink::~DataSink() = default;

int32_t DataSink::writeData(int32_t count, const uint8_t* bytes)
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

FileSink::~FileSink() { discard(); }

int32_t FileSink::open(const std::string& fileName, int32_t capacity)
{
    discard();
    if (fileName.empty() || fileName.back() == '/' || !m_file.open(fileName)) {
        return -1;
    }
    if (!allocate(capacity)) {
        discard();
        return -1;
    }
    return 0;
}

int32_t FileSink::close()
{
    if (!m_file.isOpen()) {
        return -1;
    }
    const bool stored = m_file.commit(std::string_view(reinterpret_cast<const char*>(getBuffer()),
        static_cast<std::size_t>(getDataSize())));
    discard();
    return stored ? 0 : -1;
}

void FileSink::discard()
{
    m_file.discard();
    release();
}

int32_t FileSink::store(const std::string& fileName, const DataSink& stream)
{
    FileSink file;
    if (file.open(fileName, stream.getDataSize()) != 0) {
        return -1;
    }
    file.writeData(stream.getDataSize(), stream.getBuffer());
    return file.close() == 0 ? 0 : -2;
}
