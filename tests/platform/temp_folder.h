#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "opal-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Points the XDG folders at a temporary home for the life of the object and puts the
// previous values back afterwards.
class TempXdgHome {
public:
    TempXdgHome()
        : m_config(m_home.path() / "config")
        , m_data(m_home.path() / "data")
    {
        save("XDG_CONFIG_HOME", m_savedConfig);
        save("XDG_DATA_HOME", m_savedData);
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        ::setenv("XDG_DATA_HOME", m_data.c_str(), 1);
    }
    ~TempXdgHome()
    {
        restore("XDG_CONFIG_HOME", m_savedConfig);
        restore("XDG_DATA_HOME", m_savedData);
    }

    const std::filesystem::path& root() const { return m_home.path(); }
    const std::filesystem::path& config() const { return m_config; }
    const std::filesystem::path& data() const { return m_data; }

private:
    static void save(const char* name, std::pair<bool, std::string>& saved)
    {
        const char* value = std::getenv(name);
        saved = { value != nullptr, value ? value : "" };
    }
    static void restore(const char* name, const std::pair<bool, std::string>& saved)
    {
        if (saved.first)
            ::setenv(name, saved.second.c_str(), 1);
        else
            ::unsetenv(name);
    }

    TempFolder m_home;
    std::filesystem::path m_config;
    std::filesystem::path m_data;
    std::pair<bool, std::string> m_savedConfig;
    std::pair<bool, std::string> m_savedData;
};

inline std::string readWholeFile(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

inline void writeWholeFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
